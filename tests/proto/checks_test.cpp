#include <gtest/gtest.h>

#include <optional>

#include "core/quoted.hpp"
#include "proto/checks.hpp"
#include "proto/quick_target.hpp"
#include "proto/unicode.hpp"

namespace ovelin {
namespace {

// The InvalidProfile text of a failed check, or nullopt when it passed.
std::optional<std::string> failure(const CheckResult& r) {
    if (r) return std::nullopt;
    EXPECT_EQ(r.error().kind(), LaunchError::Kind::InvalidProfile);
    return r.error().detail();
}

TEST(LaunchError, ShownForms) {
    EXPECT_EQ(LaunchError::invalid_profile("host is empty").message(), "invalid profile: host is empty");
    EXPECT_EQ(LaunchError::program_not_found("configured VNC viewer not found: x").message(),
              "program not found: configured VNC viewer not found: x");
    const auto io = LaunchError::io(std::make_error_code(std::errc::permission_denied));
    EXPECT_EQ(io.message(), "i/o error: " + std::make_error_code(std::errc::permission_denied).message());
    EXPECT_EQ(io.kind(), LaunchError::Kind::Io);
}

TEST(Unicode, LowerCasing) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"ProxyCommand", "proxycommand"},
        {"\xe2\x84\xaa", "k"},                          // KELVIN SIGN
        {"\xc4\xb0", "i\xcc\x87"},                      // I WITH DOT ABOVE: i and a combining dot
        {"\xc3\x80\xc3\x9e", "\xc3\xa0\xc3\xbe"},       // À Þ
        {"\xc3\x97", "\xc3\x97"},                       // × has no lower case
        {"\xc4\x80\xc4\x81\xc4\x82", "\xc4\x81\xc4\x81\xc4\x83"},  // Ā ā Ă: every other one maps
        {"\xce\xa3\xce\x91", "\xcf\x83\xce\xb1"},       // ΣΑ
        {"\xd0\x96", "\xd0\xb6"},                       // Ж
        {"\xe1\xba\x9e", "\xc3\x9f"},                   // ẞ to ß
        {"\xe2\x84\xab", "\xc3\xa5"},                   // ANGSTROM SIGN to å
        {"\xef\xbc\xa1", "\xef\xbd\x81"},               // fullwidth A
        {"\xf0\x90\x90\x80", "\xf0\x90\x90\xa8"},       // DESERET CAPITAL LONG I
        {"\xf0\x9e\xa4\x80", "\xf0\x9e\xa4\xa2"},       // ADLAM CAPITAL ALIF
        {"\xe1\xbe\x88", "\xe1\xbe\x80"},               // Greek with prosgegrammeni
        {"bad\xff\xc3", "bad\xff\xc3"},                 // invalid bytes pass through
        {"\xc5\xbf", "\xc5\xbf"},                       // long s is already lower case
    };
    for (const auto& c : cases) EXPECT_EQ(to_lower_full(c.in), c.out) << c.in;
}

// Only ASCII letters and two code points lower-case into ASCII; every other
// code point must stay outside it, or a forbidden word could be spelled
// with look-alikes the check misses (or refused where it should not be).
TEST(Unicode, OnlyKnownCodePointsLowerIntoAscii) {
    for (char32_t c = 0x80; c < 0x110000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const char32_t lower = simple_lower(c);
        if (c == 0x212A)
            EXPECT_EQ(lower, U'k');
        else if (c == 0x130)
            EXPECT_EQ(lower, 0x130u) << "handled as two code points by to_lower_full";
        else
            EXPECT_GE(lower, 0x80u) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(Unicode, WhiteSpaceTrimming) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"  a b  ", "a b"},
        {"\t\n\v\f\ra\r\n", "a"},
        {"\xc2\x85\xc2\xa0x\xe3\x80\x80", "x"},                 // NEL, NBSP, ideographic space
        {"\xe2\x80\x8ax\xe2\x80\xa8\xe2\x80\xaf\xe2\x81\x9f", "x"},  // hair, line sep, narrow nbsp, mmsp
        {"\xe1\x9a\x80y", "y"},                                 // ogham space mark
        {"\xe2\x80\x8bz\xe2\x80\x8b", "\xe2\x80\x8bz\xe2\x80\x8b"},  // zero width space is not White_Space
        {"\x1c" "a", "\x1c" "a"},                               // nor the information separators
        {"   ", ""},
        {"", ""},
        {"\xff ", "\xff"},
    };
    for (const auto& c : cases) EXPECT_EQ(trim_white_space(c.in), c.out) << c.in;
}

