#include "app/lifecycle.hpp"

#include <string>
#include <utility>
#include <vector>

#include "app/resume.hpp"
#include "app/sessions.hpp"

namespace ovelin {

void on_create(AppCell& cell, Host& host) {
    {
        auto app = cell.take();
        auto dir = config_dir();
        std::optional<std::filesystem::path> folder;
        if (dir) folder = *dir;
        load_all(folder, *app);
        app->config_dir = std::move(folder);
    }
    // The notification area answers through messages, which may reach this
    // window while the call waits: the state is not held across it.
    const bool icon = host.add_tray_icon();
    {
        auto app = cell.take();
        app->tray_added = icon;
        app->metrics = host.resolve_terminal_font(app->settings.font);
    }
    open_startup_tabs(cell, host);
}

namespace {

// One paragraph per file that did not load, saying what was used instead.
std::string load_report(const std::vector<LoadProblem>& problems) {
    std::string text;
    for (const LoadProblem& p : problems) {
        if (!text.empty()) text += "\n\n";
        if (!p.error) {
            text += p.file + " was missing; " + p.file + ".bak was loaded instead.";
            continue;
        }
        // An operating-system error does not name the file by itself.
        text += p.error->is_io() ? p.file + ": " + p.error->message() : p.error->message();
        text += p.from_backup ? "\n" + p.file + ".bak was loaded instead" : std::string("\nIt is not used");
        // Text that did not load is set aside before anything is written
        // over it; a file that could not be read at all cannot be.
        if (!p.error->is_io()) text += "; before it is saved over, it is kept as " + p.file + ".unreadable";
        text += ".";
    }
    return text;
}

}  // namespace

void on_started(AppCell& cell, Host& host) {
    std::vector<LoadProblem> problems;
    {
        auto app = cell.take();
        problems = std::exchange(app->load_problems, {});
    }
    if (!problems.empty()) host.show_error(load_report(problems));  // its own loop: state released
}

void on_close(AppCell& cell, Host& host) {
    bool hide = false;
    bool retry = false;
    {
        auto app = cell.take();
        hide = app->settings.close_to_tray && app->tray_added;
        retry = app->settings.close_to_tray && !app->tray_added;
    }
    // The icon may have failed at start because the shell's notification
    // area was not up yet (a program started at logon); ask once more
    // rather than end a program the user meant to keep in the tray.
    if (retry && host.add_tray_icon()) {
        cell.take()->tray_added = true;
        hide = true;
    }
    // Hiding and destroying re-enter the window procedure: state released.
    if (hide)
        host.hide_window();
    else
        host.destroy_window();
}

void on_destroy(AppCell& cell, Host& host) {
    std::vector<Session> closing;
    bool icon = false;
    {
        auto app = cell.take();
        // The list is saved before any child is ended.
        save_open_sessions(*app);
        icon = std::exchange(app->tray_added, false);
        closing = std::move(app->sessions);
        app->sessions.clear();
    }
    if (icon) host.remove_tray_icon();  // may wait on messages: state released
    for (Session& s : closing) s.pty.reset();
    host.quit(0);
}

void on_tray_activate(AppCell&, Host& host) { host.restore_window(); }

void on_shell_restarted(AppCell& cell, Host& host) {
    const bool icon = host.add_tray_icon();  // state released: the shell answers by messages
    cell.take()->tray_added = icon;
}

void on_resize(AppCell& cell, Host& host) {
    auto app = cell.take();
    lay_out(*app, host);
    host.repaint();
}

void on_dpi_changed(AppCell& cell, Host& host) {
    auto app = cell.take();
    app->metrics = host.resolve_terminal_font(app->settings.font);
    lay_out(*app, host);
    host.repaint();
}

}  // namespace ovelin
