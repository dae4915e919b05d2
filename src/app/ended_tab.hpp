#pragma once
// A tab whose program failed stays open: its last output with one closing
// line below it, no cursor, and no input but the keys that close it.

#include <string>

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/keys.hpp"

namespace ovelin {

// "[process exited with code N — press Enter to close]"
std::string exit_line(ExitStatus status);

// Marks the session ended and writes its exit line below the last output.
void end_session(Session& session, ExitStatus status);

bool active_tab_ended(const App& app);

// A character typed into an ended active tab: Enter, Escape and Ctrl+W close
// it, anything else is dropped. False when the character is not for it (the
// active tab still runs, or the help overlay or the group browser is shown).
bool ended_tab_takes_char(AppCell& cell, Host& host, char16_t unit, Modifiers mods);

}  // namespace ovelin
