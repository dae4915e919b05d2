// The bar's geometry, hit test and paint on a canvas that records calls.

#include <gtest/gtest.h>

#include "core/utf.hpp"
#include "ui/tab_bar.hpp"

namespace ovelin {
namespace {

struct Drawn {
    enum Kind { Fill, Text } kind;
    Rect box;
    Rgb color;
    std::string text;
    bool operator==(const Drawn&) const = default;
};

class Recorder : public Canvas {
public:
    std::vector<Drawn> calls;
    void select_font(FontKind) override {}
    void fill(const Rect& r, Rgb c) override { calls.push_back({Drawn::Fill, r, c, {}}); }
    void frame(const Rect&, Rgb) override { ADD_FAILURE() << "the bar draws no frames"; }
    void text_run(int, int, const Rect&, std::u16string_view, std::span<const std::int32_t>, Rgb, Rgb) override {
        ADD_FAILURE() << "the bar draws no cell runs";
    }
    void text_in(const Rect& r, std::u16string_view t, Rgb c) override {
        calls.push_back({Drawn::Text, r, c, utf16_to_utf8(t).value()});
    }
};

constexpr Rgb ACTIVE{38, 43, 53}, INACTIVE{25, 29, 36}, TEXT{225, 229, 237}, PLUS{30, 78, 121}, WHITE{255, 255, 255};
constexpr Rgb RED{231, 72, 86}, GREEN{22, 198, 12}, BLUE{59, 120, 255};

Drawn fill(Rect r, Rgb c) { return {Drawn::Fill, r, c, {}}; }
Drawn text(Rect r, std::string s, Rgb c = TEXT) { return {Drawn::Text, r, c, std::move(s)}; }

TEST(TabBar, SlotWidthIsAShareOfTheWidthLeftOfThePlusKeptTo72To180) {
    const struct {
        int width;
        std::size_t items;
        int expected;
    } cases[] = {
        {800, 0, 180}, {800, 1, 180}, {800, 3, 180}, {800, 5, 152}, {800, 40, 72}, {30, 2, 72}, {0, 1, 72},
    };
    for (const auto& c : cases)
        EXPECT_EQ(slot_width(c.width, c.items), c.expected) << c.width << " px, " << c.items << " items";
}

TEST(TabBar, HitTest) {
    using K = BarHit::Kind;
    const struct {
        int width;
        std::size_t items;
        int x, y;
        BarHit expected;
    } cases[] = {
        {800, 3, 0, 0, {K::Body, 0}},
        {800, 3, 333, 33, {K::Body, 1}},
        {800, 3, 334, 10, {K::Close, 1}},  // the last 26 pixels of the slot close it
        {800, 3, 539, 10, {K::Close, 2}},
        {800, 3, 540, 10, {}},  // beyond the last slot
        {800, 3, 759, 10, {}},
        {800, 3, 760, 10, {K::Plus, 0}},
        {800, 3, 5000, 10, {K::Plus, 0}},
        {800, 3, 10, 34, {}},  // below the strip
        {800, 3, 10, -1, {}},
        {800, 3, -3, 10, {}},
        {800, 0, 10, 10, {}},  // only the "+"
        {800, 0, 770, 10, {K::Plus, 0}},
        // 40 tabs: slots of 72, the eleventh cut at 760; its drawn close mark closes it.
        {800, 40, 693, 10, {K::Body, 9}},
        {800, 40, 694, 10, {K::Close, 9}},
        {800, 40, 733, 10, {K::Body, 10}},
        {800, 40, 734, 10, {K::Close, 10}},
        {800, 40, 760, 10, {K::Plus, 0}},
    };
    for (const auto& c : cases) {
        const BarHit got = hit_test_bar(c.width, c.items, c.x, c.y);
        EXPECT_EQ(got, c.expected) << c.items << " items at (" << c.x << ", " << c.y << "): kind "
                                   << static_cast<int>(got.kind) << " slot " << got.slot;
    }
}

TEST(TabBar, PaintsSlotsMarksLabelsAndThePlusInOrder) {
    std::vector<TabBarItem> items(4);
    items[0].label = "Terminal 1";
    items[0].active = true;
    items[1].label = "coloured";
    items[1].stripe = GREEN;
    items[2].label = "grouped";
    items[2].stripe = BLUE;
    items[2].underline = RED;
    items[3].kind = TabBarItem::Kind::Group;
    items[3].label = "\u25b8 Work (3)";
    items[3].stripe = items[3].underline = RED;
    Recorder canvas;
    paint_tab_bar(canvas, items, 800);
    const std::vector<Drawn> expected{
        fill({0, 0, 180, 34}, ACTIVE),
        text({8, 0, 154, 34}, "Terminal 1"),
        text({158, 0, 176, 34}, "x"),
        fill({180, 0, 360, 34}, INACTIVE),
        fill({180, 0, 360, 3}, GREEN),
        text({188, 0, 334, 34}, "coloured"),
        text({338, 0, 356, 34}, "x"),
        fill({360, 0, 540, 34}, INACTIVE),
        fill({360, 0, 540, 3}, BLUE),
        fill({360, 32, 540, 34}, RED),
        text({368, 0, 514, 34}, "grouped"),
        text({518, 0, 536, 34}, "x"),
        fill({540, 0, 720, 34}, INACTIVE),
        fill({540, 0, 720, 3}, RED),
        fill({540, 32, 720, 34}, RED),
        text({548, 0, 694, 34}, "\u25b8 Work (3)"),
        text({698, 0, 716, 34}, "x"),
        fill({760, 0, 800, 34}, PLUS),
        text({774, 0, 800, 34}, "+", WHITE),
    };
    ASSERT_EQ(canvas.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Drawn& d = canvas.calls[i];
        EXPECT_EQ(d, expected[i]) << "call " << i << ": " << d.text << " (" << d.box.left << ", " << d.box.top
                                  << ", " << d.box.right << ", " << d.box.bottom << ")";
    }
}

TEST(TabBar, SlotsPastThePlusAreNotDrawnAndTheCutOneKeepsItsMarksInside) {
    std::vector<TabBarItem> items(40);
    for (std::size_t i = 0; i < items.size(); ++i) items[i].label = "t" + std::to_string(i);
    Recorder canvas;
    paint_tab_bar(canvas, items, 800);
    std::vector<Drawn> slots, texts;
    for (const Drawn& d : canvas.calls) (d.kind == Drawn::Fill ? slots : texts).push_back(d);
    ASSERT_EQ(slots.size(), 12u);  // eleven slots and the "+"
    EXPECT_EQ(slots[10].box, (Rect{720, 0, 760, 34}));
    EXPECT_EQ(texts[20], text({728, 0, 734, 34}, "t10"));
    EXPECT_EQ(texts[21], text({738, 0, 756, 34}, "x"));
    for (const Drawn& t : texts) EXPECT_LE(t.box.right, t.text == "+" ? 800 : 760) << t.text;

    // Too narrow for anything but the "+".
    Recorder narrow;
    paint_tab_bar(narrow, items, 40);
    EXPECT_EQ(narrow.calls, (std::vector<Drawn>{fill({0, 0, 40, 34}, PLUS), text({14, 0, 40, 34}, "+", WHITE)}));
}

}  // namespace
}  // namespace ovelin
