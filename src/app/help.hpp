#pragma once
// The key-help overlay.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Shows or hides the overlay and repaints.
void toggle_help(AppCell& cell, Host& host);

}  // namespace ovelin
