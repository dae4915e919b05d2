// Drawing a screen onto a canvas that records every call.

#include <gtest/gtest.h>

#include <cmath>

#include "core/utf.hpp"
#include "ui/font_size.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {
namespace {

struct Call {
    enum Kind { Fill, Frame, Run, TextIn } kind;
    Rect box;
    std::string text;  // UTF-8
    std::vector<std::int32_t> advances;
    Rgb fg, bg;
    int x = 0, y = 0;
    TextStyle style{};
};

class RecordingCanvas : public Canvas {
public:
    std::vector<Call> calls;

    void select_font(FontKind) override {}
    void fill(const Rect& r, Rgb c) override { calls.push_back({Call::Fill, r, {}, {}, c, {}}); }
    void frame(const Rect& r, Rgb c) override { calls.push_back({Call::Frame, r, {}, {}, c, {}}); }
    void text_run(int x, int y, const Rect& box, std::u16string_view text, std::span<const std::int32_t> adv, Rgb fg,
                  Rgb bg) override {
        calls.push_back({Call::Run, box, utf16_to_utf8(text).value(), {adv.begin(), adv.end()}, fg, bg, x, y});
    }
    void styled_text_run(int x, int y, const Rect& box, std::u16string_view text, std::span<const std::int32_t> adv,
                         Rgb fg, Rgb bg, TextStyle style) override {
        text_run(x, y, box, text, adv, fg, bg);
        calls.back().style = style;
    }
    void text_in(const Rect& box, std::u16string_view text, Rgb c) override {
        calls.push_back({Call::TextIn, box, utf16_to_utf8(text).value(), {}, c, {}});
    }

    std::vector<Call> runs() const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.kind == Call::Run) out.push_back(c);
        return out;
    }
};

constexpr CellMetrics METRICS{8, 16, 14};
constexpr Rgb DEFAULT_FG{220, 223, 228}, DEFAULT_BG{12, 14, 18};

struct Drawn {
    RecordingCanvas canvas;
};

RecordingCanvas draw(const std::string& bytes, Rect area = {10, 20, 10 + 8 * 40, 20 + 16 * 10},
                     SelectionRange sel = {}, bool focused = false, std::uint16_t rows = 10, std::uint16_t cols = 40,
                     GhostText ghost = {}) {
    LockedScreen screen(rows, cols);
    screen.screen.feed(bytes);
    RecordingCanvas canvas;
    TerminalView view;
    view.focused = focused;
    view.selection = sel;
    view.ghost = ghost;
    draw_terminal(canvas, screen, area, METRICS, view);
    return canvas;
}

TEST(TerminalView, CellColours) {
    const struct {
        const char* name;
        std::string bytes;
        std::string text;
        Rgb fg, bg;
    } cases[] = {
        {"indexed 196 background", "\x1b[48;5;196mX", "X", DEFAULT_FG, {255, 0, 0}},
        {"bright red text", "\x1b[91mX", "X", {231, 72, 86}, DEFAULT_BG},
        {"indexed 9 text", "\x1b[38;5;9mX", "X", {231, 72, 86}, DEFAULT_BG},
        {"indexed 16, the cube's first", "\x1b[38;5;16mX", "X", {0, 0, 0}, DEFAULT_BG},
        {"indexed 67 inside the cube", "\x1b[38;5;67mX", "X", {95, 135, 175}, DEFAULT_BG},
        {"indexed 231, the cube's last", "\x1b[38;5;231mX", "X", {255, 255, 255}, DEFAULT_BG},
        {"indexed 232, the grey ramp's first", "\x1b[48;5;232mX", "X", DEFAULT_FG, {8, 8, 8}},
        {"indexed 255, the grey ramp's last", "\x1b[48;5;255mX", "X", DEFAULT_FG, {238, 238, 238}},
        {"rgb", "\x1b[38;2;1;2;3;48;2;4;5;6mX", "X", {1, 2, 3}, {4, 5, 6}},
        {"inverse with defaults", "\x1b[7mX", "X", DEFAULT_BG, DEFAULT_FG},
        {"inverse with colours", "\x1b[31;42;7mX", "X", {19, 161, 14}, {197, 15, 31}},
        {"spaces on a colour are drawn", "\x1b[44m   ", "   ", DEFAULT_FG, {0, 55, 218}},
    };
    for (const auto& c : cases) {
        auto runs = draw(c.bytes).runs();
        ASSERT_EQ(runs.size(), 1u) << c.name;
        EXPECT_EQ(runs[0].text, c.text) << c.name;
        EXPECT_EQ(runs[0].fg, c.fg) << c.name;
        EXPECT_EQ(runs[0].bg, c.bg) << c.name;
    }
    // Blank cells on the default background cost no call.
    EXPECT_TRUE(draw("   \r\n  ").runs().empty());
}

