#pragma once
// Focus reports (mode 1004): "CSI I" to the session that starts receiving
// the keys in the focused window, "CSI O" to the one that stops, each only
// when its program asked for them. No session receives keys while the
// window is unfocused or the group browser is shown.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Tells the sessions whose part changed since the last call; called after
// anything that may change the active session or the view mode.
void report_focus(App& app);

// WM_SETFOCUS and WM_KILLFOCUS.
void on_focus_changed(AppCell& cell, Host& host, bool focused);

}  // namespace ovelin
