#pragma once
// The terminal font's cell, in device pixels, and how many cells an area
// holds: the one measure used by painting, mouse hit tests and console sizes.

#include <algorithm>
#include <cstdint>

#include "ui/canvas.hpp"

namespace ovelin {

struct CellMetrics {
    std::int32_t cell_width = 1;
    std::int32_t cell_height = 1;
    std::int32_t glyph_height = 1;
    bool operator==(const CellMetrics&) const = default;
};

// Whole cells in an area, each count at least 1 and at most 32767: the size
// a console is given, never zero however small the area.
struct CellCount {
    std::uint16_t rows = 1;
    std::uint16_t cols = 1;
    bool operator==(const CellCount&) const = default;
};

inline std::uint16_t cells_in(int pixels, std::int32_t cell) {
    const long n = std::max(pixels, 1) / std::max<std::int32_t>(cell, 1);
    return static_cast<std::uint16_t>(std::clamp<long>(n, 1, 32767));
}

inline CellCount cells_in(const Rect& area, const CellMetrics& m) {
    return {cells_in(area.bottom - area.top, m.cell_height), cells_in(area.right - area.left, m.cell_width)};
}

}  // namespace ovelin
