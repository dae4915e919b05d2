#pragma once
// What one repaint draws, in order, onto the window's off-screen surface.

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/canvas.hpp"

namespace ovelin {

// The surface is already filled with the background. Draws the tab bar,
// the main area of the current view, and the help overlay when shown.
// `others_may_lag`: the views of tabs other than the active one may show
// what they showed before when only their text changed (Host::repaint_active).
void paint_window(App& app, Canvas& canvas, ClientSize size, bool others_may_lag = false);

}  // namespace ovelin
