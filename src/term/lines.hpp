#pragma once
// Line numbers of a screen's history: they stay with their text while it
// scrolls, into the scrollback and out of sight.

#include <cstdint>
#include <compare>

namespace ovelin {

// A cell of a history line: `line` as Screen numbers them, `col` from 0.
struct LinePoint {
    std::uint64_t line = 0;
    std::uint16_t col = 0;
    auto operator<=>(const LinePoint&) const = default;
};

// The text of lines [first, last) moved `by` lines (to higher numbers when
// positive), clipped to that range; the lines of the range it left are new.
struct LineMove {
    std::uint64_t time = 0;
    std::uint64_t first = 0, last = 0;
    std::int64_t by = 0;
    bool operator==(const LineMove&) const = default;
};

}  // namespace ovelin
