#include <gtest/gtest.h>

#include <string>

#include "term/screen.hpp"

namespace ovelin {
namespace {

std::string numbered(int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i) s += "line " + std::to_string(i) + "\r\n";
    return s;
}

TEST(ScreenText, ContentsFollowsTheTextRules) {
    const struct {
        const char* name;
        int rows, cols;
        std::string bytes;
        std::string want;
    } cases[] = {
        {"trailing blanks give nothing", 3, 10, "abc", "abc"},
        {"typed trailing spaces give nothing", 3, 10, "abc   ", "abc"},
        {"blanks between characters give spaces", 3, 10, "a\x1b[4Cb", "a    b"},
        {"leading blanks give spaces", 3, 10, "\x1b[3Gx", "  x"},
        {"a line feed after each row", 3, 10, "ab\r\ncd", "ab\ncd"},
        {"empty rows between stay", 4, 10, "a\r\n\r\nb", "a\n\nb"},
        {"trailing line feeds removed", 4, 10, "a\r\n\r\n", "a"},
        {"wrapped row has no line feed", 3, 5, "abcdefgh", "abcdefgh"},
        {"wrap by a wide character", 3, 5, "abcd\xe6\x97\xa5", "abcd\xe6\x97\xa5"},
        {"explicit line end at the edge", 3, 5, "abcde\r\nfg", "abcde\nfg"},
        {"wide character once", 3, 10, "\xe6\x97\xa5\xe6\x9c\xac!", "\xe6\x97\xa5\xe6\x9c\xac!"},
        {"combining characters kept", 3, 10, "e\xcc\x81x", "e\xcc\x81x"},
        {"coloured blank cells are blank", 3, 10, "ab\x1b[41m\x1b[K\x1b[0m", "ab"},
        {"empty screen", 3, 10, "", ""},
        {"erasing the row end ends the wrap", 3, 5, "abcdefg\x1b[1;3H\x1b[K", "ab\nfg"},
    };
    for (const auto& c : cases) {
        Screen s(static_cast<std::uint16_t>(c.rows), static_cast<std::uint16_t>(c.cols));
        s.feed(c.bytes);
        EXPECT_EQ(s.contents(), c.want) << c.name;
    }
}

TEST(ScreenText, ContentsBetweenFollowsTheTextRules) {
    // Rows of a 6 x 10 screen: "hello worl" wraps into "d", then "  x", "",
    // "\u65e5y" (wide then narrow), "abc".
    Screen s(6, 10);
    s.feed("hello world\r\n  x\r\n\r\n\xe6\x97\xa5y\r\nabc");
    const struct {
        int sr, sc, er, ec;
        std::string want;
    } cases[] = {
        {0, 6, 0, 10, "worl"},
        {0, 6, 1, 1, "world"},                 // no line feed after the wrapped row
        {0, 0, 2, 3, "hello world\n  x"},
        {1, 0, 2, 10, "d\n  x"},               // the end row's trailing blanks give nothing
        {2, 0, 4, 3, "  x\n\n\xe6\x97\xa5y"},  // the empty row still ends in a line feed
        {4, 1, 4, 3, "y"},                     // only the right half of the wide character
        {4, 0, 4, 1, "\xe6\x97\xa5"},          // the left half brings the character once
        {5, 0, 5, 65535, "abc"},               // past the right edge
        {4, 0, 300, 0, "\xe6\x97\xa5y\nabc"},  // past the bottom: through the last row
        {3, 0, 3, 10, ""},
        {2, 5, 2, 2, ""},                      // end before start on one row
        {3, 0, 1, 0, ""},                      // end row before start row
        {9, 0, 9, 5, ""},                      // below the screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(s.contents_between(static_cast<std::uint16_t>(c.sr), static_cast<std::uint16_t>(c.sc),
                                     static_cast<std::uint16_t>(c.er), static_cast<std::uint16_t>(c.ec)),
                  c.want)
            << c.sr << "," << c.sc << " .. " << c.er << "," << c.ec;
}

TEST(ScreenState, TitleFromOperatingSystemCommands) {
    const std::string long_title(300, 'T');
    const struct {
        std::vector<std::string> chunks;
        std::string want;
    } cases[] = {
        {{"\x1b]0;zero\x07"}, "zero"},
        {{"\x1b]2;two\x1b\\"}, "two"},
        {{"\x1b]2;first\x07", "\x1b]2;second\x07"}, "second"},
        {{"\x1b]1;icon only\x07"}, ""},
        {{"\x1b]2;" + long_title.substr(0, 100), long_title.substr(100), "\x07"}, long_title},
        {{"\x1b]2;bad \xff byte\x07"}, "bad \xef\xbf\xbd byte"},
        {{"\x1b]2;t\xc3", "\xa9\x07"}, "t\xc3\xa9"},
        {{"\x1b]2;" + std::string(2000, 'x') + "\x07"}, std::string(1024, 'x')},
        {{"\x1b]2;" + std::string(1023, 'x') + "\xc3\xa9\x07"}, std::string(1023, 'x')},
        {{"\x1b]2;cancelled\x18 text"}, ""},
        {{"\x1b]2;split\x1b", "\\"}, "split"},  // the terminator cut between two feeds
    };
    for (const auto& c : cases) {
        Screen s(5, 20);
        for (const auto& chunk : c.chunks) s.feed(chunk);
        EXPECT_EQ(s.title(), c.want) << c.chunks.front().substr(0, 20);
    }
}

