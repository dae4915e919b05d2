#include "ui/tiles.hpp"

#include <algorithm>
#include <cmath>

#include "core/utf.hpp"

namespace ovelin {

namespace {
constexpr Rgb HEADER{25, 29, 36};
constexpr Rgb HEADER_TEXT{225, 229, 237};
constexpr Rgb ACTIVE_FRAME{86, 156, 214};
constexpr Rgb FRAME{45, 50, 60};
constexpr Rgb BAND{20, 24, 31};
constexpr Rgb CRUMB_TEXT{210, 214, 222};
constexpr Rgb UP_DIM_FILL{26, 30, 38};
constexpr Rgb UP_DIM_TEXT{110, 115, 125};
constexpr Rgb UP_FILL{38, 46, 60};
constexpr Rgb CARD_NAME{235, 239, 245};
constexpr Rgb CARD_COUNTS{140, 146, 158};
constexpr int HEADER_BOTTOM = 22;  // below the cell's top

// Modulo that never goes negative, for wrapping moves.
long wrap(long value, long n) { return ((value % n) + n) % n; }
}  // namespace

int grid_columns(std::size_t count) {
    if (count == 0) return 0;
    return static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
}

std::vector<Rect> grid(const Rect& area, std::size_t count) {
    std::vector<Rect> cells;
    if (count == 0) return cells;
    const long cols = grid_columns(count);
    const long rows = (static_cast<long>(count) + cols - 1) / cols;
    const long cw = std::max<long>((static_cast<long>(area.right) - area.left) / cols, 1);
    const long ch = std::max<long>((static_cast<long>(area.bottom) - area.top) / rows, 1);
    cells.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const long col = static_cast<long>(i) % cols, row = static_cast<long>(i) / cols;
        cells.push_back({static_cast<int>(area.left + cw * col), static_cast<int>(area.top + ch * row),
                         static_cast<int>(area.left + cw * (col + 1)), static_cast<int>(area.top + ch * (row + 1))});
    }
    return cells;
}

std::size_t move_in_grid(std::size_t count, std::size_t index, int dx, int dy) {
    if (count == 0) return 0;
    const long c = static_cast<long>(count);
    const long i = std::min(static_cast<long>(index), c - 1);
    const long cols = grid_columns(count);
    if (dx != 0) {
        const long row_start = cols * (i / cols);
        const long len = std::min(c - row_start, cols);
        return static_cast<std::size_t>(row_start + wrap(i % cols + dx, len));
    }
    if (dy != 0) {
        const long col = i % cols;
        const long height = (c - 1 - col) / cols + 1;
        return static_cast<std::size_t>(col + cols * wrap(i / cols + dy, height));
    }
    return static_cast<std::size_t>(i);
}

std::optional<std::size_t> cell_at(std::span<const Rect> cells, int x, int y) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Rect& r = cells[i];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
    }
    return std::nullopt;
}

Rect tile_terminal_area(const Rect& cell, bool alone) {
    return {cell.left + 6, cell.top + (alone ? 6 : 28), cell.right - 6, cell.bottom - 2};
}

void paint_tile(Canvas& canvas, const Rect& cell, const TerminalPane& pane, bool alone, bool active,
                const CellMetrics& metrics) {
    const int l = cell.left, t = cell.top, r = cell.right;
    if (!alone) {
        canvas.fill({l + 1, t + 1, r - 1, t + HEADER_BOTTOM}, HEADER);
        if (pane.strip) canvas.fill({l + 1, t + 1, l + 5, t + HEADER_BOTTOM}, *pane.strip);
        canvas.text_in({l + 11, t + 1, r - 7, t + HEADER_BOTTOM}, utf8_to_utf16(pane.label), HEADER_TEXT);
    }
    if (pane.screen)
        draw_terminal(canvas, *pane.screen, tile_terminal_area(cell, alone), metrics, pane.view);
    if (!alone) canvas.frame(cell, active ? ACTIVE_FRAME : FRAME);
}

std::string card_counts(std::size_t tabs, std::size_t groups) {
    return std::to_string(tabs) + (tabs == 1 ? " tab" : " tabs") + " \u00b7 " + std::to_string(groups) +
           (groups == 1 ? " group" : " groups");
}

Rect up_button_rect(int left, int right) { return {std::max(right - 76, left), 37, right - 6, 61}; }

namespace {
void paint_group_card(Canvas& canvas, const Rect& cell, const GroupCard& g, const CellMetrics& metrics) {
    const int l = cell.left, t = cell.top, r = cell.right, b = cell.bottom;
    canvas.fill({l + 1, t + 1, r - 1, b - 1}, HEADER);
    canvas.fill({l + 1, t + 1, l + 7, b - 1}, g.color);
    const int m = (t + b) / 2;
    const int h = std::max(metrics.cell_height, 1);
    canvas.text_in({l + 21, m - h - 2, r - 11, m}, utf8_to_utf16("\u25b8 " + g.name), CARD_NAME);
    canvas.text_in({l + 21, m + 2, r - 11, m + h + 4}, utf8_to_utf16(card_counts(g.tabs, g.groups)), CARD_COUNTS);
}
}  // namespace

void paint_browser(Canvas& canvas, const Rect& content, const BrowserView& view, const CellMetrics& metrics) {
    const int L = content.left, R = content.right;
    canvas.fill({L, CONTENT_TOP, R, BROWSE_TOP}, BAND);
    std::string crumbs = "All groups";
    for (const std::string& name : view.crumbs) crumbs += "  \u203a  " + name;
    canvas.text_in({L + 10, CONTENT_TOP, R - 84, BROWSE_TOP}, utf8_to_utf16(crumbs), CRUMB_TEXT);

    const Rect up = up_button_rect(L, R);
    canvas.fill(up, view.top_level ? UP_DIM_FILL : UP_FILL);
    canvas.frame(up, view.top_level ? FRAME : ACTIVE_FRAME);
    canvas.text_in({up.left + 10, up.top, up.right, up.bottom}, u"\u2191 Up", view.top_level ? UP_DIM_TEXT : HEADER_TEXT);

    const std::vector<Rect> cells = grid({L, BROWSE_TOP, R, content.bottom}, view.cards.size());
    const std::size_t lit = view.cards.empty() ? 0 : std::min(view.highlighted, view.cards.size() - 1);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (const auto* g = std::get_if<GroupCard>(&view.cards[k])) {
            paint_group_card(canvas, cells[k], *g, metrics);
            canvas.frame(cells[k], k == lit ? ACTIVE_FRAME : FRAME);
        } else {
            paint_tile(canvas, cells[k], std::get<TerminalPane>(view.cards[k]), false, k == lit, metrics);
        }
    }
}

}  // namespace ovelin
