#pragma once
// Renaming a tab or a group in place: an edit laid over its bar slot. The
// window makes the edit and reports Enter, Escape and focus loss here.

#include <cstdint>
#include <string>

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Where the edit goes for a slot of the current bar.
Rect rename_box(int client_width, std::size_t item_count, std::size_t slot);

// Ends a rename in progress (keeping what was typed), then opens the edit
// over the slot with the target's current text. A vanished target, or an
// edit that cannot be made, begins nothing.
void begin_rename(AppCell& cell, Host& host, std::size_t slot, RenameState::Target target, std::uint64_t id);

// The active tab, at the slot that shows it.
void rename_active_tab(AppCell& cell, Host& host);

// Commit: the trimmed text becomes the group's name or the tab's own title
// (blank counts as a cancel) and the open tabs are saved. Either way the
// edit goes and the window has the focus again. Safe to re-enter: the edit
// reports its focus loss while it is being removed.
void end_rename(AppCell& cell, Host& host, bool commit);

// Leading and trailing white space (Unicode's) removed.
std::string trim_white_space(std::string_view text);

}  // namespace ovelin
