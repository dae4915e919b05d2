#include <gtest/gtest.h>

#include <random>

#include "proto/quote.hpp"
#include "proto/windows_argv.hpp"

namespace ovelin {
namespace {

using testing::split_windows_command_line;
using Args = std::vector<std::string>;

// The reference must itself agree with the runtime's documented examples
// before it can judge the quoting.
TEST(WindowsArgv, ReferenceSplitterFollowsTheRuntimeRules) {
    const struct {
        const char* line;
        Args argv;
    } cases[] = {
        {R"(p "abc" d e)", {"p", "abc", "d", "e"}},
        {R"(p a\\\b d"e f"g h)", {"p", R"(a\\\b)", "de fg", "h"}},
        {R"(p a\\\"b c d)", {"p", R"(a\"b)", "c", "d"}},
        {R"(p a\\\\"b c" d e)", {"p", R"(a\\b c)", "d", "e"}},
        {R"(p a"b"" c d)", {"p", R"(ab" c d)"}},
        {"p \t a\t\tb  ", {"p", "a", "b"}},
        {R"(p "" "")", {"p", "", ""}},
        {R"(p x\)", {"p", R"(x\)"}},
        {R"("C:\Program Files\x.exe" a)", {R"(C:\Program Files\x.exe)", "a"}},
        {R"(C:\dir\"x y"\p.exe a)", {R"(C:\dir\x y\p.exe)", "a"}},  // no escapes in the name
        {"p", {"p"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_windows_command_line(c.line), c.argv) << c.line;
}

TEST(QuoteArg, Forms) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", R"("")"},
        {"server1", "server1"},
        {R"(C:\keys\id)", R"(C:\keys\id)"},      // backslashes alone need nothing
        {R"(trailing\)", R"(trailing\)"},        // nor at the end when unquoted
        {"a b", R"("a b")"},
        {"a\tb", "\"a\tb\""},
        {R"(a"b)", R"("a\"b")"},
        {R"(")", R"("\"")"},
        {R"(a\"b)", R"("a\\\"b")"},
        {R"(a\\"b)", R"("a\\\\\"b")"},
        {R"(C:\my dir\)", R"("C:\my dir\\")"},  // the last backslash doubled inside quotes
        {R"(a\\ b\\)", R"("a\\ b\\\\")"},
        {R"(x\y z)", R"("x\y z")"},
        {"h\xc3\xa9llo w\xc3\xb6rld", "\"h\xc3\xa9llo w\xc3\xb6rld\""},
        {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac"},
    };
    for (const auto& c : cases) EXPECT_EQ(quote_arg(c.in), c.out) << c.in;
}

TEST(QuoteArg, CommandLineJoinsWithSingleSpaces) {
    EXPECT_EQ(command_line("ssh.exe", {}), "ssh.exe");
    EXPECT_EQ(command_line(R"(C:\Program Files\v.exe)", {"-p", "", "a b"}),
              R"("C:\Program Files\v.exe" -p "" "a b")");
}

// Pieces chosen to hit every rule: runs of backslashes before quotes and
// at the end, quotes, separators, empties and multi-byte characters.
std::string random_arg(std::mt19937_64& rng) {
    static const char* const pieces[] = {
        "a", "Z", "0", "-", "=", "/", ":", "@", ".", " ", "  ", "\t", "\"", "\"\"", "\\", "\\\\", "\\\\\\",
        "\\\"", "\\\\\"", "'", "^", "&", "|", "%", "\xc3\xa9", "\xe6\x97\xa5", "\xf0\x9f\x98\x80", "\n", "*",
    };
    const int length = std::uniform_int_distribution<int>(0, 10)(rng);
    std::string arg;
    for (int i = 0; i < length; ++i) arg += pieces[rng() % std::size(pieces)];
    return arg;
}

TEST(QuoteArg, RoundTripsThroughTheRuntimeSplitter) {
    // A program name has no escapes: only plain names and paths with spaces.
    const char* const programs[] = {"ssh.exe", R"(C:\Windows\System32\OpenSSH\ssh.exe)",
                                    R"(C:\Program Files\TightVNC\tvnviewer.exe)", R"(D:\x y\z)"};
    std::mt19937_64 rng(0x0F5E7u);
    constexpr int CASES = 1000000;
    int failures = 0;
    for (int n = 0; n < CASES && failures < 5; ++n) {
        const std::string program = programs[rng() % std::size(programs)];
        Args args(std::uniform_int_distribution<int>(0, 6)(rng));
        for (auto& a : args) a = random_arg(rng);
        const std::string line = command_line(program, args);
        Args expected{program};
        expected.insert(expected.end(), args.begin(), args.end());
        const Args got = split_windows_command_line(line);
        if (got != expected) {
            ++failures;
            ADD_FAILURE() << "case " << n << ": command line [" << line << "] splits into " << got.size()
                          << " arguments, expected " << expected.size();
        }
        // Our own splitter gives the joined arguments back, and reads any
        // text (unbalanced quotes, odd backslashes) as the runtime does.
        if (split_arguments(join_arguments(args)) != args) {
            ++failures;
            ADD_FAILURE() << "case " << n << ": [" << join_arguments(args) << "] does not split back";
        }
        const std::string text = random_arg(rng) + " " + random_arg(rng);
        Args reference = split_windows_command_line("p " + text);
        reference.erase(reference.begin());
        if (split_arguments(text) != reference) {
            ++failures;
            ADD_FAILURE() << "case " << n << ": [" << text << "] splits unlike the runtime";
        }
    }
    RecordProperty("cases", CASES);
}

}  // namespace
}  // namespace ovelin
