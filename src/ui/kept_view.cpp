#include "ui/kept_view.hpp"

#include <algorithm>
#include <utility>

#include "ui/palette.hpp"

namespace ovelin {

namespace {

bool same_cell(const CellView& a, const CellView& b) {
    return a.text == b.text && a.fg == b.fg && a.bg == b.bg && a.inverse == b.inverse && a.wide == b.wide &&
           a.wide_continuation == b.wide_continuation && a.bold == b.bold && a.underline == b.underline;
}

bool same_cells(const std::vector<CellView>& kept, const std::vector<CellView>& fresh, int cols) {
    for (int c = 0; c < cols; ++c)
        if (!same_cell(kept[c], fresh[c])) return false;
    return true;
}

void forget_all(KeptSurface& kept) {
    for (ViewRow& row : kept.rows) row.known = false;
}

// The rows' records follow the screen's moves: a row whose line moved out of
// the moved range shows text that is gone.
void follow_moves(KeptSurface& kept, const std::vector<LineMove>& moves) {
    for (const LineMove& m : moves) {
        for (ViewRow& row : kept.rows) {
            if (!row.known || row.line < m.first || row.line >= m.last) continue;
            const auto moved = static_cast<std::int64_t>(row.line) + m.by;
            if (moved < static_cast<std::int64_t>(m.first) || moved >= static_cast<std::int64_t>(m.last))
                row.known = false;
            else
                row.line = static_cast<std::uint64_t>(moved);
        }
    }
}

// Kept rows from + shift ... to - 1 + shift show what rows from ... to - 1 should.
struct Band {
    int shift = 0;
    int from = 0, to = 0;
};

// The rows' record follows the pixels; rows the band was moved from but not
// onto keep theirs, so they are copied, the rest swapped.
void move_records(std::vector<ViewRow>& rows, const Band& b) {
    if (b.shift > 0) {
        for (int r = b.from; r < b.to; ++r) {
            if (r + b.shift < b.to) std::swap(rows[r], rows[r + b.shift]);
            else rows[r] = rows[r + b.shift];
        }
    } else {
        for (int r = b.to - 1; r >= b.from; --r) {
            if (r + b.shift >= b.from) std::swap(rows[r], rows[r + b.shift]);
            else rows[r] = rows[r + b.shift];
        }
    }
}

// In pieces that wrap around the ring neither where they come from nor where
// they go, in the order that overwrites no row before it is moved.
void move_band(KeptSurface& kept, const Band& b, int h) {
    const int n = static_cast<int>(kept.rows.size());
    auto at = [&](int r) { return (r + kept.origin) % n; };
    if (b.shift > 0) {
        for (int r = b.from; r < b.to;) {
            const int src = at(r + b.shift), dst = at(r);
            const int len = std::min({b.to - r, n - src, n - dst});
            kept.move_rows(src * h, (src + len) * h, (dst - src) * h);
            r += len;
        }
    } else {
        for (int r = b.to; r > b.from;) {
            const int src_end = at(r - 1 + b.shift) + 1, dst_end = at(r - 1) + 1;
            const int len = std::min({r - b.from, src_end, dst_end});
            kept.move_rows((src_end - len) * h, src_end * h, (dst_end - src_end) * h);
            r -= len;
        }
    }
    move_records(kept.rows, b);
}

// Where each of the view's rows finds its line among the kept rows, -1 where
// none has it, after the ring turned by `turn`.
void find_sources(const KeptSurface& kept, std::uint64_t top, int turn, std::vector<int>& source) {
    const int n = static_cast<int>(kept.rows.size());
    source.assign(static_cast<std::size_t>(n), -1);
    for (int j = 0; j < n; ++j) {
        const ViewRow& row = kept.rows[j];
        if (!row.known || row.line < top || row.line - top >= static_cast<std::uint64_t>(n)) continue;
        source[row.line - top] = (j - turn + n) % n;
    }
}

// The bands that bring the rows not in place to theirs, in the order they
// run; a band whose rows an earlier one wrote over is left out (its rows
// are drawn instead) and counted in `lost`.
std::vector<Band> plan_bands(const std::vector<int>& source, std::vector<char>& lost) {
    const int n = static_cast<int>(source.size());
    std::vector<Band> bands;
    std::vector<char> written(static_cast<std::size_t>(n), 0);
    lost.assign(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n;) {
        if (source[i] < 0 || source[i] == i) {
            ++i;
            continue;
        }
        Band b{source[i] - i, i, i + 1};
        while (b.to < n && source[b.to] == b.to + b.shift) ++b.to;
        i = b.to;
        bool intact = true;
        for (int r = b.from; r < b.to; ++r) intact = intact && !written[r + b.shift];
        for (int r = b.from; r < b.to; ++r) (intact ? written : lost)[r] = 1;
        if (intact) bands.push_back(b);
    }
    return bands;
}

// Brings every kept row that shows a line of the view to that line's row:
// the ring turns by the shift most of them share when that leaves less to
// move than moving bands alone (a scroll region's part of the screen), and
// bands move for the rest. Moving a band costs about as much as drawing a row.
void follow_view(KeptSurface& kept, std::uint64_t top, int h) {
    const int n = static_cast<int>(kept.rows.size());
    static thread_local std::vector<int> source, counts;
    static thread_local std::vector<char> lost, lost_turned;
    find_sources(kept, top, 0, source);
    counts.assign(static_cast<std::size_t>(n), 0);
    int turn = 0;
    for (int i = 0; i < n; ++i) {
        if (source[i] < 0) continue;
        const int k = (source[i] - i + n) % n;
        if (++counts[k] > counts[turn]) turn = k;
    }
    std::vector<Band> bands = plan_bands(source, lost);
    if (turn != 0) {
        static thread_local std::vector<int> turned;
        find_sources(kept, top, turn, turned);
        std::vector<Band> after = plan_bands(turned, lost_turned);
        auto cost = [](const std::vector<Band>& b, const std::vector<char>& l) {
            return b.size() + static_cast<std::size_t>(std::count(l.begin(), l.end(), 1));
        };
        if (cost(after, lost_turned) <= cost(bands, lost)) {
            std::rotate(kept.rows.begin(), kept.rows.begin() + turn, kept.rows.end());
            kept.origin = (kept.origin + turn) % n;
            bands = std::move(after);
            lost.swap(lost_turned);
        }
    }
    for (const Band& b : bands) move_band(kept, b, h);
    for (int r = 0; r < n; ++r)
        if (lost[r]) kept.rows[r].known = false;
}

}  // namespace

void paint_kept(KeptSurface& kept, const Screen& screen, const KeptPlace& place, std::vector<RowMarks>& marks,
                int cols, const CellMetrics& m, int width) {
    const std::uint64_t top = place.top;
    const int n = static_cast<int>(marks.size());
    const int h = m.cell_height;
    kept.rows_drawn = 0;
    const bool same_source = kept.rows.size() == marks.size() && kept.cols == cols && kept.metrics == m &&
                             kept.screen == screen.serial() && kept.alternate == screen.alternate_screen() &&
                             kept.reverse == screen.reverse_video() && kept.screen_rows == screen.rows() &&
                             kept.screen_cols == screen.cols();
    if (place.may_lag && same_source && (place.live ? kept.live : !kept.live && kept.top == top) &&
        std::ranges::equal(kept.rows, marks, [](const ViewRow& row, const RowMarks& mk) {
            return row.known && row.marks == mk;
        })) {
        // Only the text can differ: its time stays, so the next update finds it.
        kept.show(h * kept.origin);
        return;
    }
    if (!same_source) {
        kept.rows.assign(marks.size(), ViewRow{});
        kept.cols = cols;
        kept.metrics = m;
        kept.screen = screen.serial();
        kept.alternate = screen.alternate_screen();
        kept.reverse = screen.reverse_video();
        kept.screen_rows = screen.rows();
        kept.screen_cols = screen.cols();
        kept.origin = 0;
    } else {
        static thread_local std::vector<LineMove> moves;
        if (screen.moves_since(kept.time, moves))
            follow_moves(kept, moves);
        else
            forget_all(kept);
        follow_view(kept, top, h);
    }

    // Buffers reused from paint to paint: their strings keep their memory.
    static thread_local std::vector<CellView> cells;
    static thread_local DrawnRow drawn;
    Canvas& canvas = kept.canvas();
    for (int r = 0; r < n; ++r) {
        const std::uint64_t line = top + static_cast<std::uint64_t>(r);
        ViewRow& row = kept.rows[r];
        const bool in_place = row.known && row.line == line && row.marks == marks[r];
        if (in_place && screen.line_changed(line) <= kept.time) continue;
        screen.read_line(line, cells);
        if (in_place && same_cells(row.cells, cells, cols)) continue;  // written again as it was
        const int y = h * ((r + kept.origin) % n);
        build_row(cells, cols, marks[r], m, drawn);
        canvas.fill({0, y, width, y + h}, palette::BACKGROUND);
        draw_row(canvas, drawn, 0, y, width, m);
        std::swap(row.cells, cells);
        std::swap(row.marks, marks[r]);
        row.line = line;
        row.known = true;
        ++kept.rows_drawn;
    }
    kept.time = screen.clock();
    kept.top = top;
    kept.live = place.live;
    kept.show(h * kept.origin);
}

}  // namespace ovelin
