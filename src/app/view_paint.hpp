#pragma once
// The main area below the tab bar in the current view: tiles or cards.

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/canvas.hpp"

namespace ovelin {

// The terminal font is selected and the area filled with the background.
void paint_view(App& app, Canvas& canvas, ClientSize size, bool others_may_lag = false);

}  // namespace ovelin
