#pragma once
// One row of a terminal view turned into the text runs that draw it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "term/screen.hpp"
#include "ui/canvas.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

// Columns from ... to - 1 of one row; empty as {0, 0}.
struct ColumnSpan {
    int from = 0, to = 0;
    bool operator==(const ColumnSpan&) const = default;
};

// A found match's columns on one row; `current` for the match gone to.
struct FoundColumns {
    ColumnSpan span;
    bool current = false;
    bool operator==(const FoundColumns&) const = default;
};

// Everything a row is marked with: what its pixels depend on besides its cells.
struct RowMarks {
    ColumnSpan selected;
    std::vector<FoundColumns> found;  // in order, none overlapping
    bool operator==(const RowMarks&) const = default;
};

// The selected columns of history line `line` among the first `cols`.
ColumnSpan selected_columns(const SelectionRange& selection, std::uint64_t line, int cols);

// The marks of history line `line` among the first `cols` columns.
void row_marks(const TerminalView& view, std::uint64_t line, int cols, RowMarks& out);

// Adjacent cells of one colour pair and style, drawn with one text call.
struct DrawnRun {
    std::int32_t start = 0;  // column of its first cell
    std::int32_t cells = 0;  // width in cells
    std::uint32_t end = 0;   // end of its text in the row's text (it starts where the previous run ends)
    Rgb fg, bg;
    TextStyle style;
};

// Spaces on the default background, not underlined, are left out: the area
// is already that colour.
struct DrawnRow {
    std::u16string text;
    std::vector<std::int32_t> advances;  // one per code unit
    std::vector<DrawnRun> runs;
};

// The runs of the first `cols` cells of a row: selected cells in the
// selection's colours, found ones in the match colours.
void build_row(const std::vector<CellView>& cells, int cols, const RowMarks& marks, const CellMetrics& m,
               DrawnRow& out);

// Draws the row's runs with its top at y and cells from x = left, each box
// clipped at `right`, on the default background.
void draw_row(Canvas& canvas, const DrawnRow& row, int left, int y, int right, const CellMetrics& m);

}  // namespace ovelin
