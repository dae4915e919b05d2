#pragma once
// One screen's worth of cells. Rows sit in a ring: scrolling the whole
// screen moves the ring's head instead of cells. Rows count from 0 at the top
// of the screen, columns from 0 at the left.
//
// Lines: every row also has a line number that stays with its text. Row 0 is
// line base(); a row scrolled off the top for good (into the scrollback, or
// gone on the alternate screen) keeps its number, so base() counts the rows
// that left so far. For views that keep what they drew, the grid tells what
// changed: each row carries the time it last changed (a clock of the grid's
// own that only goes forward), and scrolls that move text to other line
// numbers are recorded as LineMoves.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "term/cell.hpp"
#include "term/lines.hpp"

namespace ovelin::term {

struct Rect {
    int start_row = 0, end_row = 0;  // end exclusive
    int start_col = 0, end_col = 0;
};

struct Row {
    std::unique_ptr<Cell[]> cells;
    std::vector<char32_t> clusters;  // entries: length, then that many code points
    std::uint64_t changed = 0;       // the grid's clock when it was last handed out for writing
    bool wrapped = false;            // the text goes on at the start of the next row
};

using ovelin::LineMove;

// Code points of a cluster cell in its row's side table; empty for anything else.
std::span<const char32_t> cluster_of(const std::vector<char32_t>& table, const Cell& c);

// Appends the text of cells [start, end): blanks between characters become
// spaces, trailing blanks give nothing, the right half of a wide character
// gives nothing.
void append_cells_text(std::string& out, const Cell* cells, const std::vector<char32_t>& clusters, int start,
                       int end);

class Grid {
public:
    Grid(int rows, int cols, const Pen& fill);

    int rows() const { return rows_; }
    int cols() const { return cols_; }

    // Handing a row out for writing marks it changed.
    Row& row(int r) {
        Row& rw = ring_[physical(r)];
        rw.changed = ++clock_;
        return rw;
    }
    const Row& row(int r) const { return ring_[physical(r)]; }

    std::uint64_t base() const { return base_; }
    // A line taken back from the scrollback above row 0 (a resize adding rows).
    void pulled_line_back() { --base_; }
    std::uint64_t clock() const { return clock_; }
    // The moves recorded after `time`, oldest first; false when some of them
    // are no longer kept (a view then draws every row).
    bool moves_since(std::uint64_t time, std::vector<LineMove>& out) const;

    // Writes one glyph as libvterm's screen does: the pen only with a
    // character, the cells right of a wide glyph become its continuation.
    void put(int r, int c, const char32_t* chars, int n, int width, const Pen& pen, bool protect);

    void erase(Rect rect, bool selective, const Pen& pen);

    // Moves the rectangle's content up (down > 0) or left (right > 0) and
    // blanks what is uncovered with `pen`. `leaving` sees each whole row
    // about to leave the top when the rectangle is full-width and starts at
    // row 0; a scroll larger than the rectangle only erases it.
    template <class Leaving>
    void scroll(Rect rect, int down, int right, const Pen& pen, Leaving&& leaving);

    // Keeps the top-left of the content; new cells get `fill`.
    void resize(int rows, int cols, const Pen& fill);

    bool row_is_blank(int r) const;
    void clear_row(Row& row, const Pen& pen) const;

    // Stores `n` code points (2..6) in the row's side table and returns the
    // cell value that refers to them.
    char32_t intern_cluster(Row& row, const char32_t* chars, int n) const;

    void append_text(std::string& out, int r, int start, int end) const;

private:
    std::size_t physical(int r) const {
        std::size_t i = head_ + static_cast<std::size_t>(r);
        return i >= ring_.size() ? i - ring_.size() : i;
    }
    Row& slot(int r) { return ring_[physical(r)]; }  // without marking: moving rows changes no text
    Row make_row(const Pen& fill) const;
    void record_scroll(int top, int bottom, int down);
    void copy_cells(int dst_row, int dst_col, int src_row, int src_col, int n);
    void rotate_rows(int start, int end, int down);
    void scroll_vertical(int start, int end, int down, const Pen& pen);

    int rows_;
    int cols_;
    std::vector<Row> ring_;
    std::size_t head_ = 0;
    std::vector<Row> scratch_;
    std::uint64_t clock_ = 0;
    std::uint64_t base_ = 0;
    // The latest moves, a ring; a screen scrolled a great deal between two
    // paints is drawn afresh rather than kept in step.
    static constexpr std::size_t kMovesKept = 64;
    std::vector<LineMove> moves_;
    std::size_t moves_next_ = 0;
};

// A code point as it may appear in text: libvterm's out-of-range values and
// surrogates become U+FFFD so the result is always valid UTF-8.
void append_code_point(std::string& out, char32_t cp);

inline bool is_blank_cell(const Cell& c) { return c.ch == 0 || c.ch == U' '; }

inline void Grid::put(int r, int c, const char32_t* chars, int n, int width, const Pen& pen, bool protect) {
    if (r < 0 || r >= rows_ || c < 0 || c >= cols_) return;
    Row& rw = row(r);
    Cell& cell = rw.cells[c];
    if (n <= 0) {
        cell.ch = 0;
    } else {
        cell.ch = n == 1 ? chars[0] : intern_cluster(rw, chars, n);
        cell.pen = pen;
    }
    cell.pen.set(Pen::kProtected, protect);
    for (int k = 1; k < width && c + k < cols_; ++k) rw.cells[c + k].ch = kContinuation;
}

template <class Leaving>
void Grid::scroll(Rect rect, int down, int right, const Pen& pen, Leaving&& leaving) {
    rect.start_row = rect.start_row < 0 ? 0 : rect.start_row;
    rect.start_col = rect.start_col < 0 ? 0 : rect.start_col;
    rect.end_row = rect.end_row > rows_ ? rows_ : rect.end_row;
    rect.end_col = rect.end_col > cols_ ? cols_ : rect.end_col;
    const int height = rect.end_row - rect.start_row;
    const int width = rect.end_col - rect.start_col;
    if (height <= 0 || width <= 0 || (down == 0 && right == 0)) return;
    if ((down < 0 ? -down : down) >= height || (right < 0 ? -right : right) >= width) {
        erase(rect, false, pen);
        return;
    }
    const bool full_width = rect.start_col == 0 && rect.end_col == cols_;
    if (right == 0 && full_width) {
        if (down > 0 && rect.start_row == 0)
            for (int r = 0; r < down; ++r) leaving(static_cast<const Row&>(slot(r)));
        record_scroll(rect.start_row, rect.end_row, down);
        scroll_vertical(rect.start_row, rect.end_row, down, pen);
        return;
    }
    // Part of the width, or sideways: move cells, then blank the strip left behind.
    const int src_col = right >= 0 ? rect.start_col + right : rect.start_col;
    const int dst_col = right >= 0 ? rect.start_col : rect.start_col - right;
    const int n = width - (right < 0 ? -right : right);
    if (down > 0) {
        for (int r = rect.start_row; r < rect.end_row - down; ++r) copy_cells(r, dst_col, r + down, src_col, n);
    } else {
        for (int r = rect.end_row - 1; r >= rect.start_row - down; --r) copy_cells(r, dst_col, r + down, src_col, n);
    }
    Rect blank = rect;
    if (down > 0) {
        blank.start_row = rect.end_row - down;
    } else if (down < 0) {
        blank.end_row = rect.start_row - down;
    }
    if (right > 0) {
        blank.start_col = rect.end_col - right;
    } else if (right < 0) {
        blank.end_col = rect.start_col - right;
    }
    erase(blank, false, pen);
}

}  // namespace ovelin::term
