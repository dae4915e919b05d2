#include "app/mouse.hpp"

#include "app/clipboard.hpp"
#include "app/rename.hpp"
#include "app/selection.hpp"
#include "app/tab_bar.hpp"

namespace ovelin {

// The tiles' hit tests, the selection and paste plug in below the bar; until
// then a press in the main area only ends a capture. A press anywhere in the
// window ends an open rename as leaving the edit would.

void on_left_down(AppCell& cell, Host& host, int x, int y) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT)
        on_bar_left_down(cell, host, x, y);
    else
        begin_selection(cell, host, x, y);
}

void on_left_up(AppCell& cell, Host& host, int, int) { finish_selection(cell, host); }

void on_left_double_click(AppCell& cell, Host& host, int x, int y) {
    if (y < TAB_BAR_HEIGHT)
        on_bar_double_click(cell, host, x, y);
    else
        begin_selection(cell, host, x, y);  // the second press of a quick click is still a press
}

void on_right_down(AppCell& cell, Host& host, int x, int y) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT)
        on_bar_right_down(cell, host, x, y);
    else
        paste_clipboard(cell, host);  // tile headers too: all of the area pastes
}

void on_middle_down(AppCell& cell, Host& host, int x, int y) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT) on_bar_middle_down(cell, host, x, y);
}

void on_mouse_move(AppCell& cell, Host& host, int x, int y) { extend_selection(cell, host, x, y); }

}  // namespace ovelin
