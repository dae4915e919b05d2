#include <gtest/gtest.h>

#include "core/quoted.hpp"
#include "core/utf.hpp"

namespace ovelin {
namespace {

TEST(Text, QuotedEscapesLikeDebugOutput) {
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"plain", R"("plain")"},
        {"", R"("")"},
        {"a\"b\\c", R"("a\"b\\c")"},
        {"tab\there\r\n", R"("tab\there\r\n")"},
        {std::string("nul\0x", 5), R"("nul\0x")"},
        {"\x1b[1m", R"("\u{1b}[1m")"},
        {"\x7f", R"("\u{7f}")"},
        {"\xc2\x85", R"("\u{85}")"},
        {"héllo 日本", "\"héllo 日本\""},
        {"bad\xff", R"("bad\xff")"},
    };
    for (const auto& c : cases) EXPECT_EQ(debug_quoted(c.in), c.out) << c.in;
}

TEST(Text, Utf16Conversions) {
    EXPECT_EQ(utf16_to_utf8(u"a\u00e9\u65e5").value(), "a\xc3\xa9\xe6\x97\xa5");
    EXPECT_EQ(utf16_to_utf8(u"\U0001F600").value(), "\xf0\x9f\x98\x80");
    EXPECT_FALSE(utf16_to_utf8(std::u16string(1, char16_t(0xD83D))).has_value());
    EXPECT_FALSE(utf16_to_utf8(std::u16string(1, char16_t(0xDE00))).has_value());
    EXPECT_EQ(utf8_to_utf16("\xf0\x9f\x98\x80x"), u"\U0001F600x");
    EXPECT_EQ(utf8_to_utf16("a\xffz"), u"a\uFFFDz");
    EXPECT_FALSE(is_valid_utf8("\xed\xa0\x80"));  // encoded surrogate
    EXPECT_FALSE(is_valid_utf8("\xc0\xaf"));      // overlong
    EXPECT_TRUE(is_valid_utf8("ok \xe2\x82\xac"));
}

}  // namespace
}  // namespace ovelin
