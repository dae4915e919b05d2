#include "app/mouse.hpp"

#include "app/browse.hpp"
#include "app/rename.hpp"
#include "app/sessions.hpp"
#include "app/tab_bar.hpp"
#include "app/tiling.hpp"

namespace ovelin {

// A press anywhere in the window ends an open rename as leaving the edit
// would. Below the bar, the browser takes presses for its button and cards;
// otherwise a press on a tile makes it active, and the selection and paste
// plug in after that.

namespace {
// True when the browser took the press (nothing else happens then).
bool press_in_view(AppCell& cell, Host& host, int x, int y, bool double_click) {
    std::optional<std::size_t> tile;
    {
        auto app = cell.take();
        if (app->view_mode != ViewMode::BrowseGroups) {
            tile = tile_at_point(*app, host.client_size(), x, y);
            if (tile && *tile == app->active) tile.reset();
        }
    }
    if (tile) {
        activate(cell, host, *tile);
        return false;
    }
    if (cell.take()->view_mode != ViewMode::BrowseGroups) return false;
    browse_press(cell, host, x, y, double_click);
    return true;
}
}  // namespace

void on_left_down(AppCell& cell, Host& host, int x, int y) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT) {
        on_bar_left_down(cell, host, x, y);
        return;
    }
    if (press_in_view(cell, host, x, y, false)) return;
    // The press goes on here to start a selection in the active tile.
}

void on_left_up(AppCell&, Host& host, int, int) { host.release_mouse(); }

void on_left_double_click(AppCell& cell, Host& host, int x, int y) {
    if (y < TAB_BAR_HEIGHT) {
        on_bar_double_click(cell, host, x, y);
        return;
    }
    press_in_view(cell, host, x, y, true);  // a double click in a tile goes on to select a word
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
