#pragma once
// The window that lists and resets the active tab's command history.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Nothing without an active tab. Resets leave the lines open tabs remember
// for suggestions as they are.
void open_history_viewer(AppCell& cell, Host& host);

}  // namespace ovelin
