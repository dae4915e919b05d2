// Under Wine or Windows: the time per full repaint of a colourful 240 x 70
// screen through GDI (memory bitmap, terminal font, text runs, one BitBlt to
// a window), against a fill-only repaint of the same window in the same run.

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "paint_screen.hpp"
#include "ui/terminal_view.hpp"
#include "win32/gdi_canvas.hpp"
#include "win32/terminal_font.hpp"

namespace {

using Clock = std::chrono::steady_clock;

template <class Paint>
double ms_per_frame(HWND hwnd, int width, int height, int frames, Paint paint) {
    HDC dc = ::GetDC(hwnd);
    const auto t0 = Clock::now();
    for (int f = 0; f < frames; ++f) {
        HDC mem = ::CreateCompatibleDC(dc);
        HBITMAP bmp = ::CreateCompatibleBitmap(dc, width, height);
        HGDIOBJ old = ::SelectObject(mem, bmp);
        RECT all{0, 0, width, height};
        ::SetDCBrushColor(mem, RGB(12, 14, 18));
        ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        ::SetBkMode(mem, TRANSPARENT);
        paint(mem);
        ::BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
        ::SelectObject(mem, old);
        ::DeleteObject(bmp);
        ::DeleteDC(mem);
    }
    ::GdiFlush();
    ::ReleaseDC(hwnd, dc);
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / frames;
}

}  // namespace

int main() {
    constexpr int rows = 70, cols = 240, frames = 40;
    HFONT font = ovelin::win32::create_font("Consolas", 96, 10.0f);
    HDC probe = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(probe, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(probe, &tm);
    ::SelectObject(probe, old);
    ::ReleaseDC(nullptr, probe);
    const ovelin::TerminalMetrics metrics{tm.tmAveCharWidth, tm.tmHeight + tm.tmExternalLeading, tm.tmHeight};
    const int width = 12 + metrics.cell_width * cols, height = 42 + metrics.cell_height * rows;

    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OvelinPaintBench";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"paint bench", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                  nullptr, nullptr, wc.hInstance, nullptr);

    ovelin::LockedScreen screen(rows, cols);
    screen.screen.feed(colourful_screen_bytes(rows, cols));
    const ovelin::Rect area{6, 40, width - 6, height - 2};

    const double full = ms_per_frame(hwnd, width, height, frames, [&](HDC mem) {
        ovelin::win32::GdiCanvas canvas(mem, font);
        canvas.select_font(ovelin::FontKind::Terminal);
        ovelin::draw_terminal(canvas, screen, area, metrics, true, {}, {});
    });
    const double fill_only = ms_per_frame(hwnd, width, height, frames, [](HDC) {});
    std::printf("GDI repaint of a colourful %dx%d screen (%dx%d px): %.2f ms per frame\n", cols, rows, width, height,
                full);
    std::printf("fill-only repaint of the same window: %.2f ms per frame; full / fill-only: %.1fx\n", fill_only,
                full / fill_only);
    ::DestroyWindow(hwnd);
    ::DeleteObject(font);
    return 0;
}
