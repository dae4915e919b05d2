#include "win32/terminal_font.hpp"

#include <algorithm>

#include "core/utf.hpp"
#include "ui/font_size.hpp"

namespace ovelin::win32 {

namespace {

std::wstring wide(const std::string& s) {
    std::u16string u = utf8_to_utf16(s);
    return std::wstring(u.begin(), u.end());
}

bool same_face(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// The face the system really picks for a request of `face`: a substituted
// font answers with another name.
bool installed(HDC dc, const std::string& face) {
    HFONT probe = create_font(face, 96, 12.0f);
    if (!probe) return false;
    HGDIOBJ old = ::SelectObject(dc, probe);
    wchar_t buf[64] = {};
    int n = ::GetTextFaceW(dc, 64, buf);
    ::SelectObject(dc, old);
    ::DeleteObject(probe);
    if (n <= 0) return false;
    std::u16string got(buf, buf + wcsnlen(buf, 64));
    return same_face(utf16_to_utf8(got).value_or(std::string()), face);
}

}  // namespace

HFONT create_font(const std::string& face, unsigned dpi, float size_pt, bool bold) {
    const std::int32_t h = terminal_font_height(dpi, size_pt);
    std::wstring name = wide(face);
    return ::CreateFontW(-h, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FF_MODERN | DEFAULT_PITCH, name.c_str());
}

HFONT create_terminal_font(HWND hwnd, const FontSettings& settings, const TerminalFont& state) {
    const std::string face = state.resolved_face.empty() ? "Consolas" : state.resolved_face;
    return create_font(face, ::GetDpiForWindow(hwnd), settings.size_pt);
}

void resolve_terminal_font(HWND hwnd, const FontSettings& settings, TerminalFont& state) {
    HDC dc = ::GetDC(hwnd);
    if (!dc) return;
    std::vector<std::string> candidates;
    if (settings.family) candidates.push_back(*settings.family);
    candidates.insert(candidates.end(), settings.fallbacks.begin(), settings.fallbacks.end());
    std::string face = "Consolas";
    for (const std::string& c : candidates) {
        if (!c.empty() && installed(dc, c)) {
            face = c;
            break;
        }
    }
    state.resolved_face = face;

    HFONT font = create_font(face, ::GetDpiForWindow(hwnd), settings.size_pt);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW tm{};
    if (::GetTextMetricsW(dc, &tm)) {
        state.metrics.cell_width = std::max<LONG>(tm.tmAveCharWidth, 1);
        state.metrics.cell_height = std::max<LONG>(tm.tmHeight + tm.tmExternalLeading, 1);
        state.metrics.glyph_height = std::max<LONG>(tm.tmHeight, 1);
    }
    ::SelectObject(dc, old);
    state.font.reset(font);
    state.bold.reset(create_font(face, ::GetDpiForWindow(hwnd), settings.size_pt, true));
    ::ReleaseDC(hwnd, dc);
}

}  // namespace ovelin::win32
