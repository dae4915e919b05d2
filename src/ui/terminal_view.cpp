#include "ui/terminal_view.hpp"

#include <algorithm>
#include <vector>

#include "core/utf.hpp"
#include "ui/kept_view.hpp"
#include "ui/palette.hpp"
#include "ui/terminal_rows.hpp"

namespace ovelin {

void draw_terminal(Canvas& canvas, LockedScreen& locked, const Rect& area, const TerminalMetrics& metrics_in,
                   bool focused, const SelectionRange& selection, const GhostText& ghost) {
    TerminalMetrics m = metrics_in;
    m.cell_width = std::max(m.cell_width, 1);
    m.cell_height = std::max(m.cell_height, 1);
    std::lock_guard lock(locked.mutex);
    const Screen& screen = locked.screen;

    const int fit_cols = std::max((area.right - area.left) / m.cell_width, 0);
    const int fit_rows = std::max((area.bottom - area.top) / m.cell_height, 0);
    const int cols = std::min<int>(fit_cols, screen.cols());
    const int rows = std::min<int>(fit_rows, screen.rows());

    // Row buffers reused from paint to paint: their strings keep their memory.
    static thread_local std::vector<CellView> cells;
    static thread_local DrawnRow drawn;
    static thread_local std::vector<ViewRow> fresh;
    KeptSurface* kept = nullptr;
    if (rows > 0 && cols > 0)
        kept = canvas.kept_surface(&locked, {area.left, area.top, area.right, area.top + m.cell_height * rows});
    if (kept) {
        fresh.resize(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            ViewRow& row = fresh[static_cast<std::size_t>(r)];
            screen.read_row(static_cast<std::uint16_t>(r), row.cells);
            row.selected = selected_columns(selection, r, cols);
        }
        paint_kept(*kept, fresh, cols, m, area.right - area.left);
    } else {
        for (int r = 0; r < rows; ++r) {
            screen.read_row(static_cast<std::uint16_t>(r), cells);
            build_row(cells, cols, selected_columns(selection, r, cols), m, drawn);
            draw_row(canvas, drawn, area.left, area.top + m.cell_height * r, area.right, m);
        }
    }

    if (!focused) return;
    const CursorPos cursor = screen.cursor();

    if (!screen.alternate_screen() && ghost.pending && ghost.line.size() < ghost.pending->size() &&
        ghost.pending->starts_with(ghost.line) && cursor.row < fit_rows) {
        const int y = area.top + m.cell_height * cursor.row;
        const std::string_view rest = std::string_view(*ghost.pending).substr(ghost.line.size());
        std::size_t pos = 0;
        for (int col = cursor.col; pos < rest.size() && col < cols; ++col) {
            const std::size_t from = pos;
            next_code_point(rest, pos);
            const int x = area.left + m.cell_width * col;
            canvas.text_in({x, y, x + m.cell_width, y + m.cell_height}, utf8_to_utf16(rest.substr(from, pos - from)),
                           palette::GHOST_TEXT);
        }
    }

    if (!screen.hide_cursor() && cursor.row < fit_rows && cursor.col < fit_cols) {
        const int x = area.left + m.cell_width * cursor.col;
        const int bottom = area.top + m.cell_height * (cursor.row + 1);
        canvas.fill({x, bottom - 2, x + m.cell_width, bottom}, palette::CURSOR);
    }
}

}  // namespace ovelin
