#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "core/platform.hpp"
#include "core/quoted.hpp"
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
    std::optional<fs::path> program_folder, current_folder;
    std::optional<std::uint64_t> nanos;  // the real clock when unset

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
    std::optional<fs::path> program_dir() const override { return program_folder; }
    std::optional<fs::path> current_dir() const override { return current_folder; }
    std::uint64_t unix_nanos() const override { return nanos ? *nanos : system_launch_environment().unix_nanos(); }
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

TEST(SshProgram, SystemClientThenPathFoldersButNeverTheProgramsOrTheCurrentFolder) {
    const std::string in_path = joined({"D:\\Tools", "ssh.exe"});
    const std::string beside_exe = joined({"C:\\Users\\me\\Downloads", "ssh.exe"});
    const std::string in_cwd = joined({"C:\\Work", "ssh.exe"});
    const std::string relative = joined({"bin", "ssh.exe"});
    const std::string quoted_dir = joined({"E:\\Open SSH", "ssh.exe"});
    const std::string other_root = joined({"D:\\Win", "System32", "OpenSSH", "ssh.exe"});
    const struct {
        std::optional<std::string> system_root, path;
        std::set<std::string> files;
        std::string program;
    } cases[] = {
        // The system's client wins, whatever PATH holds.
        {{}, "D:\\Tools", {DEFAULT_SSH, in_path}, DEFAULT_SSH},
        {"D:\\Win", {}, {DEFAULT_SSH, other_root}, other_root},
        // An empty SystemRoot must not turn into a path below the current folder.
        {"", {}, {joined({"System32", "OpenSSH", "ssh.exe"})}, DEFAULT_SSH},
        // Then PATH, in order, skipping the program's folder, the current
        // folder (however spelled) and folders relative to it.
        {{}, "C:\\Users\\me\\Downloads;c:/work/;C:\\Work\\sub\\..;bin;.;;D:\\Tools",
         {beside_exe, in_cwd, relative, in_path}, in_path},
        {{}, "\"E:\\Open SSH\";D:\\Tools", {quoted_dir, in_path}, quoted_dir},
        {{}, "D:\\Empty;D:\\Tools", {in_path}, in_path},
        // Nowhere: the system's path still, so nothing is searched at start.
        {{}, "C:\\Users\\me\\Downloads;C:\\Work;bin", {beside_exe, in_cwd, relative}, DEFAULT_SSH},
        {{}, {}, {}, DEFAULT_SSH},
    };
    for (const auto& c : cases) {
        FakeEnvironment env;
        if (c.system_root) env.vars["SystemRoot"] = *c.system_root;
        if (c.path) env.vars["PATH"] = *c.path;
        env.files = c.files;
        env.program_folder = platform::utf8_path("C:\\Users\\me\\Downloads");
        env.current_folder = platform::utf8_path("C:\\Work");
        EXPECT_EQ(ssh_program(env), c.program) << c.path.value_or("(no PATH)");
    }
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
        {{"fe80::1", 65535, "j\xc3\xb6rg", "C:\\k\\", {"-o", "SetEnv=A=\"x y\\\" z\"", "-iC:\\a b\\"}},
         {"-p", "65535", "-i", "C:\\k\\", "-o", "SetEnv=A=\"x y\\\" z\"", "-iC:\\a b\\", "j\xc3\xb6rg@fe80::1"}},
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
        {{"h", 22, "x&calc&", {}, {}}, R"(user contains invalid characters: "x&calc&")"},
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

// Extra arguments reach ssh only as options it documents as harmless here,
// read as its option parser reads them; each passes through unchanged.
TEST(BuildLaunch, SshExtraArgsOnlyFromTheSafeSet) {
    FakeEnvironment env;
    env.files.insert(DEFAULT_SSH);
    std::vector<Args> allowed = {
        {"-v", "-o", "ServerAliveInterval=30", "-L", "8080:localhost:80", "-J", "bastion"},
        {"-vvv", "-4NT", "-CL8080:localhost:80", "-Jbastion", "-p2222", "-lalice"},
        {"-R", "9000:localhost:22", "-D", "1080", "-c", "aes256-gcm@openssh.com", "-m", "hmac-sha2-256"},
        {"-b", "10.0.0.1", "-e", "none", "-W", "db:5432", "-w", "0:1", "-B", "eth0", "-i", "C:\\my keys\\id"},
        {"-J", "admin@jump1:2222,ssh://[fe80::1]:22,jump3", "-J", "none", "-l", "first.last@corp"},
        {"-oServerAliveInterval=30", "-o", "ServerAliveCountMax 3", "-o", "StrictHostKeyChecking=no"},
        {"-o", "UserKnownHostsFile=/dev/null", "-oProxyJump=bastion", "-o", "User=alice", "-o", "HostName=10.0.0.5"},
        {"-o", "SetEnv=A=\"x y\"", "-o", "ForwardAgent=yes", "-o", "ControlPath=none"},
    };
    for (char flag : std::string_view("46AaCgKkNqTtvXxYy")) allowed.push_back({std::string("-") + flag});
    for (const Args& args : allowed) {
        auto plan = build_launch(Ssh{"h", 22, {}, {}, args}, env);
        Args expected{DEFAULT_SSH};
        expected.insert(expected.end(), args.begin(), args.end());
        expected.push_back("h");
        EXPECT_EQ(terminal_argv(plan), expected) << error_of(plan);
    }

    std::vector<std::pair<Args, std::string>> refused = {
        {{"-v", "evil.example", "-oProxyCommand=x"}, R"("evil.example" is not an allowed ssh option)"},
        {{"-o", "PermitLocalCommand=yes"}, R"("PermitLocalCommand=yes" contains forbidden option (localcommand))"},
        {{"-L", "1:proxycommand:2"}, R"("1:proxycommand:2" contains forbidden option (proxycommand))"},
        {{"-L"}, R"("-L" needs a value)"},
        {{"-v", "-o"}, R"("-o" needs a value)"},
        {{"-l", "x&calc&"}, R"("x&calc&" has an invalid value: user contains invalid characters: "x&calc&")"},
        {{"-oUser=a|calc"}, R"("-oUser=a|calc" has an invalid value: user contains invalid characters: "a|calc")"},
        {{"-o", "HostName=a&calc"},
         R"("HostName=a&calc" has an invalid value: host contains invalid characters: "a&calc")"},
        {{"-J", "bastion&calc"},
         R"("bastion&calc" has an invalid value: host contains invalid characters: "bastion&calc")"},
        {{"-Jx y@bastion"}, R"("-Jx y@bastion" has an invalid value: user contains invalid characters: "x y")"},
        {{"-oProxyJump=a,,b"}, R"("-oProxyJump=a,,b" has an invalid value: jump host is empty or padded)"},
    };
    // Unlisted options (a config file, a library, a log file), a word ssh
    // would take for the host, and -o names that run or load something.
    for (std::string entry : {"-F", "-I", "-E", "-S", "-vF", "evil.example", "--", "-", "", "-ox&y=1", "-o User=x"})
        refused.push_back({{entry, "\\\\host\\share\\x"}, debug_quoted(entry) + " is not an allowed ssh option"});
    for (std::string name : {"KnownHostsCommand", "PKCS11Provider", "SecurityKeyProvider", "Include", "match",
                             "ProxyUseFdpass", "XAuthLocation"}) {
        std::string lower = name;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        const std::string entry = "-o" + name + "=x";
        refused.push_back({{entry}, debug_quoted(entry) + " contains forbidden option (" + lower + ")"});
    }
    for (const auto& [args, message] : refused)
        EXPECT_EQ(error_of(build_launch(Ssh{"h", 22, {}, {}, args}, env)),
                  "invalid profile: extra_args entry " + message);
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

    // The system's client by its full path, never one found beside us.
    EXPECT_EQ(a.program, joined({"C:\\Windows", "System32", "mstsc.exe"}));
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

    // A name already taken (by anyone, with any content) is never written
    // into or deleted: the next free one is used.
    env.nanos = 7;
    env.vars["SystemRoot"] = "D:\\Win";
    const auto name_at = [&](std::uint64_t n) {
        return tmp.path() / rdp_file_name(platform::process_id(), n, 7);
    };
    const std::uint64_t next = std::stoull(mb[2].str()) + 1;
    testing::write_text(name_at(next), "planted");
    fs::create_directory(name_at(next + 1));
    auto third = build_launch(profile, env);
    ASSERT_TRUE(third) << third.error().message();
    const auto& c = std::get<External>(*third);
    EXPECT_EQ(c.temp_file, name_at(next + 2));
    EXPECT_EQ(c.program, joined({"D:\\Win", "System32", "mstsc.exe"}));
    EXPECT_EQ(testing::read_text(name_at(next)), "planted");
    EXPECT_EQ(testing::read_text(*c.temp_file), testing::read_text(*a.temp_file));
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
    // A script viewer would hand its arguments to cmd.exe; a response file
    // would feed the viewer arguments nobody sees.
    env.files.insert({"D:\\viewer.cmd", "D:\\viewer.exe."});
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, "D:\\viewer.cmd", {}}, env)),
              R"(invalid profile: viewer_path is not a program (.exe): "D:\\viewer.cmd")");
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, "D:\\viewer.exe.", {}}, env)),
              R"(invalid profile: viewer_path is not a program (.exe): "D:\\viewer.exe.")");
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, "D:\\gone.bat", {}}, env)),
              "program not found: configured VNC viewer not found: D:\\gone.bat");
    env.files.insert("D:\\VIEWER.EXE");
    EXPECT_TRUE(build_launch(Vnc{"h", 5900, "D:\\VIEWER.EXE", {"-x@y"}}, env));
    EXPECT_EQ(error_of(build_launch(Vnc{"h", 5900, {}, {"-viewonly", "@C:\\args.txt"}}, env)),
              R"(invalid profile: extra_args entry "@C:\\args.txt" must not start with '@')");

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
        {" C:\\x\\cmd.exe ", "C:\\x\\cmd.exe"},
        // One path, not "C:\Program" and arguments.
        {"C:\\Program Files\\sh\\cmd.exe", "\"C:\\Program Files\\sh\\cmd.exe\""},
        {"\"C:\\Program Files\\sh\\cmd.exe\"", "\"C:\\Program Files\\sh\\cmd.exe\""},
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
