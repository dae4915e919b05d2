#include "term/grid.hpp"

#include <algorithm>
#include <cstring>

#include "core/utf.hpp"

namespace ovelin::term {

namespace {

// A row's side table is rebuilt from the cells still using it once it grows
// past this, so programs that keep rewriting combining characters in one row
// cannot grow it without bound.
std::size_t cluster_table_limit(int cols) { return static_cast<std::size_t>(cols) * 4 + 64; }

void fill(Cell* cells, int n, const Pen& pen) {
    if (n <= 0) return;
    if (pen.is_default()) {
        std::memset(static_cast<void*>(cells), 0, sizeof(Cell) * static_cast<std::size_t>(n));  // a blank cell is all zeros
        return;
    }
    const Cell blank{0, pen};
    std::fill(cells, cells + n, blank);
}

}  // namespace

std::span<const char32_t> cluster_of(const std::vector<char32_t>& table, const Cell& c) {
    if (!c.is_cluster()) return {};
    const std::size_t at = c.ch & ~kClusterFlag;
    if (at >= table.size()) return {};
    const std::size_t n = table[at];
    if (at + 1 + n > table.size()) return {};
    return {table.data() + at + 1, n};
}

void append_cells_text(std::string& out, const Cell* cells, const std::vector<char32_t>& clusters, int start,
                       int end) {
    int spaces = 0;
    for (int c = std::max(start, 0); c < end; ++c) {
        const Cell& cell = cells[c];
        if (cell.ch == kContinuation) continue;
        if (is_blank_cell(cell)) {
            ++spaces;
            continue;
        }
        out.append(static_cast<std::size_t>(spaces), ' ');
        spaces = 0;
        if (cell.is_cluster()) {
            for (char32_t cp : cluster_of(clusters, cell)) append_code_point(out, cp);
        } else {
            append_code_point(out, cell.ch);
        }
    }
}

void append_code_point(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
        return;
    }
    append_utf8(out, cp);
}

Grid::Grid(int rows, int cols, const Pen& fill_pen) : rows_(rows), cols_(cols) {
    ring_.reserve(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) ring_.push_back(make_row(fill_pen));
}

Row Grid::make_row(const Pen& fill_pen) const {
    Row row;
    row.cells = std::make_unique<Cell[]>(static_cast<std::size_t>(cols_));
    if (!fill_pen.is_default()) fill(row.cells.get(), cols_, fill_pen);
    return row;
}

void Grid::clear_row(Row& row, const Pen& pen) const {
    fill(row.cells.get(), cols_, pen);
    row.clusters.clear();
    row.wrapped = false;
}

char32_t Grid::intern_cluster(Row& row, const char32_t* chars, int n) const {
    if (row.clusters.size() + static_cast<std::size_t>(n) + 1 > cluster_table_limit(cols_)) {
        // Keep only the clusters that cells still refer to.
        std::vector<char32_t> kept;
        for (int c = 0; c < cols_; ++c) {
            Cell& cell = row.cells[c];
            if (!cell.is_cluster()) continue;
            const auto cps = cluster_of(row.clusters, cell);
            if (cps.empty()) {
                cell.ch = 0xFFFD;
                continue;
            }
            const auto at = static_cast<char32_t>(kept.size());
            kept.push_back(static_cast<char32_t>(cps.size()));
            kept.insert(kept.end(), cps.begin(), cps.end());
            cell.ch = kClusterFlag | at;
        }
        row.clusters = std::move(kept);
    }
    const auto at = static_cast<char32_t>(row.clusters.size());
    row.clusters.push_back(static_cast<char32_t>(n));
    row.clusters.insert(row.clusters.end(), chars, chars + n);
    return kClusterFlag | at;
}

void Grid::erase(Rect rect, bool selective, const Pen& pen) {
    const int r0 = std::max(rect.start_row, 0), r1 = std::min(rect.end_row, rows_);
    const int c0 = std::max(rect.start_col, 0), c1 = std::min(rect.end_col, cols_);
    if (c0 >= c1) return;
    Pen blank_pen = pen;
    blank_pen.set(Pen::kProtected, false);
    for (int r = r0; r < r1; ++r) {
        Row& rw = row(r);
        if (selective) {
            for (int c = c0; c < c1; ++c)
                if (!rw.cells[c].pen.has(Pen::kProtected)) rw.cells[c] = Cell{0, blank_pen};
        } else {
            fill(rw.cells.get() + c0, c1 - c0, blank_pen);
        }
        if (c1 == cols_) rw.wrapped = false;  // its end is gone: nothing continues
        if (c0 == 0 && c1 == cols_ && !selective) rw.clusters.clear();
    }
}

