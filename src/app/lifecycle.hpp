#pragma once
// Start-up and shutdown of the main window, as platform-neutral handlers.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Creation: configuration folder, configuration, notification-area icon.
void on_create(AppCell& cell, Host& host);

// The close button, Alt+F4, the system menu: hide to the tray or end.
void on_close(AppCell& cell, Host& host);

// The window is going away: remove the icon and end the message loop.
void on_destroy(AppCell& cell, Host& host);

// A click or double click on the notification-area icon.
void on_tray_activate(AppCell& cell, Host& host);

}  // namespace ovelin
