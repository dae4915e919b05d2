#pragma once
// The find bar of the active session: what is searched for, the matches in
// its history, and the one gone to. The window makes the bar's edit and
// reports its text and keys here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/find_matches.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

enum class FindKey { Older, Newer, Close };

// Ctrl+Shift+F: opens the bar over the active session's view, or closes it.
void toggle_find(AppCell& cell, Host& host);
// The edit's text changed: search again, and go to the newest match (the
// search goes up from the live screen).
void on_find_text(AppCell& cell, Host& host, const std::string& text);
// Enter and F3 go to the next older match, with Shift the next newer one,
// wrapping at the ends; Escape (or Ctrl+Shift+F) closes the bar.
void on_find_key(AppCell& cell, Host& host, FindKey key);

// Closes the bar when its session is no longer the active one shown, else
// lays its edit over the session's area again. Called with every layout.
void place_find_bar(App& app, Host& host);
void close_find(App& app, Host& host);

// True when the point lies on the open find bar (which takes the press).
bool find_bar_at(const App& app, ClientSize size, int x, int y);

// Brings the matches up to date with the session's screen (lines searched
// before keep their matches; only what changed is searched again).
void refresh_find(App& app);

// What the painter marks in the session with this id.
struct FindMarks {
    std::span<const FoundSpan> found;
    std::optional<std::size_t> current;
};
FindMarks find_marks(const App& app, std::uint64_t session_id);

// "N of M" (the newest match is 1), "No matches", or nothing.
std::string find_count(const App& app);

}  // namespace ovelin
