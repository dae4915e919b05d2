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

// One terminal on screen: its session, the grid cell it is drawn in, and
// the area its cells fill (ui's tile_terminal_area of that cell).
struct TerminalPlace {
    std::size_t index = 0;  // in sessions
    Rect cell;
    Rect area;
    bool tiled = false;  // several are visible: the cell starts with a title bar
};

// The terminals the current view shows, as the paint draws them (none while
// browsing).
std::vector<TerminalPlace> visible_terminals(const App& app, ClientSize size);
// The one whose grid cell holds the point.
std::optional<TerminalPlace> terminal_at(const App& app, ClientSize size, int x, int y);

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
