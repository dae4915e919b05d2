#pragma once
// Selecting terminal text with the left button: press, drag, release copies.
// Points are client pixels; the selection itself holds cells of the
// session's history lines (see selection_state.hpp).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/tiling.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

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
