// Finding text in a screen's history: folding, wrapped lines, and where each
// match's cells are.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/find_matches.hpp"

namespace ovelin {
namespace {

// A match as "line:col-line:col" (end exclusive).
std::string spans(const std::vector<FoundSpan>& found) {
    std::string s;
    for (const FoundSpan& f : found) {
        if (!s.empty()) s += ' ';
        s += std::to_string(f.start.line) + ":" + std::to_string(f.start.col) + "-" + std::to_string(f.end.line) +
             ":" + std::to_string(f.end.col);
    }
    return s;
}

TEST(Find, CaseFoldingAndWrappedLines) {
    // 3 rows of 10: what is fed scrolls into the history, lines numbered from 0.
    const struct {
        const char* name;
        std::string bytes;
        std::string needle;
        std::string want;
    } cases[] = {
        {"any case, every match, none overlapping", "abcABCabc\r\naaaa\r\n", "ABC", "0:0-0:3 0:3-0:6 0:6-0:9"},
        {"non-overlapping runs", "aaaa\r\n", "aa", "0:0-0:2 0:2-0:4"},
        {"absent", "hello\r\nworld\r\n", "xyz", ""},
        {"one character", "a.b\r\n", ".", "0:1-0:2"},
        {"the Kelvin sign and long s fold to ASCII", "\xe2\x84\xaa\xc5\xbf \r\n", "ks", "0:0-0:2"},
        {"final sigma folds to sigma", "\xce\xa3\xce\xbf\xcf\x82\r\n", "\xcf\x83\xce\xbf\xcf\x83", "0:0-0:3"},
        {"capital sharp s folds to sharp s, not ss", "\xe1\xba\x9e ss\r\n", "\xc3\x9f", "0:0-0:1"},
        {"Greek capitals", "\xce\x91\xce\x92\xce\x93\r\n", "\xce\xb1\xce\xb2", "0:0-0:2"},
        {"colours do not stand between letters", "a\x1b[31mB\x1b[0mc\r\n", "abc", "0:0-0:3"},
        {"a wrapped line is searched with the next", "0123456789abcdef\r\n", "89ab", "0:8-1:2"},
        {"the blank a wrapped line ends with is text", "123456789 next\r\n", "9 ne", "0:8-1:2"},
        {"lines that do not wrap are apart", "abc\r\ndef\r\n", "cd", ""},
        {"wide characters at their column", "\xe6\x97\xa5\xe6\x9c\xac" "x\r\n", "\xe6\x9c\xacX", "0:2-0:5"},
        {"blanks between characters are spaces", "a\x1b[2Cb\r\n", "a  b", "0:0-0:4"},
        {"on the screen as in the history", "one\r\n", "ONE", "0:0-0:3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Screen s(3, 10);
        s.feed(c.bytes + "\r\n\r\n\r\n");
        std::vector<FoundSpan> found;
        find_matches(s, FindNeedle(c.needle), s.first_line(), found);
        EXPECT_EQ(spans(found), c.want);
    }
    // Lines left on the screen are found there too, and a search can start
    // where the text begins.
    Screen s(3, 10);
    s.feed("0123456789abc\r\nabc");
    std::vector<FoundSpan> found;
    find_matches(s, FindNeedle("ABC"), text_start(s, 1), found);
    EXPECT_EQ(s.top_line(), 0u);
    EXPECT_EQ(text_start(s, 1), 0u);
    EXPECT_EQ(spans(found), "1:0-1:3 2:0-2:3");
    found.clear();
    find_matches(s, FindNeedle(""), 0, found);
    EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace ovelin
