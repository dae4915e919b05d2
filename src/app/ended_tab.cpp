#include "app/ended_tab.hpp"

#include <vector>

#include "app/sessions.hpp"

namespace ovelin {

namespace {

bool row_is_blank(const Screen& screen, std::uint16_t row) {
    std::vector<CellView> cells;
    screen.read_row(row, cells);
    for (const CellView& c : cells)
        if (!c.text.empty() && c.text != " ") return false;
    return true;
}

}  // namespace

std::string exit_line(ExitStatus status) {
    const std::string how = status ? "with code " + std::to_string(*status) : "with an unknown status";
    return "[process exited " + how + " \xe2\x80\x94 press Enter to close]";
}

void end_session(Session& session, ExitStatus status) {
    session.exit_code = status.value_or(0);
    session.exit_status_unknown = !status;

    LockedScreen& locked = *session.pty->screen();
    std::lock_guard lock(locked.mutex);
    Screen& screen = locked.screen;
    // What the program left unfinished or switched on must not garble the
    // line: the first ESC ends a cut sequence or string, then default
    // colours, ASCII, no insert mode, wrapping on.
    std::string bytes = "\x1b[0m\x1b(B\x0f\x1b[4l\x1b[?7h";
    const CursorPos at = screen.cursor();
    if (at.col != 0 || !row_is_blank(screen, at.row)) bytes += "\r\n";
    // The row may hold a full-screen program's leftovers.
    bytes += "\x1b[2K" + exit_line(status);
    screen.feed(bytes);
}

bool active_tab_ended(const App& app) { return app.active < app.sessions.size() && app.sessions[app.active].ended(); }

bool ended_tab_takes_char(AppCell& cell, Host& host, char16_t unit, Modifiers mods) {
    std::size_t index = 0;
    {
        auto app = cell.take();
        if (!active_tab_ended(*app) || app->help_visible || app->view_mode == ViewMode::BrowseGroups) return false;
        // Where Ctrl+W is the close shortcut its key-down has closed the tab
        // already; its character must not close the next one too.
        const bool ctrl_w = unit == 0x17 && mods.ctrl && !mods.shift && !app->settings.keys.chrome_tab_keys;
        if (unit != u'\r' && unit != 0x1B && !ctrl_w) return true;
        index = app->active;
    }
    close_tab(cell, host, index);
    return true;
}

}  // namespace ovelin
