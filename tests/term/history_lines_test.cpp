// A screen's history read by line numbers that stay with their text, and what
// it tells kept views about changes and scrolls.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "term/screen.hpp"

namespace ovelin {
namespace {

std::string numbered(int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i) s += "line " + std::to_string(i) + "\r\n";
    return s;
}

std::string line_of(const Screen& s, std::uint64_t line) {
    return s.text_between({line, 0}, {line, 65535});
}

std::string text_of(const LineText& t) {
    if (!t.ascii.empty()) return std::string(t.ascii);
    std::string out;
    for (char32_t c : t.chars) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

TEST(HistoryLines, NumbersStayWithTheirText) {
    const struct {
        const char* name;
        std::uint16_t rows, cols;
        std::size_t capacity;
        std::vector<std::string> steps;  // fed in turn; "resize R" resizes to R rows
        std::uint64_t first, top;
        std::vector<std::pair<std::uint64_t, std::string>> lines;
    } cases[] = {
        {"lines pushed keep their numbers", 4, 20, 100, {numbered(0, 10)}, 0, 7,
         {{0, "line 0"}, {6, "line 6"}, {7, "line 7"}, {9, "line 9"}, {10, ""}}},
        {"dropping the oldest keeps the numbers of the rest", 4, 20, 3, {numbered(0, 10)}, 4, 7,
         {{3, ""}, {4, "line 4"}, {9, "line 9"}}},
        {"a region at the top pushes, the status line below stays", 4, 20, 100,
         {"\x1b[4;1Hstatus\x1b[1;3r\x1b[3;1H", numbered(0, 5)}, 0, 5,
         {{0, ""}, {2, "line 0"}, {4, "line 2"}, {5, "line 3"}, {8, "status"}}},
        {"a region lower down pushes nothing", 4, 20, 100, {"\x1b[2;4r\x1b[4;1H", numbered(0, 5)}, 0, 0,
         {{0, ""}, {2, "line 4"}, {3, ""}}},
        {"the alternate grid counts its own rows", 4, 20, 100,
         {numbered(0, 6), "\x1b[?1049h\x1b[H", numbered(10, 16)}, 3, 3, {{2, ""}, {3, "line 13"}, {5, "line 15"}}},
        {"back from the alternate grid", 4, 20, 100, {numbered(0, 6), "\x1b[?1049h", numbered(10, 16), "\x1b[?1049l"},
         0, 3, {{0, "line 0"}, {4, "line 4"}, {5, "line 5"}}},
        {"fewer rows push lines, more rows pull them back", 4, 20, 100,
         {numbered(0, 6), "resize 2", "x", "resize 5"}, 0, 2,
         {{1, "line 1"}, {3, "line 3"}, {5, "line 5"}, {6, "x"}}},
        {"a wrapped line reads as two", 4, 8, 100, {"abcdefghij\r\n", numbered(0, 3)}, 0, 2,
         {{0, "abcdefgh"}, {1, "ij"}, {2, "line 0"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Screen s(c.rows, c.cols, c.capacity);
        for (const std::string& step : c.steps) {
            if (step.starts_with("resize "))
                s.resize(static_cast<std::uint16_t>(std::stoi(step.substr(7))), c.cols);
            else
                s.feed(step);
        }
        EXPECT_EQ(s.first_line(), c.first);
        EXPECT_EQ(s.top_line(), c.top);
        for (const auto& [line, text] : c.lines) EXPECT_EQ(line_of(s, line), text) << "line " << line;
        // Screen rows read the same by line as by row.
        std::vector<CellView> by_row, by_line;
        for (std::uint16_t r = 0; r < s.rows(); ++r) {
            s.read_row(r, by_row);
            s.read_line(s.top_line() + r, by_line);
            ASSERT_EQ(by_row.size(), by_line.size());
            for (std::size_t k = 0; k < by_row.size(); ++k) EXPECT_EQ(by_row[k].text, by_line[k].text);
        }
    }
}

TEST(HistoryLines, ScrollbackLinesReadAsTheyWereShown) {
    // A row with colours, a wide character and a cut-off edge, shown and then pushed.
    Screen s(3, 10);
    s.feed("\x1b[31mab\x1b[44m \xe6\x97\xa5\x1b[0m x\x1b[7mz");
    std::vector<CellView> shown, kept;
    s.read_row(0, shown);
    s.feed("\r\n\r\n\r\n");
    ASSERT_EQ(s.first_line(), 0u);
    ASSERT_EQ(s.top_line(), 1u);
    s.read_line(0, kept);
    ASSERT_EQ(kept.size(), shown.size());
    for (std::size_t c = 0; c < kept.size(); ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(kept[c].text, shown[c].text);
        if (!shown[c].wide_continuation) {  // never drawn: its colours do not matter
            EXPECT_EQ(kept[c].fg, shown[c].fg);
            EXPECT_EQ(kept[c].bg, shown[c].bg);
        }
        EXPECT_EQ(kept[c].inverse, shown[c].inverse);
        EXPECT_EQ(kept[c].wide, shown[c].wide);
        EXPECT_EQ(kept[c].wide_continuation, shown[c].wide_continuation);
    }
}

TEST(HistoryLines, ChangesAndMovesAreTold) {
    // A 6-row screen full of numbered lines; what the bytes then change.
    const struct {
        const char* name;
        std::string bytes;
        std::vector<int> changed;  // rows of the screen after the bytes (top_line() + row)
        std::vector<LineMove> moves;  // without their time
        std::uint64_t top;
    } cases[] = {
        {"cursor movement changes nothing", "\x1b[2;3H\x1b[A\x1b[5G", {}, {}, 1},
        {"writing changes its row", "\x1b[3;1Hxy", {2}, {}, 1},
        {"output scrolling the whole screen moves nothing", "\r\nnew", {5}, {}, 2},
        {"a region lower down moves its lines", "\x1b[3;5r\x1b[5;1H\n", {4}, {{0, 3, 6, -1}}, 1},
        {"reverse index at the top moves the screen down", "\x1b[H\x1bM", {0}, {{0, 1, 7, 1}}, 1},
        {"inserting lines", "\x1b[2;1H\x1b[2L", {1, 2}, {{0, 2, 7, 2}}, 1},
        {"a region at the top moves the status line on", "\x1b[1;4r\x1b[4;1H\n", {3}, {{0, 5, 8, 1}}, 2},
        {"sideways scrolls change rows instead", "\x1b[?69h\x1b[2;5s\x1b[3;2H\x1b[2M\x1b[?69l", {2, 3, 4, 5}, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Screen s(6, 20);
        s.feed(numbered(0, 6) + "line 6");
        ASSERT_EQ(s.top_line(), 1u);
        const std::uint64_t then = s.clock();
        s.feed(c.bytes);
        EXPECT_EQ(s.top_line(), c.top);
        std::vector<int> changed;
        for (int r = 0; r < s.rows(); ++r)
            if (s.line_changed(s.top_line() + r) > then) changed.push_back(r);
        EXPECT_EQ(changed, c.changed);
        EXPECT_LE(s.line_changed(0), then) << "a line that left the screen did not change";
        std::vector<LineMove> moves;
        EXPECT_TRUE(s.moves_since(then, moves));
        for (LineMove& m : moves) {
            EXPECT_GT(m.time, then);
            m.time = 0;
        }
        EXPECT_EQ(moves, c.moves);
        EXPECT_LE(s.clock() - then, 40u) << "the clock moves with the changes";
    }
    // Moves beyond what is kept are not pretended complete.
    Screen s(6, 20);
    const std::uint64_t then = s.clock();
    std::string many;
    for (int i = 0; i < 100; ++i) many += "\x1b[2;5r\x1b[5;1H\n";
    s.feed(many);
    std::vector<LineMove> moves;
    EXPECT_FALSE(s.moves_since(then, moves));
    EXPECT_TRUE(s.moves_since(s.clock() - 1, moves));
}

TEST(HistoryLines, LineTextForSearching) {
    const struct {
        const char* name;
        std::string bytes;
        bool pushed;  // read from the scrollback, else from the screen
        std::string text;
        bool ascii;
        std::vector<std::uint16_t> cols;  // when not ascii
        bool wrapped;
    } cases[] = {
        {"plain text in the scrollback is its bytes", "plain tx  ", true, "plain tx", true, {}, false},
        {"a wrapped plain line", "0123456789ab", true, "0123456789", true, {}, true},
        {"colours are read through, as bytes", "a\x1b[31mb\x1b[0mc", true, "abc", true, {}, false},
        {"blank cells between read as spaces", "a\x1b[3Cb", true, "a   b", false, {0, 1, 2, 3, 4}, false},
        {"a wide character once, at its column", "\xe6\x97\xa5x", true, "?x", false, {0, 2}, false},
        {"combining characters share the column", "e\xcc\x81z", true, "e?z", false, {0, 0, 1}, false},
        {"a screen row of ASCII as bytes", "ab  c", false, "ab  c", true, {}, false},
        {"a screen row with a gap by characters", "ab\x1b[2Cc", false, "ab  c", false, {0, 1, 2, 3, 4}, false},
        {"an empty line", "", true, "", false, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Screen s(3, 10);
        s.feed(c.bytes);
        const std::uint64_t line = s.top_line();
        if (c.pushed) s.feed("\x1b[3;1H\r\n\r\n\r\n\r\n");
        ASSERT_EQ(line < s.top_line(), c.pushed);
        LineText t;
        s.line_text(line, t);
        EXPECT_EQ(text_of(t), c.text);
        EXPECT_EQ(!t.ascii.empty(), c.ascii);
        if (!c.ascii) {
            EXPECT_EQ(t.cols, c.cols);
        }
        EXPECT_EQ(t.wrapped, c.wrapped);
    }
}

TEST(HistoryLines, TextBetweenSpansScrollbackAndScreen) {
    Screen s(3, 10);
    s.feed("hello world\r\n" + numbered(0, 3) + "last");
    // Lines: 0 "hello worl" (wrapped) 1 "d", 2 line 0 | screen: 3 line 1, 4 line 2, 5 last.
    ASSERT_EQ(s.top_line(), 3u);
    const struct {
        LinePoint from, to;
        std::string want;
    } cases[] = {
        {{0, 6}, {1, 1}, "world"},
        {{3, 5}, {5, 2}, "1\nline 2\nla"},
        {{1, 0}, {4, 65535}, "d\nline 0\nline 1\nline 2"},
        {{5, 0}, {900, 0}, "last"},
        {{4, 4}, {2, 0}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(s.text_between(c.from, c.to), c.want) << c.from.line << " " << c.to.line;
    EXPECT_EQ(s.history_text(), "hello world\nline 0\nline 1\nline 2\nlast");
    s.feed("\x1b[?1049hfull screen");
    EXPECT_EQ(s.history_text(), "hello world\nline 0\nline 1\nline 2\nlast") << "the main grid whatever is shown";
}

}  // namespace
}  // namespace ovelin
