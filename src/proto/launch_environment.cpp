#include "proto/launch_environment.hpp"

#include "core/platform.hpp"

namespace ovelin {

namespace {

class SystemLaunchEnvironment final : public LaunchEnvironment {
public:
    std::optional<std::string> env_var(const std::string& name) const override { return platform::env_var(name); }
    bool is_regular_file(const std::filesystem::path& path) const override {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    }
    std::expected<std::filesystem::path, std::error_code> temp_dir() const override {
        std::error_code ec;
        auto dir = std::filesystem::temp_directory_path(ec);
        if (ec) return std::unexpected(ec);
        return dir;
    }
};

}  // namespace

const LaunchEnvironment& system_launch_environment() {
    static const SystemLaunchEnvironment instance;
    return instance;
}

}  // namespace ovelin