TEST(ScreenState, ModesFollowTheirSequences) {
    const struct {
        std::string bytes;
        bool alt, hidden, paste;
    } cases[] = {
        {"", false, false, false},
        {"\x1b[?1049h", true, false, false},
        {"\x1b[?1049h\x1b[?1049l", false, false, false},
        {"\x1b[?1047h", true, false, false},
        {"\x1b[?47h", true, false, false},
        {"\x1b[?47h\x1b[?47l", false, false, false},
        {"\x1b[?25l", false, true, false},
        {"\x1b[?25l\x1b[?25h", false, false, false},
        {"\x1b[?2004h", false, false, true},
        {"\x1b[?2004h\x1b[?2004l", false, false, false},
        {"\x1b[?1049;2004h", true, false, true},
        {"\x1b[?2004h\x1b" "c", false, false, false},  // a reset ends bracketed paste
        {"\x1b[?2004h\x1b[?2004", false, false, true},  // the rest has not arrived
        {"\x1b[?25l\x1b" "8", false, false, false},          // restoring what was never saved: the reset state
    };
    for (const auto& c : cases) {
        Screen s(5, 20);
        s.feed(c.bytes);
        EXPECT_EQ(s.alternate_screen(), c.alt) << c.bytes;
        EXPECT_EQ(s.hide_cursor(), c.hidden) << c.bytes;
        EXPECT_EQ(s.bracketed_paste(), c.paste) << c.bytes;
    }
}

// As xterm's: a restored cursor brings back the character sets, the shifts
// and a pending wrap, so a program that drew lines in the alternate screen
// leaves the prompt readable and a full line still wraps.
TEST(ScreenState, SavedCursorKeepsCharsetsShiftsAndPendingWrap) {
    const std::string line = "\xe2\x94\x80";  // q of the line-drawing set
    const struct {
        const char* name;
        std::string before;
        int grow_to;  // columns to resize to between the two, 0 for none
        std::string after;
        std::string want;
    } cases[] = {
        {"a designation", "\x1b(0\x1b" "7\x1b(B", 0, "\x1b" "8q", line},
        {"the alternate screen's designation goes", "\x1b[?1049h\x1b(0", 0, "\x1b[?1049lq", "q"},
        {"a shift out", "\x1b)0\x0e\x1b" "7\x0f", 0, "\x1b" "8q", line},
        {"a single shift", "\x1b*0\x1bN\x1b" "7x", 0, "\x1b" "8q", line},
        {"the single shift is used once", "\x1b*0\x1bN\x1b" "7x", 0, "\x1b" "8qq", line + "q"},
        {"a pending wrap", "abcde\x1b" "7\x1b[2;1Hx", 0, "\x1b" "8f", "abcdef"},
        {"a pending wrap across the alternate screen", "abcde\x1b[?1049hzz", 0, "\x1b[?1049lf", "abcdef"},
        {"a wrap pending in the alternate screen stays there", "ab\x1b[?1049h\x1b[1;5Hz", 0, "\x1b[?1049lf",
         "abf"},
        {"no wrap pending away from the last column", "abcde\x1b" "7", 10, "\x1b" "8f", "abcdf"},
        {"restoring what was never saved", "\x1b(0", 0, "\x1b" "8q", "q"},
    };
    for (const auto& c : cases) {
        Screen s(3, 5);
        s.feed(c.before);
        if (c.grow_to) s.resize(3, static_cast<std::uint16_t>(c.grow_to));
        s.feed(c.after);
        EXPECT_EQ(s.contents(), c.want) << c.name;
    }
}

TEST(ScreenState, AlternateScreenKeepsTheMainGrid) {
    for (const char* mode : {"47", "1047", "1049"}) {
        Screen s(4, 10);
        s.feed("main text");
        s.feed(std::string("\x1b[?") + mode + "h");
        EXPECT_EQ(s.contents(), "") << mode;
        s.feed("\x1b[Halt text\x1b[2;1Hmore");
        EXPECT_EQ(s.contents(), "alt text\nmore") << mode;
        s.feed(std::string("\x1b[?") + mode + "l");
        EXPECT_EQ(s.contents(), "main text") << mode;
    }
}

