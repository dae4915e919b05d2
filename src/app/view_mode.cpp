#include "app/view_mode.hpp"

#include "app/browse.hpp"
#include "app/sessions.hpp"

namespace ovelin {

void set_view_mode(App& app, Host& host, ViewMode mode, bool toggle) {
    app.view_mode = toggle && app.view_mode == mode ? ViewMode::Single : mode;
    if (app.view_mode == ViewMode::BrowseGroups && app.browse_cursor >= browse_entries(app).size())
        app.browse_cursor = 0;
    lay_out(app, host);
    host.repaint();
}

void set_view_mode(AppCell& cell, Host& host, ViewMode mode, bool toggle) {
    auto app = cell.take();
    set_view_mode(*app, host, mode, toggle);
}

void toggle_browsing(App& app, Host& host) {
    set_view_mode(app, host, ViewMode::BrowseGroups, true);
}

}  // namespace ovelin
