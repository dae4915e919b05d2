#include "app/help.hpp"

namespace ovelin {

void toggle_help(AppCell& cell, Host& host) {
    auto app = cell.take();
    app->help_visible = !app->help_visible;
    host.repaint();
}

}  // namespace ovelin