TEST(ScreenState, RepliesQueueUntilTaken) {
    Screen s(10, 20);
    s.feed("\x1b[c");
    s.feed("\x1b[3;5H\x1b[6n\x1b[5n");
    EXPECT_EQ(s.take_replies(), "\x1b[?1;2c\x1b[3;5R\x1b[0n");
    EXPECT_EQ(s.take_replies(), "");
    // A program asking without anyone answering does not grow memory forever.
    std::string flood;
    for (int i = 0; i < 50000; ++i) flood += "\x1b[c";
    s.feed(flood);
    const std::string replies = s.take_replies();
    EXPECT_GT(replies.size(), 1000u);
    EXPECT_LE(replies.size(), 64u * 1024);
}

TEST(ScreenCells, CellViewReportsColoursAndFlags) {
    Screen s(3, 10);
    s.feed("\x1b[31;42ma\x1b[38;5;200;48;2;1;2;3mb\x1b[0;7mc\x1b[0m\xe6\x97\xa5" "e\xcc\x81");
    const struct {
        int col;
        CellView want;
    } cases[] = {
        {0, {"a", Color::indexed(1), Color::indexed(2), false, false, false}},
        {1, {"b", Color::indexed(200), Color::rgb(1, 2, 3), false, false, false}},
        {2, {"c", Color{}, Color{}, true, false, false}},
        {3, {"\xe6\x97\xa5", Color{}, Color{}, false, true, false}},
        {4, {"", Color{}, Color{}, false, false, true}},
        {5, {"e\xcc\x81", Color{}, Color{}, false, false, false}},
        {6, {"", Color{}, Color{}, false, false, false}},
    };
    std::vector<CellView> row;
    s.read_row(0, row);
    ASSERT_EQ(row.size(), 10u);
    for (const auto& c : cases) {
        const CellView got = s.cell(0, static_cast<std::uint16_t>(c.col));
        EXPECT_EQ(got.text, c.want.text) << c.col;
        EXPECT_EQ(got.fg, c.want.fg) << c.col;
        EXPECT_EQ(got.bg, c.want.bg) << c.col;
        EXPECT_EQ(got.inverse, c.want.inverse) << c.col;
        EXPECT_EQ(got.wide, c.want.wide) << c.col;
        EXPECT_EQ(got.wide_continuation, c.want.wide_continuation) << c.col;
        EXPECT_EQ(row[static_cast<std::size_t>(c.col)].text, got.text) << c.col;
        EXPECT_EQ(row[static_cast<std::size_t>(c.col)].bg, got.bg) << c.col;
    }
    EXPECT_EQ(s.cell(7, 0).text, "");  // outside the screen
    s.feed("\x1b[?5h");                // reverse video flips every cell
    EXPECT_TRUE(s.cell(0, 0).inverse);
    EXPECT_FALSE(s.cell(0, 2).inverse);
}

