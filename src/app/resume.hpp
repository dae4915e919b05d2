#pragma once
// The list of open tabs in sessions.json, and reopening it at start-up.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Writes the open tabs (when there is a configuration folder); errors are dropped.
void save_open_sessions(const App& app);

// Reopens the saved tabs; true when at least one opened.
bool restore_sessions(AppCell& cell, Host& host);

// The saved tabs when the settings ask for them; otherwise, or when none
// opened, one plain tab.
void open_startup_tabs(AppCell& cell, Host& host);

}  // namespace ovelin
