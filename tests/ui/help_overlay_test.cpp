// The key-help panel on a canvas that records every call.

#include <gtest/gtest.h>

#include "core/utf.hpp"
#include "ui/help_overlay.hpp"

namespace ovelin {
namespace {

struct Call {
    enum Kind { Fill, Frame, Text } kind;
    Rect box;
    std::string text;
    Rgb color;
};

class RecordingCanvas : public Canvas {
public:
    std::vector<Call> calls;
    std::vector<FontKind> fonts;
    void select_font(FontKind f) override { fonts.push_back(f); }
    void fill(const Rect& r, Rgb c) override { calls.push_back({Call::Fill, r, {}, c}); }
    void frame(const Rect& r, Rgb c) override { calls.push_back({Call::Frame, r, {}, c}); }
    void text_run(int, int, const Rect&, std::u16string_view, std::span<const std::int32_t>, Rgb, Rgb) override {
        ADD_FAILURE() << "the panel draws no cell runs";
    }
    void text_in(const Rect& box, std::u16string_view text, Rgb c) override {
        calls.push_back({Call::Text, box, utf16_to_utf8(text).value(), c});
    }
};

// Eighteen rows, the first and last as the help has them.
std::vector<HelpRow> rows18() {
    std::vector<HelpRow> rows{{"alt+Arrows", "Move selection (wraps; 4-way tiled)"}};
    for (int i = 1; i < 17; ++i) rows.push_back({"key " + std::to_string(i), "what " + std::to_string(i)});
    rows.push_back({"Ctrl+F1", "This help (Esc closes)"});
    return rows;
}
constexpr std::size_t HELP_ROWS = 18;

constexpr Rgb PANEL{24, 28, 36}, FRAME{86, 156, 214}, TITLE{240, 244, 250}, KEY{120, 180, 240},
    DESCRIPTION{210, 214, 222};

TEST(HelpOverlay, GeometryColoursAndRows) {
    const struct {
        int width, height, cell_height;
        Rect panel;
        int line, key_right;
    } cases[] = {
        // w = 560, h = 20 * 23 = 460, t = (616 - 518) / 2 = 49.
        {800, 616, 17, {120, 83, 680, 567}, 23, 120 + 16 + 252},
        // Lines never under 20 pixels: h = 400, t = (616 - 458) / 2 = 79.
        {800, 616, 10, {120, 113, 680, 537}, 20, 388},
        {300, 616, 17, {10, 83, 290, 567}, 23, 10 + 16 + 126},
        // Narrower than the panel: it overhangs by 40 on both sides.
        {200, 616, 10, {-40, 113, 240, 537}, 20, -40 + 16 + 126},
        // Too low: the offset stays 8 and the panel runs past the bottom.
        {800, 300, 17, {120, 42, 680, 526}, 23, 388},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " cell " +
                     std::to_string(c.cell_height));
        RecordingCanvas canvas;
        draw_help(canvas, {0, 0, c.width, c.height}, c.cell_height, rows18());
        EXPECT_EQ(help_panel({0, 0, c.width, c.height}, c.cell_height, HELP_ROWS), c.panel);
        ASSERT_EQ(canvas.calls.size(), 3u + 2 * HELP_ROWS);
        EXPECT_EQ(canvas.fonts, std::vector<FontKind>{FontKind::Terminal});
        const Rect& p = c.panel;
        EXPECT_EQ(canvas.calls[0].kind, Call::Fill);
        EXPECT_EQ(canvas.calls[0].box, p);
        EXPECT_EQ(canvas.calls[0].color, PANEL);
        EXPECT_EQ(canvas.calls[1].kind, Call::Frame);
        EXPECT_EQ(canvas.calls[1].box, p);
        EXPECT_EQ(canvas.calls[1].color, FRAME);
        const int top = p.top + 12;
        EXPECT_EQ(canvas.calls[2].box, (Rect{p.left + 16, top, p.right - 16, top + c.line}));
        EXPECT_EQ(canvas.calls[2].text, "ovelin keys");
        EXPECT_EQ(canvas.calls[2].color, TITLE);
        for (std::size_t i = 0; i < HELP_ROWS; ++i) {
            const Call& key = canvas.calls[3 + 2 * i];
            const Call& what = canvas.calls[4 + 2 * i];
            const int y = top + c.line * static_cast<int>(i + 1);
            EXPECT_EQ(key.box, (Rect{p.left + 16, y, c.key_right, y + c.line})) << i;
            EXPECT_EQ(what.box, (Rect{c.key_right, y, p.right - 16, y + c.line})) << i;
            EXPECT_EQ(key.color, KEY);
            EXPECT_EQ(what.color, DESCRIPTION);
        }
        EXPECT_EQ(canvas.calls[3].text, "alt+Arrows");
        EXPECT_EQ(canvas.calls.back().text, "This help (Esc closes)");
        EXPECT_EQ(canvas.calls[3 + 2 * 14].text, "key 14");
        EXPECT_EQ(canvas.calls[4 + 2 * 16].text, "what 16");
    }
}

TEST(HelpOverlay, MoreRowsMakeATallerPanel) {
    // 21 rows of 23 pixels: 23 lines in all, the offset (616 - 529 - 58) / 2 = 14.
    EXPECT_EQ(help_panel({0, 0, 800, 616}, 17, 21), (Rect{120, 48, 680, 601}));
}

}  // namespace
}  // namespace ovelin
