#pragma once
// Selecting terminal text with the left button: press, drag, release copies.
// Points are client pixels; rows and columns are cells of the visible screen
// counted from the terminal's origin (see selection_state.hpp).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// One terminal on screen: its session and the grid cell it is drawn in.
struct TerminalPlace {
    std::size_t index = 0;  // in sessions
    Rect cell;
    bool tiled = false;  // several are visible: the cell starts with a title bar
};

// Where a terminal's first cell starts in its grid cell: the single view's
// margin, or below a tile's title bar.
Point terminal_origin(const Rect& cell, bool tiled);

// The terminals the current view shows, as the paint draws them.
std::vector<TerminalPlace> visible_terminals(const App& app, ClientSize size);

// The state changes, over a given list of visible terminals.
// A press: true when the press lies in a terminal and a drag has begun.
bool begin_selection(App& app, std::span<const TerminalPlace> places, int x, int y);
// A move while the button is held: true when the end cell changed.
bool extend_selection(App& app, std::span<const TerminalPlace> places, int x, int y);
// The release: the text to copy, if any (a click or a blank drag gives none).
std::optional<std::string> finish_selection(App& app);
// Typing or closing a tab ends the selection; true when one was showing.
bool end_selection(App& app);

// What the painter highlights in the session with this id.
SelectionRange selection_range(const App& app, std::uint64_t session_id);

// The window's handlers: capture, repaint and copy around the above.
void begin_selection(AppCell& cell, Host& host, int x, int y);
void extend_selection(AppCell& cell, Host& host, int x, int y);
void finish_selection(AppCell& cell, Host& host);
// The window lost the mouse capture (Alt+Tab, a popup, a dialog): a drag
// ends as a release would, so later moves no longer extend it.
void on_capture_lost(AppCell& cell, Host& host);

}  // namespace ovelin
