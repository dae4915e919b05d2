#pragma once
// The list of open tabs in sessions.json, and reopening it at start-up.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Writes the open tabs (when there is a configuration folder); errors are dropped.
void save_open_sessions(const App& app);

// Reopens the saved tabs; true when at least one opened. All are shown at
// once; the active tab's program starts first, the others' after it has
// printed (or after two seconds), one at a time between paints.

// Whether some tab's program has not started yet.
bool any_waiting(const App& app);

// Starts the program of one waiting tab (the active one first, then in tab
// order) and asks for the next. A program that cannot start leaves its tab
// ended, its status unknown.
void start_waiting_tabs(AppCell& cell, Host& host);
bool restore_sessions(AppCell& cell, Host& host);

// The saved tabs when the settings ask for them; otherwise, or when none
// opened, one plain tab.
void open_startup_tabs(AppCell& cell, Host& host);

}  // namespace ovelin
