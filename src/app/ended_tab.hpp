#pragma once
// A tab whose program failed stays open: its last output with one exit line
// below it, no cursor, and no input but the keys that restart or close it.
// A restart runs the same launch again in the same tab, keeping its lines,
// id, record, title, group, colour and history.

#include <cstdint>
#include <string>

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/keys.hpp"

namespace ovelin {

// "[process exited with code N — Enter restarts, Esc closes]"
std::string exit_line(ExitStatus status);

// Marks the session ended and writes its exit line below the last output.
void end_session(Session& session, ExitStatus status);

bool active_tab_ended(const App& app);

// A key-down for an ended active tab: Enter restarts it, Escape and Ctrl+W
// close it; true when the key did one of these. Not while the help overlay
// or the group browser has the keys.
bool ended_tab_key(AppCell& cell, Host& host, unsigned virtual_key, Modifiers mods);

// Starts the ended tab's program again: its profile as stored now, or the
// command it ran when it has none (or its profile is gone or no longer runs
// in a tab). A launch that fails shows the error box and leaves the tab as
// it was; false then, and for a tab that is gone or still running.
bool restart_session(AppCell& cell, Host& host, std::uint64_t id);

// Whether a tab whose own group this is has ended.
bool group_has_ended_tab(const App& app, std::uint64_t group);
// Restarts every ended tab whose own group this is.
void restart_ended_tabs(AppCell& cell, Host& host, std::uint64_t group);

}  // namespace ovelin
