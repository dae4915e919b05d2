#pragma once
// What launch planning reads from the machine: environment variables, file
// existence and the temporary folder. Tests hand in their own answers.

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace ovelin {

class LaunchEnvironment {
public:
    virtual ~LaunchEnvironment() = default;
    // The variable as UTF-8; nullopt when it is not set.
    virtual std::optional<std::string> env_var(const std::string& name) const = 0;
    // True when the path names an existing regular file (links followed).
    virtual bool is_regular_file(const std::filesystem::path& path) const = 0;
    virtual std::expected<std::filesystem::path, std::error_code> temp_dir() const = 0;
};

// The real process environment, file system and temporary folder.
const LaunchEnvironment& system_launch_environment();

}  // namespace ovelin
