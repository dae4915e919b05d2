// Under Wine or Windows: the time per repaint of a colourful 240 x 70 screen
// through GDI, each frame as the window paints (a fresh memory bitmap filled
// with the background, the terminal drawn, one BitBlt to a window), against
// a fill-only repaint of the same window in the same run. The view is drawn
// afresh, then with its pixels kept between paints: unchanged, after one
// line of new output scrolled the screen up, after one notch of the wheel
// (three lines) scrolled the view over the history, and after every row
// changed.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <cstdint>
#include <random>
#include <vector>

#include "paint_screen.hpp"
#include "ui/terminal_view.hpp"
#include "win32/gdi_canvas.hpp"
#include "win32/kept_surfaces.hpp"
#include "win32/terminal_font.hpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int ROWS = 70, COLS = 240;

struct Measured {
    double ms = 0;           // a frame, median of the rounds
    double rows_drawn = 0;   // a frame
};

// One way of painting: `prepare` changes the screen before a frame (not
// timed), `draw` paints onto the frame's memory DC.
struct Case {
    const char* name;
    std::function<void()> prepare;
    std::function<void(HDC)> draw;
    ovelin::win32::KeptSurfaces* kept = nullptr;
    std::optional<double> target = std::nullopt;  // at most this many times fill-only
    std::vector<double> rounds{};
    double rows_drawn = 0;
    int frames = 0;
};

double frame(HWND hwnd, int width, int height, const std::function<void(HDC)>& draw) {
    HDC dc = ::GetDC(hwnd);
    const auto t0 = Clock::now();
    HDC mem = ::CreateCompatibleDC(dc);
    HBITMAP bmp = ::CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    RECT all{0, 0, width, height};
    ::SetDCBrushColor(mem, RGB(12, 14, 18));
    ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::SetBkMode(mem, TRANSPARENT);
    if (draw) draw(mem);
    ::BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::GdiFlush();
    const auto t1 = Clock::now();
    ::ReleaseDC(hwnd, dc);
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

void run(Case& c, HWND hwnd, int width, int height, int frames) {
    double total = 0;
    for (int f = 0; f < frames; ++f) {
        if (c.prepare) c.prepare();
        total += frame(hwnd, width, height, c.draw);
        if (c.kept) c.rows_drawn += static_cast<double>(c.kept->end_paint());
    }
    c.rounds.push_back(total / frames);
    c.frames += frames;
}

Measured result(Case& c) {
    std::sort(c.rounds.begin(), c.rounds.end());
    return {c.rounds[c.rounds.size() / 2], c.kept ? c.rows_drawn / c.frames : ROWS};
}

}  // namespace

int main() {
    HFONT font = ovelin::win32::create_font("Consolas", 96, 10.0f);
    HDC probe = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(probe, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(probe, &tm);
    ::SelectObject(probe, old);
    ::ReleaseDC(nullptr, probe);
    const ovelin::CellMetrics metrics{tm.tmAveCharWidth, tm.tmHeight + tm.tmExternalLeading, tm.tmHeight};
    const int width = 12 + metrics.cell_width * COLS, height = 42 + metrics.cell_height * ROWS;

    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OvelinPaintBench";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"paint bench", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    const ovelin::Rect area{6, 40, width - 6, height - 2};

    // A screen each, so one case's changes never reach another.
    ovelin::LockedScreen still(ROWS, COLS), scrolled(ROWS, COLS), changed(ROWS, COLS), wheeled(ROWS, COLS);
    for (ovelin::LockedScreen* s : {&still, &scrolled, &changed}) s->screen.feed(colourful_screen_bytes(ROWS, COLS));
    std::mt19937 rng(5);
    // A history for the wheel to go through: 1,200 colourful lines.
    for (int i = 0; i < 1200 + ROWS; ++i) wheeled.screen.feed("\r\n" + colourful_line(rng, COLS));
    ovelin::win32::KeptSurfaces kept_still, kept_scrolled, kept_changed, kept_wheeled;
    unsigned seed = 12;
    std::optional<std::uint64_t> wheel_top;
    int notch = -3;  // lines a notch moves the view; it turns back at either end

    auto paint = [&](ovelin::LockedScreen& screen, ovelin::win32::KeptSurfaces* kept,
                     std::optional<std::uint64_t>* top = nullptr) {
        return [&screen, kept, font, metrics, area, top](HDC mem) {
            ovelin::win32::GdiCanvas canvas(mem, font, nullptr, kept);
            canvas.select_font(ovelin::FontKind::Terminal);
            ovelin::TerminalView view;
            view.focused = true;
            if (top) view.top = *top;
            ovelin::draw_terminal(canvas, screen, area, metrics, view);
        };
    };
    std::vector<Case> cases;
    cases.push_back({"fill-only", {}, {}, nullptr});
    cases.push_back({"from scratch", {}, paint(still, nullptr), nullptr});
    cases.push_back({"kept, nothing changed", {}, paint(still, &kept_still), &kept_still});
    cases.push_back({"kept, one line of output scrolled in",
                     [&] {
                         // The cursor waits at the end of the bottom row: a line feed scrolls.
                         scrolled.screen.feed("\r\n" + colourful_line(rng, COLS));
                     },
                     paint(scrolled, &kept_scrolled), &kept_scrolled, 3.0});
    cases.push_back({"kept, one wheel notch over the history",
                     [&] {
                         const ovelin::Screen& s = wheeled.screen;
                         const auto live = static_cast<std::int64_t>(s.top_line());
                         const auto at = static_cast<std::int64_t>(wheel_top.value_or(s.top_line() - 3));
                         if (at + notch < static_cast<std::int64_t>(s.first_line()) || at + notch >= live)
                             notch = -notch;
                         wheel_top = static_cast<std::uint64_t>(at + notch);
                     },
                     paint(wheeled, &kept_wheeled, &wheel_top), &kept_wheeled, 3.0});
    cases.push_back({"kept, every row changed",
                     [&] { changed.screen.feed(colourful_screen_bytes(ROWS, COLS, seed++)); },
                     paint(changed, &kept_changed), &kept_changed});

    // A warm-up, then rounds taking turns, so that a slow moment of the
    // machine falls on every case alike.
    for (Case& c : cases) run(c, hwnd, width, height, 5);
    for (Case& c : cases) c.rounds.clear(), c.frames = 0, c.rows_drawn = 0;
    for (int round = 0; round < 11; ++round)
        for (Case& c : cases) run(c, hwnd, width, height, 30);

    // One line each: "name: value (target ...) holds|MISSES".
    const Measured fill = result(cases[0]);
    std::printf("paint fill-only repaint (%dx%d px window): %.3f ms\n", width, height, fill.ms);
    for (std::size_t k = 1; k < cases.size(); ++k) {
        const Measured m = result(cases[k]);
        const double ratio = m.ms / fill.ms;
        std::printf("paint %dx%d colourful screen %s (%.3f ms, %.1f rows drawn): %.2fx fill-only", COLS, ROWS,
                    cases[k].name, m.ms, m.rows_drawn, ratio);
        if (const auto target = cases[k].target)
            std::printf(" (target <= %.0fx) %s", *target, ratio <= *target ? "holds" : "MISSES");
        std::printf("\n");
    }
    ::DestroyWindow(hwnd);
    ::DeleteObject(font);
    return 0;
}
