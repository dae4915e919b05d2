#pragma once
// The mouse selection kept in App: two visible-screen cells of one session.

#include <cstdint>

namespace ovelin {

// A visible cell: row 0 is the screen's top row, column 0 its left column.
struct CellPoint {
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    auto operator<=>(const CellPoint&) const = default;
};

struct Selection {
    enum class State { None, Selecting, Done };
    State state = State::None;
    // By id, not tab position: tabs move between groups while a selection shows.
    std::uint64_t session_id = 0;
    CellPoint anchor;  // where the press was
    CellPoint end;     // under the pointer now; may lie before the anchor
};

}  // namespace ovelin
