// Our quoting against the system's own splitter, CommandLineToArgvW.

#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <random>

#include "core/utf.hpp"
#include "proto/quote.hpp"

namespace ovelin {
namespace {

using Args = std::vector<std::string>;

// The arguments after the program name, as the system splits them.
Args system_split(const std::string& line) {
    std::u16string u = utf8_to_utf16(line);
    std::wstring w(u.begin(), u.end());
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(w.c_str(), &argc);
    Args out;
    if (!argv) return {"(CommandLineToArgvW failed)"};
    for (int i = 1; i < argc; ++i) {
        std::wstring a(argv[i]);
        out.push_back(utf16_to_utf8(std::u16string(a.begin(), a.end())).value_or("(bad UTF-16)"));
    }
    ::LocalFree(argv);
    return out;
}

TEST(SystemArgv, SplitsQuotedArgumentsBackExactly) {
    std::vector<Args> samples = {
        {""},
        {"", "", ""},
        {"a b", "c\td", "e"},
        {"C:\\my dir\\", "x"},
        {"a\\\"b", "\\\\\"", "\"", "\"\""},
        {"trailing\\\\\\", "\\\\server\\share path\\"},
        {"-oSetEnv=A=\"x y\"", "h\xc3\xa9llo w\xc3\xb6rld", "\xe6\x97\xa5 \xf0\x9f\x98\x80"},
        {"alice@server1", "-p", "2222", "-i", "C:\\Users\\me\\.ssh\\my key"},
    };
    // And a seeded sample of random ones built from the characters that matter.
    static const char* const pieces[] = {"a", " ", "\t", "\"", "\\", "\\\\", "\\\"", "\xc3\xa9", "\xf0\x9f\x98\x80", "'"};
    std::mt19937 rng(4242);
    for (int n = 0; n < 3000; ++n) {
        Args args(1 + rng() % 4);
        for (auto& a : args)
            for (int k = rng() % 9; k > 0; --k) a += pieces[rng() % std::size(pieces)];
        samples.push_back(args);
    }
    for (const Args& args : samples) {
        const std::string line = command_line("C:\\Program Files\\prog.exe", args);
        ASSERT_EQ(system_split(line), args) << line;
    }
}

}  // namespace
}  // namespace ovelin
