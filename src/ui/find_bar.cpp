#include "ui/find_bar.hpp"

#include <algorithm>

#include "core/utf.hpp"

namespace ovelin {

namespace {
constexpr Rgb BAR{20, 24, 31};
constexpr Rgb LABEL{210, 214, 222};
constexpr Rgb COUNT{140, 146, 158};
constexpr int PAD = 8;
}  // namespace

FindBarLayout find_bar_layout(const Rect& area, const CellMetrics& m) {
    const int cw = std::max(m.cell_width, 1);
    const Rect strip{area.left, area.top, area.right, area.top + std::max(m.cell_height, 1) + PAD};
    const Rect label{strip.left + PAD, strip.top, strip.left + PAD + 6 * cw, strip.bottom};
    // Room for "10000 of 10000" on the right.
    const Rect count{std::max(strip.right - PAD - 15 * cw, label.right), strip.top, strip.right - PAD, strip.bottom};
    const Rect edit{label.right, strip.top + PAD / 2, std::max(count.left - PAD, label.right), strip.bottom - PAD / 2};
    return {strip, label, edit, count};
}

int find_bar_rows(const CellMetrics& m) {
    const int h = std::max(m.cell_height, 1);
    return (h + PAD + h - 1) / h;
}

std::string find_count_text(bool searching, std::size_t current, std::size_t count) {
    if (!searching) return {};
    if (count == 0) return "No matches";
    return std::to_string(current) + " of " + std::to_string(count);
}

void draw_find_bar(Canvas& canvas, const FindBarLayout& bar, const std::string& count) {
    canvas.fill(bar.strip, BAR);
    canvas.text_in(bar.label, u"Find:", LABEL);
    if (!count.empty()) canvas.text_in(bar.count, utf8_to_utf16(count), COUNT);
}

}  // namespace ovelin