TEST(TerminalView, OneTextCallPerColourRun) {
    auto runs = draw("ab\x1b[31mcd\x1b[32mef\x1b[0m  gh\r\n\x1b[33mxy").runs();
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].text, "ab");
    EXPECT_EQ(runs[1].text, "cd");
    EXPECT_EQ(runs[2].text, "ef");
    // Spaces join the run of their colour, up to the end of the row.
    EXPECT_EQ(runs[3].text, "  gh" + std::string(30, ' '));
    EXPECT_EQ(runs[4].text, "xy");  // the default cells after it are another, blank run
    // Geometry: cell-exact boxes, text offset (16 - 14) / 2 = 1.
    EXPECT_EQ(runs[1].box, (Rect{10 + 16, 20, 10 + 32, 36}));
    EXPECT_EQ(runs[1].x, 26);
    EXPECT_EQ(runs[1].y, 21);
    EXPECT_EQ(runs[1].advances, (std::vector<std::int32_t>{8, 8}));
    EXPECT_EQ(runs[4].box.top, 36);
}

TEST(TerminalView, BoldAndUnderlineMakeRunsOfTheirOwn) {
    auto runs = draw("a\x1b[1mbold\x1b[22;4mund\x1b[24m \x1b[4m  \x1b[21mx\x1b[0mz\r\n\x1b[4;1m\x1b[K").runs();
    const struct {
        std::string text;
        TextStyle style;
    } want[] = {
        {"a", {}}, {"bold", {true, false}}, {"und", {false, true}},
        {"  x", {false, true}},  // underlined spaces are drawn; double underline looks the same
        {"z" + std::string(27, ' '), {}},
    };
    // The plain space between them is no call, nor is the erased second row.
    ASSERT_EQ(runs.size(), std::size(want));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].text, want[i].text) << i;
        EXPECT_EQ(runs[i].style, want[i].style) << i;
    }
}

TEST(TerminalView, SelectionColoursEveryCellInItsRange) {
    SelectionRange sel{true, {0, 2}, {1, 1}};
    auto runs = draw("\x1b[7mabcd\x1b[0m\r\nefgh", {0, 0, 320, 160}, sel).runs();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].text, "ab");
    EXPECT_EQ(runs[0].bg, DEFAULT_FG);  // inverse, unselected
    EXPECT_EQ(runs[1].text, "cd" + std::string(36, ' '));  // the selection runs to the row's end
    EXPECT_EQ(runs[1].fg, (Rgb{240, 244, 250}));
    EXPECT_EQ(runs[1].bg, (Rgb{52, 101, 164}));
    EXPECT_EQ(runs[2].text, "ef");
    EXPECT_EQ(runs[2].bg, (Rgb{52, 101, 164}));
    EXPECT_EQ(runs[3].text, "gh" + std::string(36, ' '));
    EXPECT_EQ(runs[3].bg, DEFAULT_BG);
}

TEST(TerminalView, WideCharactersTakeTwoCellsAndAreDrawnOnce) {
    auto runs = draw("a\xe6\x97\xa5" "b\x1b[41m \x1b[0m").runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "a\xe6\x97\xa5" "b");
    EXPECT_EQ(runs[0].advances, (std::vector<std::int32_t>{8, 16, 8}));
    EXPECT_EQ(runs[0].box.right - runs[0].box.left, 8 * 4);

    // A selection of only the right half leaves the character alone.
    SelectionRange right_half{true, {0, 2}, {0, 2}};
    runs = draw("a\xe6\x97\xa5" "b", {0, 0, 320, 160}, right_half).runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].bg, DEFAULT_BG);
}

TEST(TerminalView, ClippedToTheRowsAndColumnsThatFit) {
    std::string bytes;
    for (int r = 0; r < 10; ++r) bytes += "\x1b[" + std::to_string(r + 1) + ";1H" + std::string(40, 'x');
    auto canvas = draw(bytes, {0, 0, 8 * 20 + 5, 16 * 5 + 10}, {}, true);
    auto runs = canvas.runs();
    ASSERT_EQ(runs.size(), 5u);
    for (const Call& r : runs) EXPECT_EQ(r.text, std::string(20, 'x'));
    // The cursor (row 9, column 39) lies outside: no bar.
    for (const Call& c : canvas.calls) EXPECT_NE(c.kind, Call::Fill);

    // Smaller than one cell: nothing at all.
    EXPECT_TRUE(draw("text", {0, 0, 7, 100}, {}, true).calls.empty());
    EXPECT_TRUE(draw("text", {0, 0, 100, 15}, {}, true).calls.empty());
}

TEST(TerminalView, CursorBarUnderTheCursorCellWhenFocused) {
    auto canvas = draw("ab\r\ncd", {10, 20, 330, 180}, {}, true);
    ASSERT_FALSE(canvas.calls.empty());
    const Call& bar = canvas.calls.back();
    EXPECT_EQ(bar.kind, Call::Fill);
    EXPECT_EQ(bar.fg, (Rgb{225, 229, 237}));
    EXPECT_EQ(bar.box, (Rect{10 + 16, 20 + 32 - 2, 10 + 24, 20 + 32}));

    for (const Call& c : draw("ab", {10, 20, 330, 180}, {}, false).calls) EXPECT_NE(c.kind, Call::Fill);
    for (const Call& c : draw("ab\x1b[?25l", {10, 20, 330, 180}, {}, true).calls) EXPECT_NE(c.kind, Call::Fill);
}

