#include "app/view_mode.hpp"

#include "app/sessions.hpp"

namespace ovelin {

void set_view_mode(AppCell& cell, Host& host, ViewMode mode, bool toggle) {
    auto app = cell.take();
    app->view_mode = toggle && app->view_mode == mode ? ViewMode::Single : mode;
    lay_out(*app, host);
    host.repaint();
}

}  // namespace ovelin
