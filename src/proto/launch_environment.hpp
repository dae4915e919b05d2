#pragma once
// What launch planning reads from the machine: environment variables, file
// existence, the program's and the current folder, the temporary folder and
// the clock. Tests hand in their own answers.

#include <cstdint>
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
    // The running program's folder and the current folder: never searched
    // for a program to start, since anyone can drop a file there.
    virtual std::optional<std::filesystem::path> program_dir() const = 0;
    virtual std::optional<std::filesystem::path> current_dir() const = 0;
    // Nanoseconds since 1970, for connection file names.
    virtual std::uint64_t unix_nanos() const = 0;
};

// The real process environment, file system and temporary folder.
const LaunchEnvironment& system_launch_environment();

}  // namespace ovelin
