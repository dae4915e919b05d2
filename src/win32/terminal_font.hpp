#pragma once
// The terminal font: which face, how large at the window's DPI, its cell.

#include <windows.h>

#include <string>

#include "app/host.hpp"
#include "core/records.hpp"
#include "win32/handles.hpp"

namespace ovelin::win32 {

struct TerminalFont {
    UniqueGdiObject font;             // the font all terminal text uses
    UniqueGdiObject bold;             // its bold face, for bold text (same cell)
    std::string resolved_face;        // empty before the first resolution
    CellMetrics metrics;
};

// A font of `face` at `size_pt` for `dpi`, normal or bold.
HFONT create_font(const std::string& face, unsigned dpi, float size_pt, bool bold = false);

// Picks the first installed candidate (family, then fallbacks, then
// "Consolas"), creates it for the window's DPI and measures the cell.
void resolve_terminal_font(HWND hwnd, const FontSettings& settings, TerminalFont& state);

// The resolved face (or "Consolas") at the configured size for the window's DPI.
HFONT create_terminal_font(HWND hwnd, const FontSettings& settings, const TerminalFont& state);

}  // namespace ovelin::win32
