#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "core/platform.hpp"
#include "proto/launch.hpp"
#include "proto/rdp_file.hpp"
#include "proto/windows_argv.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

class FakeEnvironment : public LaunchEnvironment {
public:
    std::map<std::string, std::string> vars;
    std::set<std::string> files;
    std::optional<fs::path> temp;

    std::optional<std::string> env_var(const std::string& name) const override {
        auto it = vars.find(name);
        if (it == vars.end()) return std::nullopt;
        return it->second;
    }
    bool is_regular_file(const fs::path& p) const override { return files.count(platform::path_utf8(p)) > 0; }
    std::expected<fs::path, std::error_code> temp_dir() const override {
        if (!temp) return std::unexpected(std::make_error_code(std::errc::no_such_file_or_directory));
        return *temp;
    }
};

// A path joined the way this platform joins: backslashes on Windows.
std::string joined(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) {
        if (!out.empty()) out += static_cast<char>(fs::path::preferred_separator);
        out += p;
    }
    return out;
}

const std::string DEFAULT_SSH = joined({"C:\\Windows", "System32", "OpenSSH", "ssh.exe"});

std::string error_of(const std::expected<LaunchPlan, LaunchError>& plan) {
    return plan ? std::string("(no error)") : plan.error().message();
}

Args terminal_argv(const std::expected<LaunchPlan, LaunchError>& plan) {
    if (!plan || !std::holds_alternative<Terminal>(*plan)) return {"(not a terminal plan)"};
    return testing::split_windows_command_line(std::get<Terminal>(*plan).command_line);
}

TEST(SshProgram, InstalledClientOrTheSearchPath) {
    FakeEnvironment env;
    EXPECT_EQ(ssh_program(env), "ssh.exe");
    env.files.insert(DEFAULT_SSH);
    EXPECT_EQ(ssh_program(env), DEFAULT_SSH);

    env.vars["SystemRoot"] = "D:\\Win";
    EXPECT_EQ(ssh_program(env), "ssh.exe");  // C:\Windows is only the fall-back
    env.files.insert(joined({"D:\\Win", "System32", "OpenSSH", "ssh.exe"}));
    EXPECT_EQ(ssh_program(env), joined({"D:\\Win", "System32", "OpenSSH", "ssh.exe"}));

    // An empty SystemRoot must not turn into a path below the current folder.
    FakeEnvironment empty;
    empty.vars["SystemRoot"] = "";
    empty.files.insert(joined({"System32", "OpenSSH", "ssh.exe"}));
    empty.files.insert(DEFAULT_SSH);
    EXPECT_EQ(ssh_program(empty), DEFAULT_SSH);
}

TEST(BuildLaunch, Ssh) {
    FakeEnvironment env;
    env.files.insert(DEFAULT_SSH);
    const struct {
        Ssh profile;
        Args argv;  // after the program
    } cases[] = {
        {{"server1", 22, {}, {}, {}}, {"server1"}},
        {{"server1", 2222, "alice", {}, {}}, {"-p", "2222", "alice@server1"}},
        {{"h", 22, "a@b", "C:\\keys\\my key", {"-v", "-o", "ServerAliveInterval=30"}},
         {"-i", "C:\\keys\\my key", "-v", "-o", "ServerAliveInterval=30", "a@b@h"}},
        {{"fe80::1", 65535, "x y\"z", "C:\\k\\", {"", "a\\\"b"}},
         {"-p", "65535", "-i", "C:\\k\\", "", "a\\\"b", "x y\"z@fe80::1"}},
        {{"h", 22, {}, "   ", {}}, {"-i", "   ", "h"}},
    };
    for (const auto& c : cases) {
        auto plan = build_launch(c.profile, env);
        Args expected{DEFAULT_SSH};
        expected.insert(expected.end(), c.argv.begin(), c.argv.end());
        EXPECT_EQ(terminal_argv(plan), expected) << error_of(plan);
    }

    // The exact text, not only its meaning.
    EXPECT_EQ(build_launch(Ssh{"server1", 22, {}, {}, {}}, env),
              (std::expected<LaunchPlan, LaunchError>(Terminal{DEFAULT_SSH + " server1"})));
    EXPECT_EQ(build_launch(Ssh{"h", 22, {}, "C:\\my keys\\id", {}}, env),
              (std::expected<LaunchPlan, LaunchError>(Terminal{DEFAULT_SSH + " -i \"C:\\my keys\\id\" h"})));
}

