#pragma once
// A menu model as a real popup menu, shown and destroyed within one call.

#include <windows.h>

#include "ui/menu.hpp"

namespace ovelin::win32 {

// Runs the menu at a screen point with the right button allowed for
// choosing; answers the chosen id, 0 when dismissed or not shown. `flags`
// add to TPM_RETURNCMD | TPM_RIGHTBUTTON.
int track_popup_menu(HWND owner, const Menu& menu, POINT screen_point, UINT flags = 0);

}  // namespace ovelin::win32
