#include "app/tray.hpp"

#include <optional>
#include <string>

#include "app/lifecycle.hpp"
#include "core/platform.hpp"

namespace ovelin {

Menu build_tray_menu(const App& app) {
    const Settings& s = app.settings;
    return Menu{{
        MenuItem::command(tray_id::SHOW, "Show ovelin"),
        MenuItem::separator(),
        MenuItem::command(tray_id::CLOSE_TO_TRAY, "Close to tray", s.close_to_tray),
        MenuItem::command(tray_id::RESTORE_SESSIONS, "Restore previous sessions on start", s.restore_sessions_on_start),
        MenuItem::command(tray_id::TRACK_HISTORY, "Track command history", s.track_history),
        MenuItem::separator(),
        MenuItem::command(tray_id::CHECK_UPDATES, "Check for updates\u2026"),
        MenuItem::command(tray_id::OPEN_SETTINGS_FOLDER, "Open settings folder"),
        MenuItem::separator(),
        MenuItem::command(tray_id::QUIT, "Quit"),
    }};
}

namespace {

// The new value holds for this run even when it cannot be written.
void flip_and_save(App& app, bool Settings::*flag) {
    app.settings.*flag = !(app.settings.*flag);
    if (app.config_dir) (void)save_settings(*app.config_dir, app.settings);
}

}  // namespace

void open_tray_menu(AppCell& cell, Host& host) {
    Menu menu;
    {
        auto app = cell.take();
        menu = build_tray_menu(*app);
    }
    const int choice = host.show_tray_menu(menu);  // its own message loop: state released
    std::optional<std::string> open;
    switch (choice) {
        case tray_id::SHOW: on_tray_activate(cell, host); return;
        case tray_id::QUIT: host.destroy_window(); return;  // even with close to tray on
        case tray_id::CLOSE_TO_TRAY: flip_and_save(*cell.take(), &Settings::close_to_tray); return;
        case tray_id::RESTORE_SESSIONS: flip_and_save(*cell.take(), &Settings::restore_sessions_on_start); return;
        case tray_id::TRACK_HISTORY: flip_and_save(*cell.take(), &Settings::track_history); return;
        case tray_id::CHECK_UPDATES: open = PRODUCT_PAGE; break;
        case tray_id::OPEN_SETTINGS_FOLDER: {
            auto app = cell.take();
            if (app->config_dir) open = platform::path_utf8(*app->config_dir);
            break;
        }
        default: return;
    }
    if (open) host.open_with_shell(*open);
}

}  // namespace ovelin
