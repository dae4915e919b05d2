#include "ui/kept_view.hpp"

#include <algorithm>
#include <utility>

#include "ui/palette.hpp"

namespace ovelin {

namespace {

bool same_metrics(const TerminalMetrics& a, const TerminalMetrics& b) {
    return a.cell_width == b.cell_width && a.cell_height == b.cell_height && a.glyph_height == b.glyph_height;
}

bool same_cell(const CellView& a, const CellView& b) {
    return a.text == b.text && a.fg == b.fg && a.bg == b.bg && a.inverse == b.inverse && a.wide == b.wide &&
           a.wide_continuation == b.wide_continuation && a.bold == b.bold && a.underline == b.underline;
}

bool same_row(const ViewRow& kept, const ViewRow& fresh, int cols) {
    if (!kept.known || !(kept.selected == fresh.selected)) return false;
    for (int c = 0; c < cols; ++c)
        if (!same_cell(kept.cells[c], fresh.cells[c])) return false;
    return true;
}

std::uint64_t color_bits(const Color& c) {
    return (std::uint64_t{static_cast<std::uint8_t>(c.kind)} << 32) | (std::uint64_t{c.index} << 24) |
           (std::uint64_t{c.r} << 16) | (std::uint64_t{c.g} << 8) | c.b;
}

// Cheap, as it runs over every visible cell whenever a row changed: it only
// picks the rows to move, and equality decides what is drawn.
std::uint64_t row_hash(const ViewRow& row, int cols) {
    constexpr std::uint64_t K = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = (std::uint64_t(row.selected.from) << 32) | unsigned(row.selected.to);
    for (int c = 0; c < cols; ++c) {
        const CellView& cell = row.cells[c];
        std::uint64_t text = cell.text.size();
        for (std::size_t i = 0; i < cell.text.size() && i < 7; ++i)
            text |= std::uint64_t{static_cast<unsigned char>(cell.text[i])} << (8 * (i + 1));
        const std::uint64_t pen = (color_bits(cell.fg) << 24) ^ color_bits(cell.bg) ^
                                  (std::uint64_t{cell.bold} << 59 | std::uint64_t{cell.underline} << 60 |
                                   std::uint64_t{cell.inverse} << 61 | std::uint64_t{cell.wide} << 62 |
                                   std::uint64_t{cell.wide_continuation} << 63);
        h = (h + text) * K;
        h = (h + pen) * K;
    }
    return h ^ (h >> 29);
}

// Kept rows from + shift ... to - 1 + shift show what fresh rows from ... to - 1 should.
struct Band {
    int shift = 0;
    int from = 0, to = 0;
    int saved = 0;  // rows it spares from drawing
};

// The contiguous band whose move spares the most rows from drawing: new
// output pushing the screen up, a reverse scroll, a scroll region's part.
Band best_band(const std::vector<ViewRow>& kept, const std::vector<ViewRow>& fresh) {
    const int n = static_cast<int>(fresh.size());
    auto same = [&](int f, int k) { return kept[k].known && kept[k].hash == fresh[f].hash; };
    Band best;
    for (int shift = 1 - n; shift < n; ++shift) {
        if (shift == 0) continue;
        const int lo = std::max(0, -shift), hi = std::min(n, n - shift);
        int from = -1, saved = 0;
        for (int r = lo; r <= hi; ++r) {
            if (r < hi && same(r, r + shift)) {
                if (from < 0) from = r, saved = 0;
                if (!same(r, r)) ++saved;
            } else if (from >= 0) {
                if (saved > best.saved) best = {shift, from, r, saved};
                from = -1;
            }
        }
    }
    return best;
}

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

// Turning the ring by `shift` keeps every row that moved by it, the rows
// that stayed in place included only when they match too.
int draws_after_turn(const std::vector<ViewRow>& kept, const std::vector<ViewRow>& fresh, int shift) {
    const int n = static_cast<int>(fresh.size());
    int draws = 0;
    for (int r = 0; r < n; ++r) {
        const ViewRow& k = kept[((r + shift) % n + n) % n];
        draws += !(k.known && k.hash == fresh[r].hash);
    }
    return draws;
}

int draws_after_move(const std::vector<ViewRow>& kept, const std::vector<ViewRow>& fresh, const Band& b) {
    int draws = 0;
    for (int r = 0; r < static_cast<int>(fresh.size()); ++r)
        if (r < b.from || r >= b.to) draws += !(kept[r].known && kept[r].hash == fresh[r].hash);
    return draws;
}

void turn(KeptSurface& kept, int shift) {
    const int n = static_cast<int>(kept.rows.size());
    const int k = (shift % n + n) % n;
    std::rotate(kept.rows.begin(), kept.rows.begin() + k, kept.rows.end());
    kept.origin = (kept.origin + k) % n;
}

}  // namespace

void paint_kept(KeptSurface& kept, std::vector<ViewRow>& fresh, int cols, const TerminalMetrics& m, int width) {
    const int n = static_cast<int>(fresh.size());
    const int h = m.cell_height;
    kept.rows_drawn = 0;
    if (kept.rows.size() != fresh.size() || kept.cols != cols || !same_metrics(kept.metrics, m)) {
        kept.rows.assign(fresh.size(), ViewRow{});
        kept.cols = cols;
        kept.metrics = m;
        kept.origin = 0;
    }

    int differ = 0;
    for (int r = 0; r < n; ++r) differ += !same_row(kept.rows[r], fresh[r], cols);
    if (differ > 0) {
        for (ViewRow& row : fresh) row.hash = row_hash(row, cols);
        const Band band = best_band(kept.rows, fresh);
        // Moving a band costs about as much as drawing one row.
        if (band.saved > 0) {
            if (draws_after_turn(kept.rows, fresh, band.shift) <= draws_after_move(kept.rows, fresh, band) + 1)
                turn(kept, band.shift);
            else
                move_band(kept, band, h);
        }

        static thread_local DrawnRow drawn;
        Canvas& canvas = kept.canvas();
        for (int r = 0; r < n; ++r) {
            if (same_row(kept.rows[r], fresh[r], cols)) continue;
            const int y = h * ((r + kept.origin) % n);
            build_row(fresh[r].cells, cols, fresh[r].selected, m, drawn);
            canvas.fill({0, y, width, y + h}, palette::BACKGROUND);
            draw_row(canvas, drawn, 0, y, width, m);
            std::swap(kept.rows[r], fresh[r]);
            kept.rows[r].known = true;
            ++kept.rows_drawn;
        }
    }
    kept.show(h * kept.origin);
}

}  // namespace ovelin
