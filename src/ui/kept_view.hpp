#pragma once
// The pixels of one terminal view kept from its last paint, so that the next
// paint draws only the rows whose lines changed and moves the ones that
// scrolled. What moved is told by the screen (Screen::moves_since and the
// lines' change times), never guessed from the pixels.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "term/screen.hpp"
#include "ui/canvas.hpp"
#include "ui/terminal_rows.hpp"

namespace ovelin {

// What one cell row of the view shows: everything its pixels depend on.
struct ViewRow {
    std::uint64_t line = 0;       // the history line it shows
    std::vector<CellView> cells;  // at least the visible ones (a whole screen row)
    RowMarks marks;
    bool known = false;  // false: its pixels are not known and are drawn anyway
};

// Made by a canvas that can keep pixels (Canvas::kept_surface). What its
// pixels show is recorded with it, so the two cannot part. Its cell rows are
// a ring: the view's top row is at pixel row `origin` times the cell height,
// so that scrolling the whole view moves no pixels.
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

    // What the rows were drawn from and with.
    CellMetrics metrics{0, 0, 0};
    int cols = 0;  // visible columns
    std::uint64_t screen = 0;  // Screen::serial()
    bool alternate = false, reverse = false;
    int screen_rows = 0, screen_cols = 0;
    std::uint64_t time = 0;  // the screen's clock at the last update
    int origin = 0;          // the cell row where the view's top row is
    std::vector<ViewRow> rows;  // the view's rows, top first
    std::uint64_t top = 0;   // the line at the top at the last update
    bool live = false;       // whether the view followed the live screen then
    std::size_t rows_drawn = 0;  // at the last update
    // For a picture that is not a terminal view: what it was drawn from.
    std::string drawn_for;
};

struct KeptPlace {
    std::uint64_t top = 0;  // the line at the view's top row
    bool live = false;      // the view follows the live screen
    bool may_lag = false;   // see TerminalView::may_lag
};

// Brings the surface (`width` pixels wide, a cell row for each of `marks`)
// to show the screen's lines from `place.top` on, `cols` columns of them,
// marked with `marks`, and shows it. Rows whose lines scrolled are kept (the
// ring turned for the most of them, bands moved for the rest); every other
// row whose line or marks changed is read again and drawn when it differs.
// A view that may lag is shown as it was when only the screen's text changed.
void paint_kept(KeptSurface& kept, const Screen& screen, const KeptPlace& place, std::vector<RowMarks>& marks,
                int cols, const CellMetrics& m, int width);

}  // namespace ovelin
