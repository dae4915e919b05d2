// An SSH plan started for real: a recorder of ours stands where the system's
// OpenSSH client is looked for, and must receive exactly the profile.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/platform.hpp"
#include "core/utf.hpp"
#include "proto/launch.hpp"
#include "support/env.hpp"
#include "support/temp_dir.hpp"
#include "win32/driver.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// The system environment, with SystemRoot pointing at our own folder.
class RootedEnvironment : public LaunchEnvironment {
public:
    explicit RootedEnvironment(std::string root) : root_(std::move(root)) {}
    std::optional<std::string> env_var(const std::string& name) const override {
        if (name == "SystemRoot") return root_;
        return system_launch_environment().env_var(name);
    }
    bool is_regular_file(const fs::path& p) const override { return system_launch_environment().is_regular_file(p); }
    std::expected<fs::path, std::error_code> temp_dir() const override {
        return system_launch_environment().temp_dir();
    }
    std::optional<fs::path> program_dir() const override { return system_launch_environment().program_dir(); }
    std::optional<fs::path> current_dir() const override { return system_launch_environment().current_dir(); }
    std::uint64_t unix_nanos() const override { return system_launch_environment().unix_nanos(); }

private:
    std::string root_;
};

struct Recording {
    std::string command_line;
    Args argv;
};

// Starts the command line as the pseudo console will: no application name.
std::optional<Recording> run_and_record(const std::string& command_line, const fs::path& record) {
    std::u16string u = utf8_to_utf16(command_line);
    std::wstring cmd(u.begin(), u.end());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return std::nullopt;
    testing::Process child(pi);
    auto code = child.wait_exit(std::chrono::seconds(60));
    if (code != 0u) return std::nullopt;
    const std::string bytes = testing::read_text(record);
    Recording r;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1) {
        std::string item = bytes.substr(start, end - start);
        if (start == 0)
            r.command_line = std::move(item);
        else
            r.argv.push_back(std::move(item));
    }
    return r;
}

TEST(SshLaunch, TheClientReceivesExactlyTheProfile) {
    testing::TempDir tmp;
    // A space in the root makes the program path itself need quoting.
    const fs::path root = tmp.path() / "system root";
    fs::create_directories(root / "System32" / "OpenSSH");
    const fs::path ssh = root / "System32" / "OpenSSH" / "ssh.exe";
    fs::copy_file(fs::path(testing::module_dir()) / "arg_recorder.exe", ssh);
    const fs::path record = tmp.path() / "record.bin";
    testing::ScopedEnv record_var("OVELIN_RECORD_FILE", platform::path_utf8(record));
    const RootedEnvironment env(platform::path_utf8(root));
    ASSERT_EQ(ssh_program(env), platform::path_utf8(ssh));

    const struct {
        Ssh profile;
        Args args;
    } cases[] = {
        {{"server1", 2222, "alice", "C:\\Users\\me\\.ssh\\my key", {}},
         {"-p", "2222", "-i", "C:\\Users\\me\\.ssh\\my key", "alice@server1"}},
        {{"fe80::1", 65000, "a@b", "C:\\keys dir\\", {"-o", "SetEnv=A=\"x y\\\" z\"", "-i", "C:\\k\\", "-v"}},
         {"-p", "65000", "-i", "C:\\keys dir\\", "-o", "SetEnv=A=\"x y\\\" z\"", "-i", "C:\\k\\", "-v", "a@b@fe80::1"}},
        {{"h", 22, "j\xc3\xb6rg", "D:\\\xe6\x97\xa5 \xe6\x9c\xac\\id", {}},
         {"-i", "D:\\\xe6\x97\xa5 \xe6\x9c\xac\\id", "j\xc3\xb6rg@h"}},
    };
    for (const auto& c : cases) {
        fs::remove(record);
        auto plan = build_launch(c.profile, env);
        ASSERT_TRUE(plan) << plan.error().message();
        const std::string& line = std::get<Terminal>(*plan).command_line;
        auto got = run_and_record(line, record);
        ASSERT_TRUE(got) << "the recorder did not run: " << line;
        EXPECT_EQ(got->command_line, line);
        Args expected{platform::path_utf8(ssh)};
        expected.insert(expected.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(got->argv, expected) << line;
    }
}

}  // namespace
}  // namespace ovelin
