#include "app/mouse.hpp"

#include "app/rename.hpp"
#include "app/tab_bar.hpp"

namespace ovelin {

// The tiles' hit tests, the selection and paste plug in below the bar; until
// then a press in the main area only ends a capture. A press anywhere in the
// window ends an open rename as leaving the edit would.

void on_left_down(AppCell& cell, Host& host, int x, int y) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT) on_bar_left_down(cell, host, x, y);
}

void on_left_up(AppCell&, Host& host, int, int) { host.release_mouse(); }

void on_left_double_click(AppCell& cell, Host& host, int x, int y) {
    if (y < TAB_BAR_HEIGHT) on_bar_double_click(cell, host, x, y);
}

void on_right_down(AppCell& cell, Host& host, int x, int y) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT) on_bar_right_down(cell, host, x, y);
}

void on_middle_down(AppCell& cell, Host& host, int x, int y) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT) on_bar_middle_down(cell, host, x, y);
}

void on_mouse_move(AppCell&, Host&, int, int) {}

}  // namespace ovelin
