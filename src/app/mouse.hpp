#pragma once
// Mouse buttons over the window: the tab bar is the strip above y = 34,
// everything below is the main area.

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/keys.hpp"
#include "app/mouse_report.hpp"

namespace ovelin {

inline constexpr int TAB_BAR_HEIGHT = 34;

// Below the bar, a program that asked for the mouse hears the buttons, the
// moves and the wheel instead (see mouse_report.hpp); with Shift held the
// mouse selects and pastes as always.
void on_left_down(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
void on_left_up(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
void on_left_double_click(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
void on_right_down(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
void on_right_up(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
// The second press of a quick pair of the right or middle button: a press
// for a program that asked for the mouse, nothing else.
void on_other_double_click(AppCell& cell, Host& host, PointerButton button, int x, int y, Modifiers mods = {});
void on_middle_down(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
void on_middle_up(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
void on_mouse_move(AppCell& cell, Host& host, int x, int y, Modifiers mods = {});
// WM_MOUSEWHEEL at a client point: `delta` in the platform's units, 120 a
// notch, positive away from the user.
void on_mouse_wheel(AppCell& cell, Host& host, int x, int y, int delta, Modifiers mods = {});

}  // namespace ovelin
