#pragma once
// Switching what the main area shows.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// With `toggle`, asking for the mode already shown goes back to Single.
// Then lays out and repaints.
void set_view_mode(App& app, Host& host, ViewMode mode, bool toggle);
void set_view_mode(AppCell& cell, Host& host, ViewMode mode, bool toggle);

// Browsing on or off. The path is kept for the next visit; the highlight
// starts over when it lies beyond the cards now there.
void toggle_browsing(App& app, Host& host);

}  // namespace ovelin
