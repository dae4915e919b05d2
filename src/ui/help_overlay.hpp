#pragma once
// The key-help panel drawn over the middle of the window, last in a paint.

#include <span>
#include <string>
#include <utility>

#include "ui/canvas.hpp"

namespace ovelin {

// Key text and description.
using HelpRow = std::pair<std::string, std::string>;

// The panel's rectangle for a client rectangle, terminal cell height and
// number of rows; it may overhang a small window.
Rect help_panel(const Rect& client, int cell_height, std::size_t rows);

// Fills the panel, frames it and writes the title and rows in the terminal font.
void draw_help(Canvas& canvas, const Rect& client, int cell_height, std::span<const HelpRow> rows);

}  // namespace ovelin