TEST(BuildLaunch, SshRefusals) {
    FakeEnvironment env;
    const struct {
        Ssh profile;
        const char* message;
    } cases[] = {
        {{"", 0, "", "", {"-oProxyCommand=x"}}, "host is empty"},
        {{"-h", 22, {}, {}, {}}, "host must not start with '-'"},
        {{"h", 0, "", "", {}}, "port must be non-zero"},
        {{"h", 22, "", "", {}}, "user is empty"},
        {{"h", 22, "-l", {}, {}}, "user must not start with '-'"},
        {{"h", 22, "u\n", {}, {}}, "user contains control characters"},
        {{"h", 22, "u", "a\tb", {"-oProxyCommand=x"}}, "identity_file contains control characters"},
        {{"h", 22, "u", "", {"-oProxyCommand=x"}}, "identity_file is empty"},
        {{"h", 22, "u", "k", {"-oProxyCommand=x"}},
         R"(extra_args entry "-oProxyCommand=x" contains forbidden option (proxycommand))"},
    };
    for (const auto& c : cases) {
        auto plan = build_launch(c.profile, env);
        ASSERT_FALSE(plan) << c.message;
        EXPECT_EQ(plan.error(), LaunchError::invalid_profile(c.message));
    }
}

TEST(BuildLaunch, LocalShell) {
    FakeEnvironment env;
    const struct {
        const char* command;
        const char* result;  // the command line, or the message
        bool ok;
    } cases[] = {
        {"cmd.exe", "cmd.exe", true},
        {"  powershell -NoLogo ", "  powershell -NoLogo ", true},  // run exactly as stored
        {"\"C:\\a b\\sh.exe\" -l", "\"C:\\a b\\sh.exe\" -l", true},
        {"   ", "command is empty", false},
        {"", "command is empty", false},
        {"\xe3\x80\x80", "command is empty", false},
        {"cmd\r\n", "command contains control characters", false},
        {" \t ", "command contains control characters", false},  // control check comes first
    };
    for (const auto& c : cases) {
        auto plan = build_launch(LocalShell{c.command}, env);
        if (c.ok)
            EXPECT_EQ(plan, (std::expected<LaunchPlan, LaunchError>(Terminal{c.result}))) << c.command;
        else
            EXPECT_EQ(error_of(plan), std::string("invalid profile: ") + c.result) << c.command;
    }
}

TEST(RdpFile, Lines) {
    const struct {
        Rdp profile;
        Args lines;
    } cases[] = {
        {{"host1", 3389, "bob", "CORP", false, true},
         {"full address:s:host1", "username:s:CORP\\bob", "screen mode id:i:1", "administrative session:i:1"}},
        {{"host1", 3390, {}, {}, true, false}, {"full address:s:host1:3390", "screen mode id:i:2"}},
        {{"fe80::1", 3389, "bob", {}, false, false},
         {"full address:s:fe80::1", "username:s:bob", "screen mode id:i:1"}},
        {{"h", 1, {}, "CORP", false, false}, {"full address:s:h:1", "screen mode id:i:1"}},  // domain needs a user
    };
    for (const auto& c : cases) EXPECT_EQ(rdp_file_lines(c.profile), c.lines);
    EXPECT_EQ(rdp_file_content({"h", 3389, "bob", {}, false, false}),
              "full address:s:h\r\nusername:s:bob\r\nscreen mode id:i:1\r\n");
}

