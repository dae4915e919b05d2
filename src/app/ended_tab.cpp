#include "app/ended_tab.hpp"

#include <expected>
#include <vector>

#include "app/sessions.hpp"
#include "proto/launch.hpp"

namespace ovelin {

namespace {

constexpr std::string_view EXIT_LINE_START = "[process exited ";

std::string row_text(const Screen& screen, std::uint16_t row) {
    return screen.contents_between(row, 0, row, screen.cols());
}

bool row_is_blank(const Screen& screen, std::uint16_t row) {
    std::vector<CellView> cells;
    screen.read_row(row, cells);
    for (const CellView& c : cells)
        if (!c.text.empty() && c.text != " ") return false;
    return true;
}

// Takes the exit line away, moves the lines above it into the scrollback
// and leaves a blank screen with the terminal as a new program expects it.
// A new pseudo console paints its whole screen from the top (Windows' and
// Wine's do), which would draw over lines left in view.
void reopen_screen(Screen& screen) {
    if (screen.alternate_screen()) {
        // The exit line went onto a full-screen program's screen: back to
        // the lines that were there before it.
        screen.feed("\x1b[?1049l");
    } else {
        // The exit line may have wrapped: its first row is the lowest one
        // that starts with it, at or above the cursor.
        for (int row = screen.cursor().row; row >= 0; --row)
            if (row_text(screen, static_cast<std::uint16_t>(row)).starts_with(EXIT_LINE_START)) {
                screen.feed("\x1b[" + std::to_string(row + 1) + ";1H\x1b[J");
                break;
            }
    }
    int kept = screen.rows();
    while (kept > 0 && row_is_blank(screen, static_cast<std::uint16_t>(kept - 1))) --kept;
    // Full-height margins, then line feeds at the bottom row push exactly
    // the kept rows off the top.
    const std::string feeds(static_cast<std::size_t>(kept), '\n');
    screen.feed("\x1b[r\x1b[" + std::to_string(screen.rows()) + ";1H" + feeds + "\x1b[H");
    // Cursor shown, and no paste brackets, cursor-key or mouse modes a
    // failed program may have left on.
    screen.feed("\x1b[?25h\x1b[?2004l\x1b[?1l\x1b[?1000l\x1b[?1002l\x1b[?1003l\x1b[?1006l");
}

// The command line a restart runs, or the error box's text.
std::expected<std::string, std::string> restart_command(const App& app, const Session& s) {
    if (!s.profile_id) return s.command;
    for (const ConnectionProfile& p : app.profiles) {
        if (p.id != *s.profile_id) continue;
        // A profile that now opens a viewer (and would write its connection
        // file for nothing) leaves the tab its own command.
        if (!std::holds_alternative<LocalShell>(p.kind) && !std::holds_alternative<Ssh>(p.kind)) break;
        auto plan = build_launch(p.kind);
        if (!plan) return std::unexpected("Cannot connect: " + plan.error().message());
        return std::get<Terminal>(*plan).command_line;
    }
    return s.command;
}

}  // namespace

std::string exit_line(ExitStatus status) {
    const std::string how = status ? "with code " + std::to_string(*status) : "with an unknown status";
    return std::string(EXIT_LINE_START) + how + " \xe2\x80\x94 Enter restarts, Esc closes]";
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

bool ended_tab_key(AppCell& cell, Host& host, unsigned key, Modifiers mods) {
    enum class Then { Restart, Close } then = Then::Close;
    std::size_t index = 0;
    std::uint64_t id = 0;
    {
        auto app = cell.take();
        if (!active_tab_ended(*app) || app->help_visible || app->view_mode == ViewMode::BrowseGroups) return false;
        if (mods.alt) return false;
        if (!mods.ctrl && key == vk::RETURN)
            then = Then::Restart;
        else if (!mods.ctrl && key == vk::ESCAPE)
            then = Then::Close;
        else if (mods.ctrl && !mods.shift && key == 'W')  // where Ctrl+W is not already the close shortcut
            then = Then::Close;
        else
            return false;
        index = app->active;
        id = app->sessions[index].id();
    }
    if (then == Then::Restart)
        restart_session(cell, host, id);
    else
        close_tab(cell, host, index);
    return true;
}

bool restart_session(AppCell& cell, Host& host, std::uint64_t id) {
    std::string failure;
    {
        auto app = cell.take();
        Session* s = app->find_session(id);
        if (!s || !s->ended()) return false;
        auto command = restart_command(*app, *s);
        if (command) {
            const std::shared_ptr<LockedScreen> screen = s->pty->screen();
            // Held until the screen is ready for it: the new program's first
            // output waits, and a failed start changes nothing. (The new
            // reader only starts at the end of the spawn.)
            std::unique_lock lock(screen->mutex);
            PtyOptions options;
            options.id = id;
            options.command_line = *command;
            options.working_dir = start_directory(app->settings);
            options.rows = screen->screen.rows();
            options.cols = screen->screen.cols();
            options.screen = screen;
            auto pty = host.spawn_session(options);
            if (pty) {
                reopen_screen(screen->screen);
                lock.unlock();
                s->pty = std::move(*pty);  // the ended one's threads are done with the screen
                s->command = std::move(*command);
                s->exit_code.reset();
                s->exit_status_unknown = false;
                s->line.clear();
                s->pending.reset();
                s->view_top.reset();  // a restart is input: the view goes live
                if (app->selection.session_id == id) app->selection = Selection{};
                lay_out(*app, host);
                host.repaint();
                return true;
            }
            failure = start_failure_text(*command, pty.error());
        } else {
            failure = command.error();
        }
    }
    host.show_error(failure);
    return false;
}

bool group_has_ended_tab(const App& app, std::uint64_t group) {
    for (const Session& s : app.sessions)
        if (s.group == group && s.ended()) return true;
    return false;
}

void restart_ended_tabs(AppCell& cell, Host& host, std::uint64_t group) {
    std::vector<std::uint64_t> ids;
    {
        auto app = cell.take();
        for (const Session& s : app->sessions)
            if (s.group == group && s.ended()) ids.push_back(s.id());
    }
    // One by one: each failure has its own box, and the others still restart.
    for (std::uint64_t id : ids) restart_session(cell, host, id);
}

}  // namespace ovelin