TEST(Checks, NoControl) {
    const struct {
        const char* value;
        bool ok;
    } cases[] = {
        {"plain text", true},  {"tab\there", false}, {"\x7f", false},   {"\x1f", false},
        {"\xc2\x9f", false},   {"\xc2\xa0", true},   {"\xc2\x85", false}, {"", true},
        {"\xe2\x80\xa8", true},  // a line separator is not a control character
    };
    for (const auto& c : cases) {
        auto r = failure(check_no_control("command", c.value));
        if (c.ok)
            EXPECT_FALSE(r) << c.value;
        else
            EXPECT_EQ(r, "command contains control characters") << c.value;
    }
}

TEST(Checks, Host) {
    const struct {
        const char* host;
        const char* message;  // nullptr: accepted
    } cases[] = {
        {"server1", nullptr},
        {"a-b.c_d:e", nullptr},
        {"fe80::1", nullptr},
        {"", "host is empty"},
        {"-oProxyCommand=x", "host must not start with '-'"},
        {"-", "host must not start with '-'"},
        {"my server", R"(host contains invalid characters: "my server")"},
        {"a@b", R"(host contains invalid characters: "a@b")"},
        {"a%eth0", R"(host contains invalid characters: "a%eth0")"},
        {"a/b", R"(host contains invalid characters: "a/b")"},
        {"[fe80::1]", R"(host contains invalid characters: "[fe80::1]")"},
        {"h\xc3\xa9st", "host contains invalid characters: \"h\xc3\xa9st\""},
        {"a\"b\\c", R"(host contains invalid characters: "a\"b\\c")"},
        {"a\nb", R"(host contains invalid characters: "a\nb")"},
        {"a\x1b", R"(host contains invalid characters: "a\u{1b}")"},
    };
    for (const auto& c : cases) {
        auto r = failure(check_host(c.host));
        if (c.message)
            EXPECT_EQ(r, c.message) << c.host;
        else
            EXPECT_FALSE(r) << c.host;
    }
}

TEST(Checks, Ports) {
    EXPECT_EQ(failure(check_port(0)), "port must be non-zero");
    EXPECT_FALSE(failure(check_port(1)));
    EXPECT_FALSE(failure(check_port(65535)));

    const struct {
        const char* text;
        int port;              // when it parses
        const char* message;   // when it does not
    } cases[] = {
        {"22", 22, nullptr},
        {"+22", 22, nullptr},
        {"65535", 65535, nullptr},
        {"00022", 22, nullptr},
        {"000000000000000000000001", 1, nullptr},
        {"0", 0, "port must be non-zero"},
        {"+0", 0, "port must be non-zero"},
        {"", 0, R"(bad port: "")"},
        {"+", 0, R"(bad port: "+")"},
        {"-", 0, R"(bad port: "-")"},
        {"-1", 0, R"(bad port: "-1")"},
        {"++22", 0, R"(bad port: "++22")"},
        {"65536", 0, R"(bad port: "65536")"},
        {"99999999999999999999", 0, R"(bad port: "99999999999999999999")"},
        {" 22", 0, R"(bad port: " 22")"},
        {"22 ", 0, R"(bad port: "22 ")"},
        {"0x16", 0, R"(bad port: "0x16")"},
        {"2\t2", 0, R"(bad port: "2\t2")"},
        {"\xd9\xa2\xd9\xa2", 0, "bad port: \"\xd9\xa2\xd9\xa2\""},  // Arabic-Indic digits
        {"\xef\xbc\x92", 0, "bad port: \"\xef\xbc\x92\""},           // fullwidth 2
    };
    for (const auto& c : cases) {
        auto r = parse_port(c.text);
        if (c.message) {
            ASSERT_FALSE(r) << c.text;
            EXPECT_EQ(r.error().message(), std::string("invalid profile: ") + c.message) << c.text;
        } else {
            ASSERT_TRUE(r) << c.text << ": " << r.error().message();
            EXPECT_EQ(*r, c.port) << c.text;
        }
    }
}