TEST(BuildLaunch, RdpWritesTheConnectionFile) {
    testing::TempDir tmp;
    FakeEnvironment env;
    env.temp = tmp.path();
    const Rdp profile{"host1", 3389, "bob", "CORP", false, true};

    auto first = build_launch(profile, env);
    auto second = build_launch(profile, env);
    ASSERT_TRUE(first) << first.error().message();
    ASSERT_TRUE(second) << second.error().message();
    const auto& a = std::get<External>(*first);
    const auto& b = std::get<External>(*second);

    EXPECT_EQ(a.program, "mstsc.exe");
    ASSERT_TRUE(a.temp_file);
    EXPECT_EQ(a.arguments, Args{platform::path_utf8(*a.temp_file)});
    EXPECT_EQ(a.temp_file->parent_path(), tmp.path());
    EXPECT_EQ(testing::read_text(*a.temp_file),
              "full address:s:host1\r\nusername:s:CORP\\bob\r\nscreen mode id:i:1\r\n"
              "administrative session:i:1\r\n");

    // ovelin-{pid}-{counter}-{nanos}.rdp; the counter moves by one per file.
    const std::regex name(R"(ovelin-(\d+)-(\d+)-(\d+)\.rdp)");
    std::smatch ma, mb;
    const std::string na = a.temp_file->filename().string(), nb = b.temp_file->filename().string();
    ASSERT_TRUE(std::regex_match(na, ma, name)) << na;
    ASSERT_TRUE(std::regex_match(nb, mb, name)) << nb;
    EXPECT_EQ(ma[1].str(), std::to_string(platform::process_id()));
    EXPECT_EQ(std::stoull(mb[2].str()), std::stoull(ma[2].str()) + 1);
    EXPECT_GT(std::stoull(ma[3].str()), 1'600'000'000'000'000'000ull);
    EXPECT_NE(na, nb);
}

TEST(BuildLaunch, RdpFailures) {
    testing::TempDir tmp;
    FakeEnvironment env;
    env.temp = tmp.path();
    const struct {
        Rdp profile;
        const char* message;
    } cases[] = {
        {{"a b", 3389, {}, {}, false, false}, R"(host contains invalid characters: "a b")"},
        {{"h", 0, {}, {}, false, false}, "port must be non-zero"},
        {{"h", 3389, "", {}, false, false}, "user is empty"},
        {{"h", 3389, "bob\r\nadministrative session:i:1", {}, false, false}, "user contains control characters"},
        {{"h", 3389, "bob", "-D", false, false}, "domain must not start with '-'"},
        {{"h", 3389, {}, "", false, false}, "domain is empty"},  // checked even without a user
    };
    for (const auto& c : cases) EXPECT_EQ(error_of(build_launch(c.profile, env)), std::string("invalid profile: ") + c.message);
    EXPECT_TRUE(fs::is_empty(tmp.path())) << "a refused profile writes no file";

    // An unwritable place is an Io error, and nothing is planned.
    env.temp = tmp.path() / "missing" / "folder";
    auto plan = build_launch(Rdp{"h", 3389, {}, {}, false, false}, env);
    ASSERT_FALSE(plan);
    EXPECT_EQ(plan.error().kind(), LaunchError::Kind::Io);
    EXPECT_TRUE(plan.error().message().starts_with("i/o error: "));
    env.temp.reset();
    EXPECT_EQ(build_launch(Rdp{"h", 3389, {}, {}, false, false}, env).error().kind(), LaunchError::Kind::Io);
}

TEST(FindVncViewer, ViewerOrderBeforeRootOrder) {
    const std::string tight_x86 = joined({"C:\\PF86", "TightVNC", "tvnviewer.exe"});
    const std::string real_pf = joined({"C:\\PF", "RealVNC", "VNC Viewer", "vncviewer.exe"});
    const std::string ultra_pf = joined({"C:\\PF", "uvnc bvba", "UltraVNC", "vncviewer.exe"});
    const std::string tight_pf = joined({"C:\\PF", "TightVNC", "tvnviewer.exe"});

    FakeEnvironment env;
    env.vars = {{"ProgramFiles", "C:\\PF"}, {"ProgramFiles(x86)", "C:\\PF86"}};
    EXPECT_EQ(find_vnc_viewer(env), std::nullopt);
    env.files = {ultra_pf};
    EXPECT_EQ(find_vnc_viewer(env), ultra_pf);
    env.files = {ultra_pf, real_pf};
    EXPECT_EQ(find_vnc_viewer(env), real_pf);
    env.files = {real_pf, tight_x86};
    EXPECT_EQ(find_vnc_viewer(env), tight_x86);
    env.files = {tight_x86, tight_pf};
    EXPECT_EQ(find_vnc_viewer(env), tight_pf);

    // Unset or empty roots are skipped, not searched relative to anything.
    env.vars = {{"ProgramFiles", ""}};
    env.files = {joined({"", "TightVNC", "tvnviewer.exe"}), joined({"TightVNC", "tvnviewer.exe"})};
    EXPECT_EQ(find_vnc_viewer(env), std::nullopt);
}