TEST(ScreenScrollback, KeepsTheNewestLinesCompactly) {
    Screen s(5, 120);
    s.feed(numbered(0, 10'050));
    // 10,050 lines and a blank one under the cursor: 5 rows stay visible.
    ASSERT_EQ(s.scrollback_size(), 10'000u);
    EXPECT_EQ(s.scrollback_line(0), "line 46");
    EXPECT_EQ(s.scrollback_line(9'999), "line 10045");
    EXPECT_EQ(s.contents(), "line 10046\nline 10047\nline 10048\nline 10049");
    // Short lines of a wide screen cost their text, not the width.
    EXPECT_LT(s.scrollback_bytes(), 10'000u * 40);
}

TEST(ScreenScrollback, OnlyTheMainGridFeedsIt) {
    const struct {
        std::string bytes;
        std::size_t lines;
        std::size_t capacity;
    } cases[] = {
        {numbered(0, 8), 4, 10000},
        {"\x1b[?1049h" + numbered(0, 8), 0, 10000},
        {"\x1b[2;4r\x1b[4H" + numbered(0, 8), 0, 10000},  // region not at the top
        {"\x1b[1;3r\x1b[3H" + numbered(0, 8), 8, 10000},  // region at the top scrolls lines off
        {"a\x1b[9S", 0, 10000},                            // more than the screen: erased, not kept
        {numbered(0, 8), 0, 0},
    };
    for (const auto& c : cases) {
        Screen s(5, 20, c.capacity);
        s.feed(c.bytes);
        EXPECT_EQ(s.scrollback_size(), c.lines) << c.bytes;
    }
}

TEST(ScreenResize, ChangesBothGridsAndKeepsText) {
    Screen s(6, 20);
    s.feed(numbered(0, 5));
    s.feed("\x1b[?1049h\x1b[Halt");
    s.resize(3, 10);
    EXPECT_EQ(s.rows(), 3);
    EXPECT_EQ(s.cols(), 10);
    EXPECT_EQ(s.contents(), "alt");
    s.feed("\x1b[?1049l");
    // While the alternate grid was in use the main grid was cut, not scrolled.
    EXPECT_EQ(s.contents(), "line 0\nline 1\nline 2");
    EXPECT_LT(s.cursor().row, 3);
    EXPECT_LT(s.cursor().col, 10);

    Screen m(6, 20);
    m.feed(numbered(0, 5) + "prompt$ ");
    m.resize(3, 20);  // rows above the cursor go to the scrollback
    EXPECT_EQ(m.contents(), "line 3\nline 4\nprompt$");
    EXPECT_EQ(m.scrollback_size(), 3u);
    EXPECT_EQ(m.cursor(), (CursorPos{2, 8}));
    m.resize(6, 20);  // and come back
    EXPECT_EQ(m.contents(), "line 0\nline 1\nline 2\nline 3\nline 4\nprompt$");
    EXPECT_EQ(m.scrollback_size(), 0u);
    EXPECT_EQ(m.cursor(), (CursorPos{5, 8}));

    m.resize(0, 0);  // sizes are at least one row of two columns
    EXPECT_EQ(m.rows(), 1);
    EXPECT_EQ(m.cols(), 2);
    m.feed("\x1b#6\x1b[H\x1bHx");  // a double-width line that narrow keeps the cursor on it
    EXPECT_EQ(m.cursor().col, 0);
    m.resize(65535, 65535);  // and bounded
    EXPECT_GT(m.rows(), 100);
    EXPECT_LE(static_cast<long>(m.rows()) * m.cols(), 1L << 21);
}

// Output that libvterm 0.1.4 alone does not survive: a crash, an endless
// loop, or writes outside its tab-stop array.
TEST(ScreenRobustness, HostileOutputIsContained) {
    std::string many_params = "\x1b[";
    for (int i = 0; i < 15; ++i) many_params += "0;";
    many_params += "31";
    for (int i = 0; i < 30; ++i) many_params += ";1:2";
    many_params += "mX";
    std::string c1s;
    for (int i = 0; i < 40; ++i) c1s += "\xc2\x85";
    const struct {
        const char* name;
        std::string bytes;
        std::string want;
    } cases[] = {
        {"CSI with more than 16 parameters", many_params, "X"},
        {"REP before any character", "\x1b[b" "ok", "ok"},
        {"REP after a zero-width character", "\xe2\x80\x8b\x1b[5b" "ok", "ok"},
        {"REP of a wide character at the edge", "\xe6\x97\xa5\x1b[1;10H\x1b[b", "\xe6\x97\xa5       \xe6\x97\xa5"},
        {"C1 characters then a tab stop", c1s + "\x1bH\t\x1b[3gX", "        X"},
        {"C1 characters then erase", c1s + "\x1b[K\x1b[1KY", "Y"},
        {"unfinished character before a control", "\xe6\x97\nA", "\xef\xbf\xbd\n A"},
        {"unfinished character before an escape", "a\xf0\x9f\x1b[mb", "a\xef\xbf\xbd" "b"},
        {"control inside a string terminator", "\x1b]2;x\x1b\x01\\ok", "ok"},
        {"a C1 character sent as UTF-8 takes no room", "ab\xc2\x85" "c\xc2\x9b" "d", "abcd"},
        {"unfinished character before 0xFF", "\xe6\xff\nA", "\xef\xbf\xbd\xef\xbf\xbd\n  A"},
    };
    for (const auto& c : cases) {
        Screen s(4, 10);
        s.feed(c.bytes);
        EXPECT_EQ(s.contents(), c.want) << c.name;
        EXPECT_LT(s.cursor().col, 10) << c.name;
    }
    {
        // A scroll region left below the bottom by a resize, then a line feed.
        Screen r(40, 20);
        r.feed("\x1b[20;30r\x1b[5;3Hx");
        r.resize(10, 20);
        r.feed("\x1b[10H\n\ny");
        EXPECT_EQ(r.cursor(), (CursorPos{9, 1}));  // the whole screen scrolled twice
        EXPECT_EQ(r.contents_between(2, 0, 2, 20), "  x");

        // The same resize while an escape is unfinished: the escape goes on
        // (bytes it cannot use are swallowed) and ends at its final byte.
        Screen u(40, 20);
        u.feed("\x1b[20;30r\x1b\xe9");
        u.resize(10, 20);
        u.feed("\xe9\xe9ok\n");
        EXPECT_EQ(u.contents_between(0, 0, 0, 20), "k");
    }
    Screen s(4, 10);
    s.feed(many_params);
    EXPECT_EQ(s.cell(0, 0).fg, Color::indexed(1));  // the first 16 parameters still apply
}

}  // namespace
}  // namespace ovelin
