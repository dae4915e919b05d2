#pragma once
// Browsing the group tree as cards: one level at a time, `browse_path`
// naming the groups entered (outermost first), `browse_cursor` the
// highlighted card.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

struct BrowseEntry {
    enum class Kind { Group, Tab };
    Kind kind = Kind::Group;
    std::uint64_t group = 0;  // a group card's id
    std::size_t session = 0;  // a tab card's index
    bool operator==(const BrowseEntry&) const = default;
};

// The groups directly inside the current level, then its own tabs.
std::vector<BrowseEntry> browse_entries(const App& app);

// Enter: a tab card opens that tab in Single, a group card goes into it.
void browse_open(App& app, Host& host);
// Backspace or the Up button: one level out; nothing at the top level.
void browse_up(App& app, Host& host);
// An arrow: the highlight moves through the card grid (no repaint).
void browse_move(App& app, int dx, int dy);
// Ctrl+Tab forwards, Ctrl+Shift+Tab back, wrapping (no repaint).
void browse_step(App& app, bool back);

struct BrowseHit {
    enum class Kind { None, Up, Card };
    Kind kind = Kind::None;
    std::size_t card = 0;
    bool operator==(const BrowseHit&) const = default;
};

// The Up button (only below the top level) or a card under the point.
BrowseHit browse_at_point(const App& app, ClientSize size, int x, int y);

// A left press while browsing: the Up button goes up, a card is
// highlighted; `open` (a double click) then opens the card.
void browse_press(AppCell& cell, Host& host, int x, int y, bool open);

}  // namespace ovelin
