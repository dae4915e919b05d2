// The cost of painting a colourful 240 x 70 screen on a canvas that only
// counts: text calls per frame and CPU time per frame, drawn afresh and with
// kept pixels (unchanged, and after one line of output scrolled in), against
// the bare cost of reading every row of the same screen in the same run.

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

#include "paint_screen.hpp"
#include "ui/kept_view.hpp"
#include "ui/terminal_view.hpp"

namespace {

using Clock = std::chrono::steady_clock;

class CountingCanvas : public ovelin::Canvas {
public:
    std::size_t runs = 0, units = 0, fills = 0;
    void select_font(ovelin::FontKind) override {}
    void fill(const ovelin::Rect&, ovelin::Rgb) override { ++fills; }
    void frame(const ovelin::Rect&, ovelin::Rgb) override {}
    void text_run(int, int, const ovelin::Rect&, std::u16string_view text, std::span<const std::int32_t>,
                  ovelin::Rgb, ovelin::Rgb) override {
        ++runs;
        units += text.size();
    }
    void text_in(const ovelin::Rect&, std::u16string_view, ovelin::Rgb) override {}
};

// Kept pixels that are only counted: the same calls reach the same canvas.
class CountingKept : public ovelin::KeptSurface {
public:
    explicit CountingKept(CountingCanvas& canvas) : canvas_(canvas) {}
    std::size_t moves = 0;
    ovelin::Canvas& canvas() override { return canvas_; }
    void move_rows(int, int, int) override { ++moves; }
    void show(int) override {}

private:
    CountingCanvas& canvas_;
};

class KeepingCanvas : public CountingCanvas {
public:
    CountingKept kept{*this};
    ovelin::KeptSurface* kept_surface(const void*, const ovelin::Rect&) override { return &kept; }
};

struct Figure {
    double us = 0;
    double runs = 0, units = 0;
};

template <class Canvas>
Figure measure(Canvas& canvas, int frames, const std::function<void()>& prepare, const std::function<void()>& paint) {
    canvas.runs = canvas.units = 0;
    double total = 0;
    for (int f = 0; f < frames; ++f) {
        if (prepare) prepare();
        const auto t0 = Clock::now();
        paint();
        total += std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
    }
    return {total / frames, static_cast<double>(canvas.runs) / frames, static_cast<double>(canvas.units) / frames};
}

}  // namespace

int main() {
    constexpr int rows = 70, cols = 240, frames = 300;
    ovelin::LockedScreen screen(rows, cols);
    screen.screen.feed(colourful_screen_bytes(rows, cols));
    const ovelin::CellMetrics metrics{8, 16, 14};
    const ovelin::Rect area{6, 40, 6 + 8 * cols, 40 + 16 * rows};

    ovelin::TerminalView live;
    live.focused = true;
    CountingCanvas canvas;
    const Figure afresh = measure(canvas, frames, {}, [&] {
        ovelin::draw_terminal(canvas, screen, area, metrics, live);
    });

    KeepingCanvas keeping;
    ovelin::draw_terminal(keeping, screen, area, metrics, live);
    const Figure unchanged = measure(keeping, frames, {}, [&] {
        ovelin::draw_terminal(keeping, screen, area, metrics, live);
    });
    std::mt19937 rng(5);
    const Figure scrolled = measure(
        keeping, frames, [&] { screen.screen.feed("\r\n" + colourful_line(rng, cols)); },
        [&] { ovelin::draw_terminal(keeping, screen, area, metrics, live); });

    // A wheel notch: the view three lines further over a history of 1,200 lines.
    ovelin::LockedScreen history(rows, cols);
    for (int i = 0; i < 1200 + rows; ++i) history.screen.feed("\r\n" + colourful_line(rng, cols));
    KeepingCanvas wheeling;
    ovelin::TerminalView wheel = live;
    int notch = -3;
    ovelin::draw_terminal(wheeling, history, area, metrics, wheel);
    const Figure wheeled = measure(
        wheeling, frames,
        [&] {
            const ovelin::Screen& s = history.screen;
            const auto at = static_cast<long long>(wheel.top.value_or(s.top_line()));
            if (at + notch < static_cast<long long>(s.first_line()) || at + notch >= static_cast<long long>(s.top_line()))
                notch = -notch;
            wheel.top = static_cast<std::uint64_t>(at + notch);
        },
        [&] { ovelin::draw_terminal(wheeling, history, area, metrics, wheel); });

    std::vector<ovelin::CellView> row;
    const Figure read = measure(canvas, frames, {}, [&] {
        std::lock_guard lock(screen.mutex);
        for (std::uint16_t r = 0; r < rows; ++r) screen.screen.read_row(r, row);
    });

    std::printf("paint of a colourful %dx%d screen afresh: %.0f text calls, %.0f code units, %.1f us CPU a frame\n",
                cols, rows, afresh.runs, afresh.units, afresh.us);
    std::printf("kept, nothing changed: %.0f text calls, %.1f us CPU a frame\n", unchanged.runs, unchanged.us);
    std::printf("kept, one line scrolled in: %.0f text calls, %.1f us CPU a frame, %zu band moves in all\n",
                scrolled.runs, scrolled.us, keeping.kept.moves);
    std::printf("kept, a wheel notch over the history: %.0f text calls, %.1f us CPU a frame\n", wheeled.runs,
                wheeled.us);
    std::printf("reading every row alone: %.1f us; afresh / read: %.2fx\n", read.us, afresh.us / read.us);
    return 0;
}
