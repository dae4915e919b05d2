// The grid, moves through it, and tiles and cards on a canvas that records
// what is drawn.

#include <gtest/gtest.h>

#include "core/utf.hpp"
#include "ui/tiles.hpp"

namespace ovelin {
namespace {

TEST(Grid, ColumnsCellsAndBlankRemainder) {
    const Rect area{0, 34, 1000, 616};
    const struct {
        Rect area;
        std::size_t count;
        int columns;
        Rect last;  // the last cell
    } cases[] = {
        {area, 1, 1, {0, 34, 1000, 616}},
        {area, 2, 2, {500, 34, 1000, 616}},
        {area, 3, 2, {0, 325, 500, 616}},     // 2x2, the fourth cell left blank
        {area, 5, 3, {333, 325, 666, 616}},   // 3 + 2; one pixel column blank at the right
        {area, 7, 3, {0, 422, 333, 616}},     // 3x3, rows of 194
        {area, 10, 4, {250, 422, 500, 616}},  // 4 columns x 3 rows of 194
        {{100, 34, 105, 20}, 4, 2, {102, 35, 104, 36}},  // too small: cells of one pixel at least
    };
    for (const auto& c : cases) {
        const std::vector<Rect> cells = grid(c.area, c.count);
        ASSERT_EQ(cells.size(), c.count);
        EXPECT_EQ(grid_columns(c.count), c.columns) << c.count;
        EXPECT_EQ(cells.back(), c.last) << c.count << " cells";
        EXPECT_EQ(cells.front().left, c.area.left);
        EXPECT_EQ(cells.front().top, c.area.top);
    }
    EXPECT_TRUE(grid(area, 0).empty());
    EXPECT_EQ(grid_columns(0), 0);
}

TEST(Grid, MovesWrapWithinTheRowOrColumn) {
    const struct {
        std::size_t count, index;
        int dx, dy;
        std::size_t expected;
    } cases[] = {
        {5, 4, 1, 0, 3},   // the short second row wraps to its first tile
        {5, 3, -1, 0, 4},
        {5, 2, 0, 1, 2},   // the third column has one cell
        {5, 3, 0, 1, 0},
        {5, 0, 0, -1, 3},
        {5, 0, -1, 0, 2},
        {5, 1, 1, 0, 2},
        {5, 9, 0, 0, 4},   // beyond the end: the last one
        {10, 9, 1, 0, 8},  // last row of two
        {10, 1, 0, -1, 9},
        {10, 7, 0, 1, 3},  // a column of two
        {1, 0, 1, 0, 0},
        {1, 0, 0, -1, 0},
        {2, 1, 1, 0, 0},
        {2, 0, 0, 1, 0},
        {3, 2, 1, 0, 2},   // alone in its row
        {3, 1, 0, 1, 1},   // alone in its column
        {0, 3, 1, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(move_in_grid(c.count, c.index, c.dx, c.dy), c.expected)
            << c.count << " items, from " << c.index << " by " << c.dx << "," << c.dy;
}

TEST(Grid, CellAtPointTakesLeftAndTopEdges) {
    const std::vector<Rect> cells = grid({0, 34, 100, 134}, 4);  // 50 x 50
    EXPECT_EQ(cell_at(cells, 0, 34), 0u);
    EXPECT_EQ(cell_at(cells, 50, 34), 1u);
    EXPECT_EQ(cell_at(cells, 49, 84), 2u);
    EXPECT_EQ(cell_at(cells, 99, 133), 3u);
    EXPECT_EQ(cell_at(cells, 100, 40), std::nullopt);
    EXPECT_EQ(cell_at(cells, 10, 33), std::nullopt);
}

struct Drawn {
    enum Kind { Fill, Frame, Text } kind;
    Rect box;
    Rgb color;
    std::string text;
    bool operator==(const Drawn&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Drawn& d) {
    return os << "{" << d.kind << " " << d.box.left << "," << d.box.top << "," << d.box.right << "," << d.box.bottom
              << " " << int(d.color.r) << "," << int(d.color.g) << "," << int(d.color.b) << " '" << d.text << "'}";
}

class Recorder : public Canvas {
public:
    std::vector<Drawn> calls;
    void select_font(FontKind) override {}
    void fill(const Rect& r, Rgb c) override { calls.push_back({Drawn::Fill, r, c, {}}); }
    void frame(const Rect& r, Rgb c) override { calls.push_back({Drawn::Frame, r, c, {}}); }
    void text_run(int, int, const Rect& box, std::u16string_view t, std::span<const std::int32_t>, Rgb fg,
                  Rgb) override {
        calls.push_back({Drawn::Text, box, fg, utf16_to_utf8(t).value()});
    }
    void text_in(const Rect& r, std::u16string_view t, Rgb c) override {
        calls.push_back({Drawn::Text, r, c, utf16_to_utf8(t).value()});
    }
};

constexpr CellMetrics METRICS{8, 16, 14};
constexpr Rgb HEADER{25, 29, 36}, LABEL{225, 229, 237}, ACTIVE{86, 156, 214}, FRAME{45, 50, 60};
constexpr Rgb RED{231, 72, 86}, CURSOR{225, 229, 237}, TEXT{220, 223, 228};

Drawn fill(Rect r, Rgb c) { return {Drawn::Fill, r, c, {}}; }
Drawn frame(Rect r, Rgb c) { return {Drawn::Frame, r, c, {}}; }
Drawn text(Rect r, std::string s, Rgb c) { return {Drawn::Text, r, c, std::move(s)}; }

TEST(Tiles, HeaderStripTerminalAndFrame) {
    LockedScreen screen(4, 20);
    screen.screen.feed("hi");
    const Rect cell{100, 34, 300, 200};
    const std::string ROW = "hi" + std::string(18, ' ');  // the whole row, one run
    const struct {
        const char* name;
        bool alone, active, focused;
        std::optional<Rgb> strip;
        std::vector<Drawn> expected;
    } cases[] = {
        {"active among others, with a strip", false, true, true, RED,
         {fill({101, 35, 299, 56}, HEADER), fill({101, 35, 105, 56}, RED), text({111, 35, 293, 56}, "Build", LABEL),
          text({106, 62, 266, 78}, ROW, TEXT), fill({122, 76, 130, 78}, CURSOR), frame(cell, ACTIVE)}},
        {"inactive, no strip, no cursor", false, false, false, std::nullopt,
         {fill({101, 35, 299, 56}, HEADER), text({111, 35, 293, 56}, "Build", LABEL),
          text({106, 62, 266, 78}, ROW, TEXT), frame(cell, FRAME)}},
        {"alone: no header and no frame", true, true, true, RED,
         {text({106, 40, 266, 56}, ROW, TEXT), fill({122, 54, 130, 56}, CURSOR)}},
    };
    for (const auto& c : cases) {
        TerminalPane pane;
        pane.label = "Build";
        pane.strip = c.strip;
        pane.screen = &screen;
        pane.view.focused = c.focused;
        Recorder canvas;
        paint_tile(canvas, cell, pane, c.alone, c.active, METRICS);
        EXPECT_EQ(canvas.calls, c.expected) << c.name;
    }
}

TEST(Tiles, CardCounts) {
    EXPECT_EQ(card_counts(1, 0), "1 tab \u00b7 0 groups");
    EXPECT_EQ(card_counts(2, 3), "2 tabs \u00b7 3 groups");
    EXPECT_EQ(card_counts(0, 1), "0 tabs \u00b7 1 group");
}

TEST(Tiles, BrowserBandCrumbsUpButtonAndCards) {
    constexpr Rgb BAND{20, 24, 31}, CRUMB{210, 214, 222}, NAME{235, 239, 245}, COUNTS{140, 146, 158};
    LockedScreen screen(4, 20);
    TerminalPane tab;
    tab.label = "Terminal 3";
    tab.screen = &screen;
    const Rect content{0, 34, 400, 264};  // two cards of 200 x 200 below the band
    const struct {
        const char* name;
        bool top_level;
        std::vector<std::string> crumbs;
        std::size_t highlighted;
        std::vector<Drawn> expected;
    } cases[] = {
        {"top level, group card lit", true, {}, 0,
         {fill({0, 34, 400, 64}, BAND), text({10, 34, 316, 64}, "All groups", CRUMB),
          fill({324, 37, 394, 61}, {26, 30, 38}), frame({324, 37, 394, 61}, FRAME),
          text({334, 37, 394, 61}, "\u2191 Up", {110, 115, 125}),
          fill({1, 65, 199, 263}, HEADER), fill({1, 65, 7, 263}, RED),
          text({21, 146, 189, 164}, "\u25b8 Work", NAME),
          text({21, 166, 189, 184}, "2 tabs \u00b7 3 groups", COUNTS), frame({0, 64, 200, 264}, ACTIVE),
          fill({201, 65, 399, 86}, HEADER), text({211, 65, 393, 86}, "Terminal 3", LABEL),
          frame({200, 64, 400, 264}, FRAME)}},
        {"two levels down, tab card lit (beyond the end: the last)", false, {"Work", "Build"}, 7,
         {fill({0, 34, 400, 64}, BAND), text({10, 34, 316, 64}, "All groups  \u203a  Work  \u203a  Build", CRUMB),
          fill({324, 37, 394, 61}, {38, 46, 60}), frame({324, 37, 394, 61}, ACTIVE),
          text({334, 37, 394, 61}, "\u2191 Up", LABEL),
          fill({1, 65, 199, 263}, HEADER), fill({1, 65, 7, 263}, RED),
          text({21, 146, 189, 164}, "\u25b8 Work", NAME),
          text({21, 166, 189, 184}, "2 tabs \u00b7 3 groups", COUNTS), frame({0, 64, 200, 264}, FRAME),
          fill({201, 65, 399, 86}, HEADER), text({211, 65, 393, 86}, "Terminal 3", LABEL),
          frame({200, 64, 400, 264}, ACTIVE)}},
    };
    for (const auto& c : cases) {
        BrowserView view;
        view.top_level = c.top_level;
        view.crumbs = c.crumbs;
        view.highlighted = c.highlighted;
        view.cards = {GroupCard{"Work", RED, 2, 3}, tab};
        Recorder canvas;
        paint_browser(canvas, content, view, METRICS);
        EXPECT_EQ(canvas.calls, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace ovelin
