#pragma once
// The pixels of one terminal view kept from its last paint, so that the next
// paint draws only the rows that changed and moves the ones that scrolled.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "term/screen.hpp"
#include "ui/canvas.hpp"
#include "ui/terminal_rows.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

// What one cell row of the view shows: everything its pixels depend on.
struct ViewRow {
    std::vector<CellView> cells;  // at least the visible ones (a whole screen row)
    ColumnSpan selected;
    std::uint64_t hash = 0;  // of the visible cells and the selection; set only when needed
    bool known = false;      // false: its pixels are not known and are drawn anyway
};

// Made by a canvas that can keep pixels (Canvas::kept_surface). What its
// pixels show is recorded with it, so the two cannot part. Its cell rows are
// a ring: the view's top row is at pixel row `origin` times the cell height,
// so that scrolling the whole screen moves no pixels.
class KeptSurface {
public:
    virtual ~KeptSurface() = default;

    // Draws into the kept pixels: (0, 0) is the surface's top left.
    virtual Canvas& canvas() = 0;
    // Moves the pixel rows top ... bottom - 1 by dy (up when negative).
    virtual void move_rows(int top, int bottom, int dy) = 0;
    // Copies the surface onto the paint's surface where it was asked for:
    // its pixel rows from `top` down first, then the rows above `top`.
    virtual void show(int top) = 0;

    TerminalMetrics metrics{0, 0, 0};  // what the rows were drawn with
    int cols = 0;                      // visible columns they were drawn with
    int origin = 0;                    // the cell row where the view's top row is
    std::vector<ViewRow> rows;         // the view's rows, top first
    std::size_t rows_drawn = 0;        // at the last update
};

// Brings the surface (`width` pixels wide, a cell row for each of `fresh`)
// to show `fresh`, of which `cols` columns are visible, and shows it. Rows
// that scrolled are kept (the ring turned for the whole screen, a band
// moved for a part of it); every row that still differs is drawn again.
// Rows of `fresh` may be swapped with the surface's old ones.
void paint_kept(KeptSurface& kept, std::vector<ViewRow>& fresh, int cols, const TerminalMetrics& m, int width);

}  // namespace ovelin
