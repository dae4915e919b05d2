// The cost of one full paint of a colourful 240 x 70 screen on a canvas that
// only counts: text calls per frame and CPU time per frame, against the
// bare cost of reading every cell of the same screen in the same run.

#include <chrono>
#include <cstdio>

#include "paint_screen.hpp"
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

}  // namespace

int main() {
    constexpr int rows = 70, cols = 240, frames = 300;
    ovelin::LockedScreen screen(rows, cols);
    screen.screen.feed(colourful_screen_bytes(rows, cols));
    const ovelin::TerminalMetrics metrics{8, 16, 14};
    const ovelin::Rect area{6, 40, 6 + 8 * cols, 40 + 16 * rows};

    CountingCanvas canvas;
    const auto t0 = Clock::now();
    for (int f = 0; f < frames; ++f)
        ovelin::draw_terminal(canvas, screen, area, metrics, true, {}, {});
    const double paint_us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / frames;

    std::size_t sink = 0;
    const auto t1 = Clock::now();
    for (int f = 0; f < frames; ++f) {
        std::lock_guard lock(screen.mutex);
        for (std::uint16_t r = 0; r < rows; ++r)
            for (std::uint16_t c = 0; c < cols; ++c) sink += screen.screen.cell(r, c).text.size();
    }
    const double read_us = std::chrono::duration<double, std::micro>(Clock::now() - t1).count() / frames;

    std::printf("paint of a colourful %dx%d screen: %.0f text calls, %.0f code units per frame\n", cols, rows,
                static_cast<double>(canvas.runs) / frames, static_cast<double>(canvas.units) / frames);
    std::printf("CPU per frame: %.1f us; reading every cell alone: %.1f us; paint / read: %.2fx (%zu)\n", paint_us,
                read_us, paint_us / read_us, sink % 7);
    return 0;
}
