#pragma once
// Which sessions the main area shows, how big each console is made, and
// moving the active tab among the tiles.

#include <cstddef>
#include <optional>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/canvas.hpp"

namespace ovelin {

// The main area below the tab bar.
Rect content_rect(ClientSize size);

// The session indices shown as tiles, in order: the active one alone in
// Single (and in TileGroup when it has no group), its group's tabs in
// TileGroup, every tab in TileAll, none while browsing (cards instead).
std::vector<std::size_t> visible_sessions(const App& app);

// The tile under a point of the main area, when there are several.
std::optional<std::size_t> tile_at_point(const App& app, ClientSize size, int x, int y);

// The navigation chord with an arrow: in Single the previous or next tab
// (wrapping over all of them, up and down do nothing); when tiled, the
// neighbouring tile in the arrow's direction; nothing while browsing.
void move_active(App& app, Host& host, int dx, int dy);

}  // namespace ovelin
