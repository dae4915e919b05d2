#pragma once
// The mouse selection kept in App: two cells of one session's history.

#include <cstdint>

#include "term/lines.hpp"

namespace ovelin {

struct Selection {
    enum class State { None, Selecting, Done };
    State state = State::None;
    // By id, not tab position: tabs move between groups while a selection shows.
    std::uint64_t session_id = 0;
    // Cells of history lines, so the selection stays on its text while
    // output arrives and the view scrolls.
    LinePoint anchor;  // where the press was
    LinePoint end;     // under the pointer now; may lie before the anchor
    bool alternate = false;  // made on the alternate screen, whose lines are its own
    int x = 0, y = 0;        // the pointer's last place, to extend again when the view scrolls
};

}  // namespace ovelin