TEST(BuildLaunch, Vnc) {
    const std::string tight = joined({"C:\\PF", "TightVNC", "tvnviewer.exe"});
    FakeEnvironment env;
    env.vars = {{"ProgramFiles", "C:\\PF"}};
    env.files = {tight, "D:\\viewer.exe"};

    EXPECT_EQ(build_launch(Vnc{"h", 5900, {}, {"-viewonly"}}, env),
              (std::expected<LaunchPlan, LaunchError>(External{tight, {"-viewonly", "h:5900"}, std::nullopt})));
    EXPECT_EQ(build_launch(Vnc{"fe80::1", 5901, "D:\\viewer.exe", {}}, env),
              (std::expected<LaunchPlan, LaunchError>(External{"D:\\viewer.exe", {"fe80::1:5901"}, std::nullopt})));

    // A configured viewer that is missing never falls back to an installed one.
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, "D:\\gone.exe", {}}, env)),
              "program not found: configured VNC viewer not found: D:\\gone.exe");
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, "", {}}, env)),
              "program not found: configured VNC viewer not found: ");
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, "D:\\v\x01.exe", {}}, env)),
              "invalid profile: viewer_path contains control characters");
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 0, "D:\\gone.exe", {}}, env)), "invalid profile: port must be non-zero");
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, "D:\\gone.exe", {"-oRemoteCommand=x"}}, env)),
              R"(invalid profile: extra_args entry "-oRemoteCommand=x" contains forbidden option (remotecommand))");

    FakeEnvironment none;
    auto missing = build_launch(Vnc{"h", 5900, {}, {}}, none);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind(), LaunchError::Kind::ProgramNotFound);
    EXPECT_EQ(missing.error().message(),
              "program not found: no VNC viewer configured and none autodetected "
              "(TightVNC/RealVNC/UltraVNC default install paths)");
}

TEST(ExternalCommandLine, QuotesProgramAndArguments) {
    EXPECT_EQ(external_command_line(External{"C:\\Program Files\\TightVNC\\tvnviewer.exe", {"-viewonly", "h:5900"}, {}}),
              "\"C:\\Program Files\\TightVNC\\tvnviewer.exe\" -viewonly h:5900");
    EXPECT_EQ(external_command_line(External{"mstsc.exe", {"C:\\Temp dir\\ovelin-1-0-2.rdp"}, {}}),
              "mstsc.exe \"C:\\Temp dir\\ovelin-1-0-2.rdp\"");
}

TEST(DefaultShell, ComspecWhenItHoldsSomething) {
    const struct {
        std::optional<std::string> comspec;
        const char* shell;
    } cases[] = {
        {std::nullopt, "C:\\Windows\\System32\\cmd.exe"},
        {"", "C:\\Windows\\System32\\cmd.exe"},
        {" \t\xe3\x80\x80", "C:\\Windows\\System32\\cmd.exe"},
        {"D:\\shim.exe", "D:\\shim.exe"},
        {" C:\\x\\cmd.exe ", " C:\\x\\cmd.exe "},  // used as it is
    };
    for (const auto& c : cases) {
        FakeEnvironment env;
        if (c.comspec) env.vars["COMSPEC"] = *c.comspec;
        EXPECT_EQ(default_shell_command(env), c.shell);
    }
}

// The real environment, for the parts that read it.
TEST(SystemLaunchEnvironment, ReadsTheProcess) {
    const LaunchEnvironment& env = system_launch_environment();
    testing::TempDir tmp;
    testing::write_text(tmp.path() / "f", "x");
    EXPECT_TRUE(env.is_regular_file(tmp.path() / "f"));
    EXPECT_FALSE(env.is_regular_file(tmp.path()));
    EXPECT_FALSE(env.is_regular_file(tmp.path() / "none"));
    EXPECT_TRUE(env.temp_dir().has_value());
    EXPECT_EQ(env.env_var("OVELIN_SURELY_UNSET_VARIABLE"), std::nullopt);
}

}  // namespace
}  // namespace ovelin