void Grid::copy_cells(int dst_row, int dst_col, int src_row, int src_col, int n) {
    if (n <= 0) return;
    Row& dst = row(dst_row);
    if (dst_row == src_row) {
        std::memmove(dst.cells.get() + dst_col, dst.cells.get() + src_col, sizeof(Cell) * static_cast<std::size_t>(n));
        return;
    }
    const Row& src = slot(src_row);
    for (int k = 0; k < n; ++k) {
        Cell cell = src.cells[src_col + k];
        if (cell.is_cluster()) {
            const auto cps = cluster_of(src.clusters, cell);
            // Copy first: interning may rebuild the destination's table.
            char32_t buf[kMaxCharsPerCell];
            const int len = static_cast<int>(std::min<std::size_t>(cps.size(), kMaxCharsPerCell));
            std::copy_n(cps.begin(), len, buf);
            cell.ch = len > 0 ? intern_cluster(dst, buf, len) : 0xFFFD;
        }
        dst.cells[dst_col + k] = cell;
    }
}

void Grid::rotate_rows(int start, int end, int down) {
    const int h = end - start;
    if (start == 0 && end == rows_) {
        // The whole screen: turn the ring.
        const int shift = ((down % h) + h) % h;
        head_ = (head_ + static_cast<std::size_t>(shift)) % ring_.size();
        return;
    }
    scratch_.clear();
    for (int r = start; r < end; ++r) scratch_.push_back(std::move(slot(r)));
    for (int i = 0; i < h; ++i) slot(start + i) = std::move(scratch_[static_cast<std::size_t>(((i + down) % h + h) % h)]);
}

void Grid::record_scroll(int top, int bottom, int down) {
    LineMove m;
    if (top == 0 && down > 0) {
        // Rows leave the top with their numbers; below them nothing moves,
        // but rows under the scrolled part (a region that ends above the
        // bottom) now sit `down` lines further on.
        const std::uint64_t old = base_;
        base_ += static_cast<std::uint64_t>(down);
        if (bottom >= rows_) return;
        m = {0, old + static_cast<std::uint64_t>(bottom), old + static_cast<std::uint64_t>(rows_ + down), down};
    } else {
        m = {0, base_ + static_cast<std::uint64_t>(top), base_ + static_cast<std::uint64_t>(bottom), -down};
    }
    m.time = ++clock_;
    if (moves_.size() < kMovesKept) {
        moves_.push_back(m);
    } else {
        moves_[moves_next_] = m;
        moves_next_ = (moves_next_ + 1) % kMovesKept;
    }
}

bool Grid::moves_since(std::uint64_t time, std::vector<LineMove>& out) const {
    out.clear();
    const std::size_t n = moves_.size();
    for (std::size_t k = 0; k < n; ++k) {
        const LineMove& m = moves_[(moves_next_ + k) % n];
        if (m.time > time) out.push_back(m);
    }
    // Complete only when the oldest kept move is not newer than `time` too,
    // or none was ever forgotten.
    return n < kMovesKept || moves_[moves_next_].time <= time;
}

void Grid::scroll_vertical(int start, int end, int down, const Pen& pen) {
    rotate_rows(start, end, down);
    const int n = down > 0 ? down : -down;
    const int first = down > 0 ? end - n : start;
    for (int r = first; r < first + n; ++r) clear_row(row(r), pen);
}

void Grid::resize(int rows, int cols, const Pen& fill_pen) {
    std::vector<Row> next;
    next.reserve(static_cast<std::size_t>(rows));
    const int keep_cols = std::min(cols, cols_);
    for (int r = 0; r < rows; ++r) {
        Row nr;
        nr.cells = std::make_unique<Cell[]>(static_cast<std::size_t>(cols));
        if (r < rows_) {
            Row& old = row(r);
            std::copy_n(old.cells.get(), keep_cols, nr.cells.get());
            if (cols > keep_cols) fill(nr.cells.get() + keep_cols, cols - keep_cols, fill_pen);
            nr.clusters = std::move(old.clusters);
            nr.wrapped = old.wrapped;
        } else {
            fill(nr.cells.get(), cols, fill_pen);
        }
        nr.changed = ++clock_;
        next.push_back(std::move(nr));
    }
    ring_ = std::move(next);
    head_ = 0;
    rows_ = rows;
    cols_ = cols;
}

bool Grid::row_is_blank(int r) const {
    const Row& rw = row(r);
    for (int c = 0; c < cols_; ++c)
        if (rw.cells[c].ch != 0) return false;
    return true;
}

void Grid::append_text(std::string& out, int r, int start, int end) const {
    const Row& rw = row(r);
    append_cells_text(out, rw.cells.get(), rw.clusters, start, std::min(end, cols_));
}

}  // namespace ovelin::term
