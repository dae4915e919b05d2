#pragma once
// The command line as the user types it, followed without asking the shell:
// entered lines go to the session's history, Tab expands aliases and takes
// the grey suggestion. Only the active session is followed; the other tabs
// of a broadcasting group receive the bytes but learn nothing.

#include <string_view>

#include "app/app.hpp"

namespace ovelin {

// One character message's text, before it is sent: edits `line`, then
// recomputes the suggestion, then records every line entered by it.
void track_input(App& app, std::string_view text);

// Entered text for the active session, line by line at CR and LF, blank
// lines skipped; each kept in memory first, then appended to the session's
// file when history tracking is on (failures there are silent).
void record_line(App& app, std::string_view text);

// `pending` becomes the newest history line that begins with `line`'s bytes
// and is longer; none when disabled or nothing matches.
void update_suggestion(Session& session, bool enabled);

// Tab without Ctrl or Shift: an alias for the word before the cursor, else
// the rest of the suggestion, else a Tab byte; sends what it produces.
void complete_on_tab(App& app);

}  // namespace ovelin
