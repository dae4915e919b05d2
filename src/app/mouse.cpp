#include "app/mouse.hpp"

namespace ovelin {

// The tab bar's and the tiles' hit tests, the selection and paste plug in
// here; until then a press in the main area only ends a capture.

void on_left_down(AppCell&, Host&, int, int) {}

void on_left_up(AppCell&, Host& host, int, int) { host.release_mouse(); }

void on_left_double_click(AppCell&, Host&, int, int) {}

void on_right_down(AppCell&, Host&, int, int) {}

void on_middle_down(AppCell&, Host&, int, int) {}

void on_mouse_move(AppCell&, Host&, int, int) {}

}  // namespace ovelin
