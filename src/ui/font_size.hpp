#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ovelin {

// The character height in device pixels for a size in points at a DPI: a
// DPI below 97 (or unknown) counts as 96, the size is kept to 6..72 points.
// The font is requested with the negative of this (character height).
inline std::int32_t terminal_font_height(unsigned dpi, float size_pt) {
    const double d = dpi < 97 ? 96.0 : static_cast<double>(dpi);
    if (std::isnan(size_pt)) return 0;
    const double p = std::clamp(static_cast<double>(size_pt), 6.0, 72.0);
    const double h = std::round(d * p / 72.0);
    constexpr double max = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::min(h, max));
}

}  // namespace ovelin
