#include <gtest/gtest.h>

#include "proto/quick_target.hpp"

namespace ovelin {
namespace {

struct Case {
    const char* input;
    const char* message;  // nullptr: parses into the fields below
    const char* host = "";
    int port = 22;
    const char* user = nullptr;
};

TEST(QuickTarget, ParsesOrGivesTheFirstFailure) {
    const Case cases[] = {
        {"  alice@server1  ", nullptr, "server1", 22, "alice"},
        {"server1", nullptr, "server1"},
        {"a@b@server1:2222", nullptr, "server1", 2222, "a@b"},
        {"[fe80::1]:2200", nullptr, "fe80::1", 2200},
        {"[fe80::1]", nullptr, "fe80::1"},
        {"fe80::1", nullptr, "fe80::1"},
        {"bob@fe80::1:22", nullptr, "fe80::1:22", 22, "bob"},  // several colons: all host
        {"server1:+22", nullptr, "server1"},
        {"server1:65535", nullptr, "server1", 65535},
        {"\tserver1\xe3\x80\x80", nullptr, "server1"},  // tab and ideographic space trimmed
        {"x y@h", R"(user contains invalid characters: "x y")"},

        {"", "quick connect input is empty"},
        {" \t\xc2\xa0 ", "quick connect input is empty"},
        {"ser\tver1", "quick connect input contains control characters"},
        {"a@b\x1b", "quick connect input contains control characters"},
        {"@server1", "user is empty"},
        {"@", "user is empty"},
        {"bob@", "host is empty"},
        {"[fe80::1]x", R"(unexpected text after ']': "x")"},
        {"[fe80::1]\"x", R"(unexpected text after ']': "\"x")"},
        {"[fe80::1", "unclosed '[' in host"},
        {"[fe80::1]:", R"(bad port: "")"},
        {"[fe80::1]:22:33", R"(bad port: "22:33")"},
        {"[]", "host is empty"},
        {"[a[b]", R"(host contains invalid characters: "a[b")"},
        {"a]b", R"(host contains invalid characters: "a]b")"},
        {":22", "host is empty"},
        {":x", R"(bad port: "x")"},  // the port is read before the host is checked
        {"server1:", R"(bad port: "")"},
        {"server1:0", "port must be non-zero"},
        {"server1:65536", R"(bad port: "65536")"},
        {"server1:-1", R"(bad port: "-1")"},
        {"server1: 22", R"(bad port: " 22")"},
        {"-oProxyCommand=x", "host must not start with '-'"},
        {"-u@-h", "host must not start with '-'"},  // host before user
        {"-u@h", "user must not start with '-'"},
        {"my server", R"(host contains invalid characters: "my server")"},
        {"[my server]:22", R"(host contains invalid characters: "my server")"},
        {"h\xc3\xa9@x", nullptr, "x", 22, "h\xc3\xa9"},
        {"x@h\xc3\xa9", "host contains invalid characters: \"h\xc3\xa9\""},
    };
    for (const Case& c : cases) {
        auto r = parse_quick_target(c.input);
        if (c.message) {
            ASSERT_FALSE(r) << c.input;
            EXPECT_EQ(r.error().kind(), LaunchError::Kind::InvalidProfile);
            EXPECT_EQ(r.error().detail(), c.message) << c.input;
        } else {
            ASSERT_TRUE(r) << c.input << ": " << r.error().message();
            EXPECT_EQ(r->host, c.host) << c.input;
            EXPECT_EQ(r->port, c.port) << c.input;
            EXPECT_EQ(r->user, c.user ? std::optional<std::string>(c.user) : std::nullopt) << c.input;
        }
    }
}

TEST(QuickTarget, BecomesAnSshProfile) {
    auto t = parse_quick_target("alice@server1:2222");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->to_ssh(), (Ssh{"server1", 2222, "alice", std::nullopt, {}}));
}

}  // namespace
}  // namespace ovelin