TEST(TerminalView, GhostTextAfterTheTypedLine) {
    GhostText ghost{"git s", std::string("git status")};
    auto canvas = draw("$ git s", {0, 0, 320, 160}, {}, true, 10, 40, ghost);
    std::vector<Call> ghosts;
    for (const Call& c : canvas.calls)
        if (c.kind == Call::TextIn) ghosts.push_back(c);
    ASSERT_EQ(ghosts.size(), 5u);  // "tatus"
    EXPECT_EQ(ghosts[0].text, "t");
    EXPECT_EQ(ghosts[0].box, (Rect{7 * 8, 0, 8 * 8, 16}));
    EXPECT_EQ(ghosts[0].fg, (Rgb{120, 126, 138}));
    EXPECT_EQ(canvas.calls.back().kind, Call::Fill);  // the cursor after the ghost text

    // Not on the alternate screen, not when unfocused, not when the line is no prefix.
    auto count = [](const RecordingCanvas& c) {
        return std::count_if(c.calls.begin(), c.calls.end(), [](const Call& x) { return x.kind == Call::TextIn; });
    };
    EXPECT_EQ(count(draw("\x1b[?1049h$ git s", {0, 0, 320, 160}, {}, true, 10, 40, ghost)), 0);
    EXPECT_EQ(count(draw("$ git s", {0, 0, 320, 160}, {}, false, 10, 40, ghost)), 0);
    EXPECT_EQ(count(draw("$ ls", {0, 0, 320, 160}, {}, true, 10, 40, GhostText{"ls", std::string("git")})), 0);
    // Cut at the last visible column.
    EXPECT_EQ(count(draw("$ git s", {0, 0, 8 * 9, 160}, {}, true, 10, 40, ghost)), 2);
}

TEST(TerminalView, ScrolledBackWithMatchesAndTheThumb) {
    // 3 rows of history above a 4-row screen; the view one line back.
    LockedScreen screen(4, 20);
    screen.screen.feed("h0\r\nh1 find\r\nh2\r\nfind find me\r\ns1\r\ns2\r\n$ ");
    ASSERT_EQ(screen.screen.top_line(), 3u);
    const std::vector<FoundSpan> found{{{1, 3}, {1, 7}}, {{3, 0}, {3, 4}}, {{3, 5}, {3, 9}}};
    TerminalView view;
    view.top = 2;
    view.focused = true;
    view.found = found;
    view.current = 1;
    view.selection = {true, {3, 2}, {3, 6}};
    RecordingCanvas canvas;
    const Rect area{6, 40, 6 + 8 * 20, 40 + 16 * 4};
    draw_terminal(canvas, screen, area, METRICS, view);
    // Line 2 "h2" on the top row, line 3 below it: current match, selection
    // over both matches, the other match.
    std::vector<std::pair<std::string, Rgb>> runs;
    for (const Call& c : canvas.runs())
        if (c.box.top == 56) runs.push_back({c.text, c.bg});
    const Rgb current{249, 241, 165}, other{193, 156, 0}, selected{52, 101, 164};
    EXPECT_EQ(runs, (std::vector<std::pair<std::string, Rgb>>{
                        {"fi", current}, {"nd fi", selected}, {"nd", other}, {" me" + std::string(8, ' '), DEFAULT_BG}}));
    // No cursor, but the thumb: 4 pixels right of the area, history 3 of 7 lines.
    const Call& last = canvas.calls.back();
    EXPECT_EQ(last.kind, Call::Fill);
    EXPECT_EQ(last.fg, (Rgb{120, 126, 138}));
    EXPECT_EQ(last.box.left, area.right);
    EXPECT_EQ(last.box.right, area.right + 4);
    EXPECT_EQ(last.box.bottom - last.box.top, 64 * 4 / 7);
    EXPECT_EQ(last.box.top, 40 + (64 - 36) * 2 / 3);
    for (const Call& c : canvas.calls) EXPECT_FALSE(c.kind == Call::Fill && c.fg == (Rgb{225, 229, 237})) << "a cursor";
}

TEST(TerminalView, FontHeightForDpiAndSize) {
    const struct {
        unsigned dpi;
        float pt;
        std::int32_t height;
    } cases[] = {{120, 11.0f, 18}, {96, 12.0f, 16}, {0, 12.0f, 16}, {72, 12.0f, 16},
                 {144, 12.0f, 24}, {96, 100.0f, 96}, {96, 2.0f, 8},  {96, std::nanf(""), 0}};
    for (const auto& c : cases) EXPECT_EQ(terminal_font_height(c.dpi, c.pt), c.height) << c.dpi << " " << c.pt;
}

}  // namespace
}  // namespace ovelin
