#pragma once
// The tab bar's font: the system's message font, as Windows programs use
// for their own chrome, at the window's DPI.

#include <windows.h>

#include "win32/handles.hpp"

namespace ovelin::win32 {

class BarFont {
public:
    // Made once per DPI and kept; null when the system gives no font.
    HFONT for_dpi(UINT dpi);

private:
    UniqueGdiObject font_;
    UINT dpi_ = 0;
};

}  // namespace ovelin::win32
