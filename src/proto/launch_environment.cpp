#include "proto/launch_environment.hpp"

#include "core/ids.hpp"
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
    std::optional<std::filesystem::path> program_dir() const override {
        auto exe = platform::executable_path();
        if (!exe) return std::nullopt;
        return exe->parent_path();
    }
    std::optional<std::filesystem::path> current_dir() const override {
        std::error_code ec;
        auto dir = std::filesystem::current_path(ec);
        if (ec) return std::nullopt;
        return dir;
    }
    std::uint64_t unix_nanos() const override { return ovelin::unix_nanos(); }
};

}  // namespace

const LaunchEnvironment& system_launch_environment() {
    static const SystemLaunchEnvironment instance;
    return instance;
}

}  // namespace ovelin
