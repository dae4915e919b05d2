#pragma once
// The connection dialogs the keyboard and menus open.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// The quick-connect prompt: an SSH target typed as [user@]host[:port].
void open_quick_connect(AppCell& cell, Host& host);
// The connection manager over the stored profiles.
void open_connection_manager(AppCell& cell, Host& host);

}  // namespace ovelin
