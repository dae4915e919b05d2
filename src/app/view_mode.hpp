#pragma once
// Switching what the main area shows.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// With `toggle`, asking for the mode already shown goes back to Single.
// Then lays out and repaints.
void set_view_mode(AppCell& cell, Host& host, ViewMode mode, bool toggle);

}  // namespace ovelin
