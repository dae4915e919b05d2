#include "win32/bar_font.hpp"

namespace ovelin::win32 {

HFONT BarFont::for_dpi(UINT dpi) {
    if (dpi == 0) dpi = 96;
    if (font_ && dpi == dpi_) return static_cast<HFONT>(font_.get());
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    BOOL ok = ::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    if (!ok) {
        // Older systems: the font at the system DPI, scaled to this one.
        ok = ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        if (ok) {
            HDC screen = ::GetDC(nullptr);
            const int system_dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
            if (screen) ::ReleaseDC(nullptr, screen);
            metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                                      system_dpi > 0 ? system_dpi : 96);
        }
    }
    if (!ok) return font_ ? static_cast<HFONT>(font_.get()) : nullptr;
    HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    if (!font) return font_ ? static_cast<HFONT>(font_.get()) : nullptr;
    font_.reset(font);
    dpi_ = dpi;
    return font;
}

}  // namespace ovelin::win32
