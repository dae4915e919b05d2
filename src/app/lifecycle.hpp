#pragma once
// Start-up and shutdown of the main window, as platform-neutral handlers.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Creation: configuration folder, configuration, notification-area icon,
// terminal font, then the start-up tabs.
void on_create(AppCell& cell, Host& host);

// The window is on the screen: the files that did not load at start are
// reported, once.
void on_started(AppCell& cell, Host& host);

// The close button, Alt+F4, the system menu: hide to the tray or end.
void on_close(AppCell& cell, Host& host);

// The window is going away: save the tabs, remove the icon, end every
// session and the message loop.
void on_destroy(AppCell& cell, Host& host);

// A click or double click on the notification-area icon.
void on_tray_activate(AppCell& cell, Host& host);
// The shell's notification area was (re)created: the icon is added again.
void on_shell_restarted(AppCell& cell, Host& host);

// The client area changed size: fit the consoles, repaint.
void on_resize(AppCell& cell, Host& host);
// The window moved to a monitor with another DPI: new font, new fit.
void on_dpi_changed(AppCell& cell, Host& host);

}  // namespace ovelin
