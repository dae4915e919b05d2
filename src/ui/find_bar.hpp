#pragma once
// The find bar across the top of a terminal area: "Find:", the edit (a
// window of the platform's, laid over it), and on the right how many matches
// there are.

#include <string>

#include "ui/canvas.hpp"
#include "ui/cell_metrics.hpp"

namespace ovelin {

struct FindBarLayout {
    Rect strip;  // the whole bar: one cell height and 8 pixels
    Rect label;  // "Find:"
    Rect edit;   // where the edit goes
    Rect count;  // "N of M" or "No matches"
};

FindBarLayout find_bar_layout(const Rect& area, const CellMetrics& m);

// The rows of the area the bar covers, whole or in part.
int find_bar_rows(const CellMetrics& m);

// "3 of 12", "No matches", or nothing before anything is typed.
std::string find_count_text(bool searching, std::size_t current, std::size_t count);

void draw_find_bar(Canvas& canvas, const FindBarLayout& bar, const std::string& count);

}  // namespace ovelin
