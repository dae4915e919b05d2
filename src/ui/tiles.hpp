#pragma once
// The grid shared by tiles and cards, and their painting. Geometry and
// paint use the same functions, so a click lands where a card is drawn.
// All sizes are device pixels and do not scale with the DPI.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "ui/canvas.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

// Below the tab bar; the browser's band takes 30 more pixels.
inline constexpr int CONTENT_TOP = 34;
inline constexpr int BROWSE_TOP = 64;

// ceil(sqrt(count)) columns; 0 for no items.
int grid_columns(std::size_t count);

// One cell per item, row by row, no gaps; remainder pixels stay blank.
// Cells are at least one pixel, even in an area too small for them.
std::vector<Rect> grid(const Rect& area, std::size_t count);

// One step through the grid: horizontal moves wrap within the row (the last
// one may be short), vertical ones within the column.
std::size_t move_in_grid(std::size_t count, std::size_t index, int dx, int dy);

// The cell holding the point (left and top edges in, right and bottom out).
std::optional<std::size_t> cell_at(std::span<const Rect> cells, int x, int y);

// One session shown in a tile or on a card.
struct TerminalPane {
    std::string label;          // UTF-8
    std::optional<Rgb> strip;   // the colour strip of the header
    LockedScreen* screen = nullptr;
    TerminalView view;
};

// Where a tile's or card's terminal goes; a lone tile (the single view) has
// no header. The one place this rectangle is made: painting, hit tests and
// the sizes consoles are given all take it from here.
Rect tile_terminal_area(const Rect& cell, bool alone);

// A tile: header, terminal, frame (the header and frame only among others).
void paint_tile(Canvas& canvas, const Rect& cell, const TerminalPane& pane, bool alone, bool active,
                const CellMetrics& metrics);

struct GroupCard {
    std::string name;
    Rgb color;
    std::size_t tabs = 0;    // tabs directly in it
    std::size_t groups = 0;  // groups directly in it
};

using BrowseCard = std::variant<GroupCard, TerminalPane>;

struct BrowserView {
    bool top_level = true;            // the Up button is dim and does nothing
    std::vector<std::string> crumbs;  // the names of the groups on the path
    std::vector<BrowseCard> cards;
    std::size_t highlighted = 0;
};

// "N tab(s) · M group(s)"
std::string card_counts(std::size_t tabs, std::size_t groups);

// The Up button of the browser's band, for a content area from left to right.
Rect up_button_rect(int left, int right);

// The band, breadcrumb, Up button and cards in the content area (L, 34, R, B).
void paint_browser(Canvas& canvas, const Rect& content, const BrowserView& view, const CellMetrics& metrics);

}  // namespace ovelin
