#pragma once
// Mouse buttons over the window: the tab bar is the strip above y = 34,
// everything below is the main area.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

inline constexpr int TAB_BAR_HEIGHT = 34;

void on_left_down(AppCell& cell, Host& host, int x, int y);
void on_left_up(AppCell& cell, Host& host, int x, int y);
void on_left_double_click(AppCell& cell, Host& host, int x, int y);
void on_right_down(AppCell& cell, Host& host, int x, int y);
void on_middle_down(AppCell& cell, Host& host, int x, int y);
void on_mouse_move(AppCell& cell, Host& host, int x, int y);

}  // namespace ovelin
