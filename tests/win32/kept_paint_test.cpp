// Terminal views painted through GDI with their pixels kept from one paint to
// the next come out exactly as painted afresh, whatever changed in between.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ui/tab_bar.hpp"
#include "ui/terminal_view.hpp"
#include "win32/gdi_canvas.hpp"
#include "win32/handles.hpp"
#include "win32/kept_surfaces.hpp"
#include "win32/terminal_font.hpp"

namespace ovelin::win32 {
namespace {

constexpr int WIDTH = 420, HEIGHT = 260;
constexpr std::uint16_t ROWS = 12, COLS = 40;

struct Image {
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
};

struct Frame {
    LockedScreen* screen;
    Rect area;
    CellMetrics metrics;
    TerminalView view;
};

// One paint as the window does it: a new bitmap in the background colour,
// the view drawn, the pixels read back.
template <class Draw>
Image paint_dc(Draw draw) {
    HDC screen_dc = ::GetDC(nullptr);
    UniqueMemoryDc mem(::CreateCompatibleDC(screen_dc));
    UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen_dc, WIDTH, HEIGHT));
    ::ReleaseDC(nullptr, screen_dc);
    {
        SelectGuard keep(mem.get(), bitmap.get());
        RECT all{0, 0, WIDTH, HEIGHT};
        ::SetDCBrushColor(mem.get(), RGB(12, 14, 18));
        ::FillRect(mem.get(), &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        ::SetBkMode(mem.get(), TRANSPARENT);
        draw(mem.get());
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = WIDTH;
    bi.bmiHeader.biHeight = -HEIGHT;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    Image image;
    image.pixels.resize(std::size_t{WIDTH} * HEIGHT);
    EXPECT_EQ(::GetDIBits(mem.get(), static_cast<HBITMAP>(bitmap.get()), 0, HEIGHT, image.pixels.data(), &bi,
                          DIB_RGB_COLORS),
              HEIGHT);
    for (std::uint32_t& p : image.pixels) p &= 0xFFFFFF;
    return image;
}

template <class Draw>
Image paint_with(HFONT font, HFONT bold, HFONT bar, KeptSurfaces* kept, Draw draw) {
    return paint_dc([&](HDC dc) {
        GdiCanvas canvas(dc, font, bar, kept, bold);
        draw(canvas);
    });
}

Image paint(HFONT font, HFONT bold, const Frame& f, KeptSurfaces* kept) {
    return paint_with(font, bold, nullptr, kept, [&](GdiCanvas& canvas) {
        canvas.select_font(FontKind::Terminal);
        draw_terminal(canvas, *f.screen, f.area, f.metrics, f.view);
    });
}

// Empty when equal, else the first pixel that differs and how many do.
std::string difference(const Image& kept, const Image& fresh) {
    std::size_t count = 0, first = 0;
    for (std::size_t i = 0; i < fresh.pixels.size(); ++i)
        if (kept.pixels[i] != fresh.pixels[i] && count++ == 0) first = i;
    if (count == 0) return {};
    char text[160];
    std::snprintf(text, sizeof text, "%zu pixels differ, the first at (%zu, %zu): kept %06x, afresh %06x", count,
                  first % WIDTH, first / WIDTH, kept.pixels[first], fresh.pixels[first]);
    return text;
}

// `count` rows of text in a few colours, the first numbered `first`.
std::string lines(int first, int count) {
    std::string s;
    for (int i = first; i < first + count; ++i) {
        if (i > first) s += "\r\n";
        s += "\x1b[3" + std::to_string(1 + i % 7) + "mline " + std::to_string(i) + "\x1b[0m text \x1b[4" +
             std::to_string(i % 8) + "m" + std::string(static_cast<std::size_t>(i % 9), 'x') + "\x1b[0m";
    }
    return s;
}

// Cells of rows counted from the live screen's top row (negative: above it).
struct RowCell {
    int row = 0, col = 0;
};
struct RowSelection {
    bool active = false;
    RowCell start, end;
};
struct RowSpan {
    RowCell start, end;
};

// What changes before one paint; the rest stays as the step before left it.
struct Step {
    std::string bytes;           // fed to the screen
    int rows_drawn;              // by the kept view in this paint
    RowSelection selection{};
    std::optional<int> offset{};  // set: the view goes this many lines above the live screen; else it stays on its line
    std::vector<RowSpan> found{};
    std::optional<std::size_t> current{};
    bool focused = true;
    GhostText ghost{};
    int area_right = 0;          // pixels left out at the right of the area (0: none)
    int area_bottom = 0;         // the same at the bottom
    std::uint16_t resize_rows = 0, resize_cols = 0;
    int taller_cells = 0;        // pixels added to the cell height
    bool shown = true;           // the view painted at all
    bool may_lag = false;        // another tab's view (TerminalView::may_lag)
    bool lags = false;           // expected: the pixels stay those of the step before
};

TEST(KeptPaint, PixelsMatchPaintingAfreshAfterEveryChange) {
    UniqueGdiObject font(create_font("Consolas", 96, 10.0f)), bold(create_font("Consolas", 96, 10.0f, true));
    ASSERT_TRUE(font);
    ASSERT_TRUE(bold);
    TEXTMETRICW tm{};
    {
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ old = ::SelectObject(dc, font.get());
        ::GetTextMetricsW(dc, &tm);
        ::SelectObject(dc, old);
        ::ReleaseDC(nullptr, dc);
    }
    const CellMetrics metrics{tm.tmAveCharWidth, tm.tmHeight + tm.tmExternalLeading, tm.tmHeight};
    ASSERT_LE(metrics.cell_width * COLS + 10, WIDTH);
    ASSERT_LE(metrics.cell_height * ROWS + 12, HEIGHT);
    // A few pixels to spare at the right and at the bottom.
    const int right = 5 + metrics.cell_width * COLS + 3, bottom = 7 + metrics.cell_height * ROWS + 4;
    const int narrow = metrics.cell_width * 31;  // leaves 9 whole columns and 3 pixels of the tenth

    const RowSelection none{};
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"unchanged, one line changed, one erased",
         {{.bytes = lines(0, 5), .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = 0},
          {.bytes = "\x1b[3;1H\x1b[35mchanged", .rows_drawn = 1},
          {.bytes = "\x1b[3;1H\x1b[2K", .rows_drawn = 1},
          {.bytes = "\x1b[0m\x1b[H\x1b[2J" + lines(20, ROWS), .rows_drawn = ROWS}}},
        {"new output scrolls the whole screen up",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS},
          {.bytes = "\r\n" + lines(12, 1), .rows_drawn = 1},
          {.bytes = "\r\n" + lines(13, 3), .rows_drawn = 3},
          {.bytes = "\r\n" + lines(16, 8), .rows_drawn = 8},
          {.bytes = "", .rows_drawn = 0},
          {.bytes = "\r\n" + lines(24, 1), .rows_drawn = 1}}},
        // After the ring has turned, so that the region's rows wrap around it.
        {"a scroll region moves up and down inside a turned ring",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS},
          {.bytes = "\r\n" + lines(12, 8), .rows_drawn = 8},
          {.bytes = "\x1b[3;10r\x1b[10;1H\n" + lines(30, 1), .rows_drawn = 1},
          {.bytes = "\x1b[3;1H\x1bM" + lines(31, 1), .rows_drawn = 1},
          {.bytes = "\x1b[3;1H\x1b[2L", .rows_drawn = 2},
          {.bytes = "\x1b[4;1H\x1b[3M", .rows_drawn = 3},
          {.bytes = "\x1b[r\x1b[12;1H\r\n" + lines(40, 1), .rows_drawn = 1}}},
        {"reverse index at the top scrolls the whole screen down",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS},
          {.bytes = "\x1b[H\x1bM" + lines(50, 1), .rows_drawn = 1},
          {.bytes = "\x1b[H\x1bM\x1bM" + lines(51, 1), .rows_drawn = 2}}},
        {"selection marks rows and leaves them",
         {{.bytes = lines(0, 6), .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = 3, .selection = {true, {1, 5}, {3, 10}}},
          {.bytes = "", .rows_drawn = 1, .selection = {true, {2, 0}, {3, 10}}},
          {.bytes = "", .rows_drawn = 4, .selection = {true, {4, 0}, {5, 39}}},
          {.bytes = "", .rows_drawn = 2, .selection = none},
          {.bytes = "", .rows_drawn = 2, .selection = {true, {8, 0}, {9, 39}}}}},
        {"cursor, focus and the suggestion are drawn over the kept rows",
         {{.bytes = "$ git s", .rows_drawn = ROWS},
          {.bytes = "\x1b[D\x1b[D", .rows_drawn = 0},
          {.bytes = "\x1b[C\x1b[C", .rows_drawn = 0, .ghost = {"git s", std::string("git status")}},
          {.bytes = "", .rows_drawn = 0, .focused = false, .ghost = {"git s", std::string("git status")}},
          {.bytes = "", .rows_drawn = 0},
          {.bytes = "\x1b[?25l", .rows_drawn = 0},
          {.bytes = "\x1b[?25h\r\n$ ", .rows_drawn = 1}}},
        {"the alternate screen and back",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS},
          {.bytes = "\x1b[?1049h\x1b[H\x1b[44mfull screen\x1b[0m\x1b[5;3H", .rows_drawn = ROWS},
          {.bytes = "\x1b[7mx", .rows_drawn = 1},
          {.bytes = "\x1b[?1049l", .rows_drawn = ROWS}}},
        {"wide and combining characters at a clipped edge",
         {{.bytes = "abcdefgh\xe6\x97\xa5\r\ne\xcc\x81\x1b[41m \xe6\x9c\x88 \x1b[0m", .rows_drawn = ROWS,
           .area_right = narrow},
          {.bytes = "\x1b[1;9H\xe6\x9c\x88", .rows_drawn = 1, .area_right = narrow},
          {.bytes = "\x1b[1;1H\x1b[44mabcdefg\xe6\x97\xa5", .rows_drawn = 1, .area_right = narrow}}},
        {"the area, the screen and the cell size change",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = ROWS, .area_right = narrow},
          {.bytes = "", .rows_drawn = 0, .area_right = narrow, .area_bottom = 3},
          {.bytes = "", .rows_drawn = ROWS - 1, .area_right = narrow, .area_bottom = metrics.cell_height},
          {.bytes = "", .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = 10, .resize_rows = 10, .resize_cols = 30},
          {.bytes = "\r\n" + lines(60, 1), .rows_drawn = 1},
          {.bytes = "", .rows_drawn = 10, .taller_cells = 2},
          {.bytes = "", .rows_drawn = 10}}},
        {"scrolled back, the view stays on its text while output arrives",
         {{.bytes = lines(0, 30), .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = 5, .offset = 5},
          {.bytes = "\r\n" + lines(30, 3), .rows_drawn = 0},
          {.bytes = "\x1b[1;1H\x1b[35mrow one", .rows_drawn = 1},
          {.bytes = "", .rows_drawn = 8, .offset = 0}}},
        {"the wheel back and forth, to the oldest line and back",
         {{.bytes = lines(0, 40), .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = 3, .offset = 3},
          {.bytes = "", .rows_drawn = 3, .offset = 6},
          {.bytes = "", .rows_drawn = 3, .offset = 3},
          {.bytes = "", .rows_drawn = ROWS, .offset = 28},
          {.bytes = "", .rows_drawn = ROWS, .offset = 0}}},
        {"found matches and the current one",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = 3, .found = {{{2, 0}, {2, 4}}, {{5, 30}, {6, 2}}}, .current = 0},
          {.bytes = "", .rows_drawn = 3, .found = {{{2, 0}, {2, 4}}, {{5, 30}, {6, 2}}}, .current = 1},
          {.bytes = "", .rows_drawn = 3},
          {.bytes = "", .rows_drawn = 3, .selection = {true, {5, 0}, {5, 39}},
           .found = {{{2, 0}, {2, 4}}, {{5, 30}, {6, 2}}}, .current = 0}}},
        {"a selection from the history into the screen, output arriving",
         {{.bytes = lines(0, 30), .rows_drawn = ROWS},
          {.bytes = "", .rows_drawn = 6, .selection = {true, {-3, 2}, {1, 5}}, .offset = 4},
          {.bytes = "\r\n" + lines(30, 2), .rows_drawn = 0, .selection = {true, {-5, 2}, {-1, 5}}},
          {.bytes = "", .rows_drawn = 6, .offset = 0}}},
        {"bold and underline alone change a row",
         {{.bytes = lines(0, 4), .rows_drawn = ROWS},
          {.bytes = "\x1b[2;1H\x1b[1;32mline 1\x1b[0m", .rows_drawn = 1},
          {.bytes = "\x1b[3;1H\x1b[4;33mline 2\x1b[0m", .rows_drawn = 1},
          {.bytes = "\x1b[3;1H\x1b[33mline 2\x1b[0m", .rows_drawn = 1}}},
        {"another tab's view lags while only its text changes",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS, .focused = false},
          {.bytes = "\r\n" + lines(12, 2), .rows_drawn = 0, .focused = false, .may_lag = true, .lags = true},
          {.bytes = "\x1b[3;1Hchanged", .rows_drawn = 0, .focused = false, .may_lag = true, .lags = true},
          {.bytes = "", .rows_drawn = 3, .focused = false},
          {.bytes = "\r\n" + lines(20, 1), .rows_drawn = 2, .selection = {true, {1, 0}, {1, 5}}, .focused = false,
           .may_lag = true},
          {.bytes = "\r\n" + lines(21, 1), .rows_drawn = 2, .offset = 3, .focused = false, .may_lag = true},
          {.bytes = "\r\n" + lines(22, 1), .rows_drawn = 0, .focused = false, .may_lag = true, .lags = true},
          {.bytes = "", .rows_drawn = ROWS, .focused = false, .area_right = narrow, .may_lag = true}}},
        {"a view not painted for a while starts afresh",
         {{.bytes = lines(0, ROWS), .rows_drawn = ROWS},
          {.bytes = "\r\n" + lines(70, 1), .rows_drawn = 0, .shown = false},
          {.bytes = "", .rows_drawn = ROWS}}},
    };

    for (const auto& c : cases) {
        LockedScreen screen(ROWS, COLS);
        KeptSurfaces kept;
        std::optional<std::uint64_t> top;  // the view's top line while scrolled back
        std::vector<FoundSpan> found;
        Image before;
        for (std::size_t k = 0; k < c.steps.size(); ++k) {
            const Step& s = c.steps[k];
            SCOPED_TRACE(std::string(c.name) + ", step " + std::to_string(k + 1));
            if (s.resize_rows) screen.screen.resize(s.resize_rows, s.resize_cols);
            screen.screen.feed(s.bytes);
            const std::uint64_t live = screen.screen.top_line();
            if (s.offset) top = *s.offset > 0 ? std::optional<std::uint64_t>(live - *s.offset) : std::nullopt;
            auto at = [&](RowCell p) { return LinePoint{live + p.row, static_cast<std::uint16_t>(p.col)}; };
            found.clear();
            for (const RowSpan& f : s.found) found.push_back({at(f.start), at(f.end)});
            CellMetrics m = metrics;
            m.cell_height += s.taller_cells;
            TerminalView view;
            view.top = top;
            view.focused = s.focused;
            view.ghost = s.ghost;
            if (s.selection.active) view.selection = {true, at(s.selection.start), at(s.selection.end)};
            view.found = found;
            view.current = s.current;
            view.may_lag = s.may_lag;
            const Frame f{&screen, {5, 7, right - s.area_right, bottom - s.area_bottom}, m, view};
            if (!s.shown) {
                kept.end_paint();
                EXPECT_EQ(kept.size(), 0u) << "a view not painted keeps no bitmap";
                continue;
            }
            const Image with_kept = paint(static_cast<HFONT>(font.get()), static_cast<HFONT>(bold.get()), f, &kept);
            EXPECT_EQ(kept.end_paint(), static_cast<std::size_t>(s.rows_drawn));
            EXPECT_EQ(kept.size(), 1u);
            const Image afresh = paint(static_cast<HFONT>(font.get()), static_cast<HFONT>(bold.get()), f, nullptr);
            if (s.lags) {
                EXPECT_EQ(difference(with_kept, before), "");
                EXPECT_NE(difference(with_kept, afresh), "") << "the text did not change";
            } else {
                EXPECT_EQ(difference(with_kept, afresh), "");
            }
            before = with_kept;
            if (k == 0) {
                const std::size_t background = std::count(afresh.pixels.begin(), afresh.pixels.end(), 0x0C0E12u);
                EXPECT_LT(background, afresh.pixels.size()) << "nothing was drawn";
            }
        }
    }
}

}  // namespace
}  // namespace ovelin::win32

