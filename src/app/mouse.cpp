#include "app/mouse.hpp"

#include "app/browse.hpp"
#include "app/clipboard.hpp"
#include "app/find.hpp"
#include "app/rename.hpp"
#include "app/scrolling.hpp"
#include "app/selection.hpp"
#include "app/sessions.hpp"
#include "app/tab_bar.hpp"
#include "app/tiling.hpp"

namespace ovelin {

// A press anywhere in the window ends an open rename as leaving the edit
// would. Below the bar, the browser takes presses for its button and cards;
// otherwise a press on a tile makes it active and then starts a selection.
// The right button pastes anywhere below the bar.

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

// True when the press was on a scroll thumb, which then follows the pointer,
// or on the find bar, which takes it.
bool press_on_thumb(AppCell& cell, Host& host, int x, int y) {
    {
        auto app = cell.take();
        if (app->view_mode == ViewMode::BrowseGroups) return false;
        if (find_bar_at(*app, host.client_size(), x, y)) return true;
        if (!begin_thumb_drag(*app, host.client_size(), x, y)) return false;
    }
    host.capture_mouse();
    return true;
}

void on_left_down(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT) {
        on_bar_left_down(cell, host, x, y);
        return;
    }
    if (press_on_thumb(cell, host, x, y)) return;
    if (press_in_view(cell, host, x, y, false)) return;
    if (report_press(cell, host, PointerButton::Left, x, y, mods)) return;
    begin_selection(cell, host, x, y);
}

void on_left_up(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    if (end_thumb_drag(*cell.take())) {
        host.release_mouse();
        return;
    }
    if (report_release(cell, host, PointerButton::Left, x, y, mods)) return;
    // The release's own point ends the selection: the last move before it
    // may not have been delivered (moves are merged while the thread is busy).
    extend_selection(cell, host, x, y);
    finish_selection(cell, host);
}

void on_left_double_click(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    if (y < TAB_BAR_HEIGHT) {
        on_bar_double_click(cell, host, x, y);
        return;
    }
    // The second press of a quick click is still a press: it replaces the selection.
    if (press_on_thumb(cell, host, x, y)) return;
    if (press_in_view(cell, host, x, y, true)) return;
    if (report_press(cell, host, PointerButton::Left, x, y, mods)) return;
    begin_selection(cell, host, x, y);
}

void on_right_down(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT) {
        on_bar_right_down(cell, host, x, y);
        return;
    }
    if (report_press(cell, host, PointerButton::Right, x, y, mods)) return;
    paste_clipboard(cell, host);  // tile headers too: all of the area pastes
}

void on_right_up(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    report_release(cell, host, PointerButton::Right, x, y, mods);
}

void on_other_double_click(AppCell& cell, Host& host, PointerButton button, int x, int y, Modifiers mods) {
    if (y >= TAB_BAR_HEIGHT) report_press(cell, host, button, x, y, mods);
}

void on_middle_down(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    end_rename(cell, host, true);
    if (y < TAB_BAR_HEIGHT)
        on_bar_middle_down(cell, host, x, y);
    else
        report_press(cell, host, PointerButton::Middle, x, y, mods);
}

void on_middle_up(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    report_release(cell, host, PointerButton::Middle, x, y, mods);
}

void on_mouse_move(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    {
        auto app = cell.take();
        if (app->thumb_drag.active) {
            if (drag_thumb(*app, host.client_size(), y)) host.repaint();
            return;
        }
    }
    if (report_move(cell, host, x, y, mods)) return;
    extend_selection(cell, host, x, y);
}

void on_mouse_wheel(AppCell& cell, Host& host, int x, int y, int delta, Modifiers mods) {
    on_wheel(cell, host, x, y, delta, host.wheel_scroll_lines(), mods);
}

}  // namespace ovelin
