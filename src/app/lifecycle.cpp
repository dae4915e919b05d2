#include "app/lifecycle.hpp"

namespace ovelin {

void on_create(AppCell& cell, Host& host) {
    auto app = cell.take();
    auto dir = config_dir();
    std::optional<std::filesystem::path> folder;
    if (dir) folder = *dir;
    load_all(folder, *app);
    app->config_dir = std::move(folder);
    app->tray_added = host.add_tray_icon();
}

void on_close(AppCell& cell, Host& host) {
    bool hide = false;
    {
        auto app = cell.take();
        hide = app->settings.close_to_tray && app->tray_added;
    }
    // Hiding and destroying re-enter the window procedure: state released.
    if (hide)
        host.hide_window();
    else
        host.destroy_window();
}

void on_destroy(AppCell& cell, Host& host) {
    auto app = cell.take();
    if (app->tray_added) {
        host.remove_tray_icon();
        app->tray_added = false;
    }
    host.quit(0);
}

void on_tray_activate(AppCell&, Host& host) { host.restore_window(); }

}  // namespace ovelin