TEST(Checks, NameValues) {
    const struct {
        const char* label;
        const char* value;
        const char* message;
    } cases[] = {
        {"user", "alice", nullptr},
        {"user", "a@b", nullptr},
        {"user", "x y \"z\"", nullptr},  // quoting keeps it one argument
        {"domain", "CORP", nullptr},
        {"user", "", "user is empty"},
        {"domain", "", "domain is empty"},
        {"user", "-oProxyCommand=x", "user must not start with '-'"},
        {"domain", "-x", "domain must not start with '-'"},
        {"user", "bob\r\nadmin", "user contains control characters"},
        {"domain", "\x1b", "domain contains control characters"},  // control before empty or hyphen
        {"user", "-\x01", "user contains control characters"},
        {"user", " -x", nullptr},  // only the first character counts
    };
    for (const auto& c : cases) {
        auto r = failure(check_name_value(c.label, c.value));
        if (c.message)
            EXPECT_EQ(r, c.message) << c.value;
        else
            EXPECT_FALSE(r) << c.value;
    }
}

// ssh expands a user name into commands of the user's own configuration,
// run by a shell: none of a shell's characters may be in one.
TEST(Checks, UserNames) {
    const struct {
        std::string user;
        const char* message;
    } fixed[] = {
        {"alice", nullptr}, {"a@b", nullptr}, {"first.last_1-x+y=z~", nullptr}, {"j\xc3\xb6rg", nullptr},
        {"", "user is empty"}, {"-x", "user must not start with '-'"}, {"a\tb", "user contains control characters"},
        {"a\xc2\xa0" "b", "user contains invalid characters: \"a\xc2\xa0" "b\""},  // no-break space
        {"\xe3\x80\x80", "user contains invalid characters: \"\xe3\x80\x80\""},
    };
    for (const auto& c : fixed)
        EXPECT_EQ(failure(check_user_name(c.user)), c.message ? std::optional<std::string>(c.message) : std::nullopt)
            << c.user;
    for (char c : std::string_view("'\"`&|;<>()$\\^%! ")) {
        const std::string user = std::string("a") + c + "b";
        EXPECT_EQ(failure(check_user_name(user)), "user contains invalid characters: " + debug_quoted(user)) << user;
        // Quick connect refuses it the same way.
        auto target = parse_quick_target(user + "@server1");
        ASSERT_FALSE(target) << user;
        EXPECT_EQ(target.error().detail(), "user contains invalid characters: " + debug_quoted(user));
    }
}

TEST(Checks, ExtraArgs) {
    using Args = std::vector<std::string>;
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {{}, nullptr},
        {{"-v", "-oServerAliveInterval=30", "-L", "8080:localhost:80"}, nullptr},
        {{"-oProxyJump=bastion"}, nullptr},
        {{"-oProxyCommand=x"}, R"(extra_args entry "-oProxyCommand=x" contains forbidden option (proxycommand))"},
        {{"-o", "LocalCommand=y"}, R"(extra_args entry "LocalCommand=y" contains forbidden option (localcommand))"},
        {{"foo-remotecommand"}, R"(extra_args entry "foo-remotecommand" contains forbidden option (remotecommand))"},
        {{"PROXYCOMMAND"}, R"(extra_args entry "PROXYCOMMAND" contains forbidden option (proxycommand))"},
        // Lower-casing the whole entry leaves the word findable beside
        // non-ASCII capitals.
        {{"\xc3\x84-oPROXY\xc4\xb0" "COMMAND\xc3\x84ProxyCommand"},
         "extra_args entry \"\xc3\x84-oPROXY\xc4\xb0" "COMMAND\xc3\x84ProxyCommand\" contains forbidden option "
         "(proxycommand)"},
        // Look-alikes that do not lower-case into ASCII are other words.
        {{"\xef\xbd\x90roxycommand", "pro\xe2\x84\xaay"}, nullptr},
        // The first word in the fixed order is named, not the first in the text.
        {{"remotecommand proxycommand"},
         R"(extra_args entry "remotecommand proxycommand" contains forbidden option (proxycommand))"},
        // The first failing entry wins, control characters before words.
        {{"-v", "a\tb", "-oProxyCommand=x"}, "extra_args entry contains control characters"},
        {{"ProxyCommand\x01"}, "extra_args entry contains control characters"},
        {{"x\"y", "localcommand\\"}, R"(extra_args entry "localcommand\\" contains forbidden option (localcommand))"},
        {{"proxy command", "proxy-command", "pr\xc3\xb6xycommand"}, nullptr},
    };
    for (const auto& c : cases) {
        auto r = failure(check_extra_args(c.args));
        if (c.message)
            EXPECT_EQ(r, c.message) << ::testing::PrintToString(c.args);
        else
            EXPECT_FALSE(r) << ::testing::PrintToString(c.args);
    }
}

}  // namespace
}  // namespace ovelin
