// Resizing: the grids, tab stops, line sizes and margins follow the new
// size; lines go to the scrollback and come back from it as rows are lost
// and gained.

#include <algorithm>

#include "term/terminal.hpp"

namespace ovelin::term {

void Terminal::resize(int rows_wanted, int cols_wanted) {
    const Size s = clamped(rows_wanted, cols_wanted);
    if (s.rows == rows() && s.cols == cols()) return;
    const Pos old = pos_;
    if (s.cols != cols()) {
        std::vector<std::uint8_t> stops(static_cast<std::size_t>((s.cols + 7) / 8));
        for (int c = 0; c < s.cols; ++c) {
            const auto u = static_cast<std::size_t>(c);
            const bool set = c < cols() ? (tabstops_[u / 8] >> (u % 8)) & 1 : c % 8 == 0;
            if (set) stops[u / 8] |= static_cast<std::uint8_t>(1u << (u % 8));
        }
        tabstops_ = std::move(stops);
    }
    line_attrs_.resize(static_cast<std::size_t>(s.rows), 0);
    if (region_bottom_ > -1) region_bottom_ = std::min(region_bottom_, s.rows);
    if (region_right_ > -1) region_right_ = std::min(region_right_, s.cols);
    int delta_row = 0;
    on_resize(s.rows, s.cols, delta_row);
    if (at_phantom_ && pos_.col < s.cols - 1) {
        at_phantom_ = false;
        ++pos_.col;
    }
    pos_.row = std::clamp(pos_.row + delta_row, 0, s.rows - 1);
    pos_.col = std::clamp(pos_.col, 0, s.cols - 1);
    // Margins the smaller screen leaves empty or inverted go.
    if (region_bottom() <= region_top_) region_top_ = 0, region_bottom_ = -1, at_phantom_ = false;
    if (region_right_ > -1 && region_right_ <= region_left_) region_left_ = 0, region_right_ = -1;
    if (region_left_ >= s.cols) region_left_ = 0, region_right_ = -1;
    moved(old, true);
    in_run_ = false;
}

void Terminal::on_resize(int new_rows, int new_cols, int& delta_row) {
    const int old_rows = main_.rows();
    if (!alternate_screen() && new_rows < old_rows) {
        // Fewer rows: rows above the cursor that hold something go to the
        // scrollback, blank rows at the bottom are dropped first; no
        // further than the cursor's row, so the cursor stays on the screen.
        int r = old_rows - 1;
        for (; r >= new_rows; --r)
            if (!main_.row_is_blank(r) || pos_.row == r) break;
        const int first_blank = r + 1;
        const int up = std::min(first_blank - new_rows, std::max(pos_.row, 0));
        if (up > 0) {
            const int cols_now = main_.cols();
            main_.scroll(Rect{0, old_rows, 0, cols_now}, up, 0, pen_,
                         [&](const Row& row) { scrollback_.push(row, cols_now); });
            delta_row -= up;
        }
    }
    main_.resize(new_rows, new_cols, pen_);
    alt_.resize(new_rows, new_cols, pen_);
    if (!alternate_screen() && new_rows > old_rows) {
        // More rows: lines come back from the scrollback above the screen.
        DecodedLine line;
        for (int n = new_rows - old_rows; n > 0 && scrollback_.pop_newest(line); --n) {
            pull_line_from_scrollback(line);
            ++delta_row;
        }
    }
}

void Terminal::pull_line_from_scrollback(const DecodedLine& line) {
    Grid& g = main_;
    g.scroll(Rect{0, g.rows(), 0, g.cols()}, -1, 0, pen_, [](const Row&) {});
    g.pulled_line_back();
    Row& top = g.row(0);
    const int stored = static_cast<int>(line.cells.size());
    int c = 0;
    while (c < g.cols()) {
        const Cell cell = c < stored ? line.cells[static_cast<std::size_t>(c)] : Cell{0, Pen{}};
        const bool wide = c + 1 < stored && line.cells[static_cast<std::size_t>(c) + 1].ch == kContinuation;
        Cell& dst = top.cells[c];
        dst.pen = cell.pen;
        if (cell.is_cluster()) {
            const auto cps = cluster_of(line.clusters, cell);
            dst.ch = cps.empty() ? 0xFFFD : g.intern_cluster(top, cps.data(), static_cast<int>(cps.size()));
        } else {
            dst.ch = cell.ch;
        }
        if (wide && c + 1 < g.cols()) {
            top.cells[c + 1].ch = kContinuation;
            c += 2;
        } else {
            c += 1;
        }
    }
    top.wrapped = line.wrapped;
}

}  // namespace ovelin::term
