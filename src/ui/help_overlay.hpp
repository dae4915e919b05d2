#pragma once
// The key-help panel drawn over the middle of the window, last in a paint.

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "ui/canvas.hpp"

namespace ovelin {

inline constexpr std::size_t HELP_ROWS = 18;

// Key text and description, in order; the first key names the navigation
// modifier as stored ("Alt" when the setting is empty).
std::array<std::pair<std::string, std::string>, HELP_ROWS> help_rows(std::string_view nav_modifier);

// The panel's rectangle for a client rectangle and terminal cell height; it
// may overhang a small window.
Rect help_panel(const Rect& client, int cell_height);

// Fills the panel, frames it and writes the title and rows in the terminal font.
void draw_help(Canvas& canvas, const Rect& client, int cell_height, std::string_view nav_modifier);

}  // namespace ovelin