namespace ovelin::win32 {
namespace {

// The tab bar kept between paints shows what drawing it afresh would, after
// whatever of it changed.
TEST(KeptPaint, TheBarMatchesDrawingItAfresh) {
    UniqueGdiObject font(create_font("Consolas", 96, 10.0f)), bar(create_font("Tahoma", 96, 9.0f));
    ASSERT_TRUE(font && bar);
    const auto item = [](std::string label, bool active = false, std::optional<Rgb> stripe = {},
                         std::optional<Rgb> underline = {}) {
        TabBarItem i;
        i.label = std::move(label);
        i.active = active;
        i.stripe = stripe;
        i.underline = underline;
        return i;
    };
    const Rgb red{231, 72, 86};
    const struct {
        const char* change;
        std::vector<TabBarItem> items;
        int width;
    } steps[] = {
        {"first", {item("one", true), item("two")}, WIDTH},
        {"nothing", {item("one", true), item("two")}, WIDTH},
        {"the active tab", {item("one"), item("two", true)}, WIDTH},
        {"a label", {item("uno"), item("two", true)}, WIDTH},
        {"a stripe", {item("uno", false, red), item("two", true)}, WIDTH},
        {"an underline", {item("uno", false, red), item("two", true, {}, red)}, WIDTH},
        {"the width", {item("uno", false, red), item("two", true, {}, red)}, WIDTH - 60},
        {"a third tab", {item("uno", false, red), item("two", true, {}, red), item("three")}, WIDTH - 60},
    };
    KeptSurfaces kept;
    for (const auto& step : steps) {
        const auto draw = [&](GdiCanvas& canvas) {
            canvas.select_font(FontKind::Bar);
            paint_tab_bar(canvas, step.items, step.width);
        };
        const Image with_kept = paint_with(static_cast<HFONT>(font.get()), nullptr, static_cast<HFONT>(bar.get()), &kept, draw);
        kept.end_paint();
        const Image afresh = paint_with(static_cast<HFONT>(font.get()), nullptr, static_cast<HFONT>(bar.get()), nullptr, draw);
        EXPECT_EQ(difference(with_kept, afresh), "") << "after " << step.change;
    }
    EXPECT_EQ(kept.size(), 1u);
}

// The frame's drawing calls kept and drawn later come out as drawn at once
// where they are drawn, leave the rest of the frame be, and stay under a view
// shown after them.
TEST(KeptPaint, CallsDrawnLaterMatchCallsDrawnAtOnce) {
    UniqueGdiObject font(create_font("Consolas", 96, 10.0f)), bold(create_font("Consolas", 96, 10.0f, true)),
        bar(create_font("Tahoma", 96, 9.0f));
    ASSERT_TRUE(font && bold && bar);
    const std::vector<std::int32_t> advances(9, 9);
    const auto under = [&](GdiCanvas& c) {  // six DrawnOps: a frame counts its edges
        c.select_font(FontKind::Bar);
        c.fill({0, 0, WIDTH, 30}, {30, 34, 42});
        c.text_in({10, 0, 200, 30}, u"a tab \u00e9t\u00e9", {220, 223, 228});
        c.frame({5, 40, WIDTH - 5, HEIGHT - 5}, {0, 120, 215});
    };
    const auto over = [&](GdiCanvas& c) {
        c.select_font(FontKind::Terminal);
        c.styled_text_run(20, 60, {20, 60, 200, 80}, u"bold runs", advances, {220, 223, 228}, {40, 60, 90}, {true, true});
        c.text_run(20, 100, {20, 100, 200, 120}, u"\u65e5 mixed", {}, {249, 241, 165}, {12, 14, 18});
    };
    const RECT view{0, 20, 300, 110};
    const RECT all{0, 0, WIDTH, HEIGHT};
    const struct {
        const char* what;
        std::vector<RECT> where;
        bool shown;  // `view` shown between the two groups of calls
    } cases[] = {
        {"everywhere", {all}, false},
        {"in two parts", {{0, 0, 100, HEIGHT}, {150, 50, WIDTH, 90}}, false},
        {"a view shown between", {all}, true},
    };
    const auto paint = [&](auto draw) {
        return paint_with(static_cast<HFONT>(font.get()), static_cast<HFONT>(bold.get()), static_cast<HFONT>(bar.get()),
                          nullptr, [&](GdiCanvas& c) {
                              std::vector<DrawnOp> ops;
                              c.record(&ops);
                              draw(c, ops);
                          });
    };
    for (const auto& test : cases) {
        Image expected = paint([&](GdiCanvas& c, std::vector<DrawnOp>&) {
            under(c);
            if (test.shown) c.fill({view.left, view.top, view.right, view.bottom}, {12, 14, 18});
            over(c);
        });
        for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
            const POINT p{static_cast<LONG>(i % WIDTH), static_cast<LONG>(i / WIDTH)};
            if (std::ranges::none_of(test.where, [&](const RECT& r) { return ::PtInRect(&r, p) != 0; }))
                expected.pixels[i] = 0x0c0e12;
        }
        const Image later = paint([&](GdiCanvas& c, std::vector<DrawnOp>& ops) {
            DrawList list;
            c.defer(&list);
            under(c);
            ASSERT_EQ(ops.size(), 6u);
            over(c);
            std::vector<ShownSurface> shown;
            if (test.shown) shown.push_back({view, 6});
            c.draw_later(list, test.where, shown);
        });
        EXPECT_EQ(difference(later, expected), "") << test.what;
    }
}

// Runs of ASCII text are drawn by glyph index: the pixels are those of the
// same text drawn as characters, in both faces; text the face lacks keeps
// the character path (and the system's fallback).
TEST(KeptPaint, TextByGlyphIndexMatchesTextByCharacter) {
    UniqueGdiObject font(create_font("Consolas", 96, 10.0f)), bold(create_font("Consolas", 96, 10.0f, true));
    ASSERT_TRUE(font && bold);
    const RECT box{4, 6, 300, 26};
    for (const std::u16string text : {u"plain ~text| {0} $@", u"mixed \u00e9t\u00e9 \u65e5"})
        for (HFONT face : {static_cast<HFONT>(font.get()), static_cast<HFONT>(bold.get())}) {
            std::vector<std::int32_t> advances(text.size(), 9);
            const Image glyphs = paint_with(static_cast<HFONT>(font.get()), static_cast<HFONT>(bold.get()), nullptr,
                                            nullptr, [&](GdiCanvas& canvas) {
                canvas.select_font(FontKind::Terminal);
                canvas.styled_text_run(box.left, box.top, {box.left, box.top, box.right, box.bottom}, text, advances,
                                       {220, 223, 228}, {40, 60, 90}, {face == bold.get(), false});
            });
            const Image characters = paint_dc([&](HDC dc) {
                SelectGuard keep(dc, face);
                ::SetTextColor(dc, RGB(220, 223, 228));
                ::SetBkColor(dc, RGB(40, 60, 90));
                ::ExtTextOutW(dc, box.left, box.top, ETO_OPAQUE | ETO_CLIPPED, &box,
                              reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT>(text.size()),
                              advances.data());
            });
            EXPECT_EQ(difference(glyphs, characters), "") << (face == bold.get() ? "bold " : "") << text.size();
        }
}

}  // namespace
}  // namespace ovelin::win32
