#include "ui/terminal_view.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/utf.hpp"
#include "ui/kept_view.hpp"
#include "ui/palette.hpp"
#include "ui/terminal_rows.hpp"

namespace ovelin {

namespace {

constexpr int THUMB_WIDTH = 4;
constexpr int THUMB_MIN_HEIGHT = 16;

void draw_ghost(Canvas& canvas, const Screen& screen, const Rect& area, const CellMetrics& m, const GhostText& ghost,
                int fit_rows, int cols) {
    const CursorPos cursor = screen.cursor();
    if (screen.alternate_screen() || !ghost.pending || ghost.line.size() >= ghost.pending->size() ||
        !ghost.pending->starts_with(ghost.line) || cursor.row >= fit_rows)
        return;
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

}  // namespace

std::uint64_t view_top(const Screen& screen, std::optional<std::uint64_t> top) {
    const std::uint64_t live = screen.top_line();
    if (!top || screen.alternate_screen()) return live;
    return std::clamp(*top, screen.first_line(), live);
}

namespace {
int thumb_height(int track, std::uint64_t history, int rows) {
    const double all = static_cast<double>(history) + rows;
    return std::min(std::max(static_cast<int>(track * (rows / all)), THUMB_MIN_HEIGHT), track);
}
}  // namespace

std::optional<Rect> scroll_thumb(const Rect& area, std::uint64_t offset, std::uint64_t history, int rows) {
    const int track = area.bottom - area.top;
    if (offset == 0 || history == 0 || track <= 0 || rows <= 0) return std::nullopt;
    offset = std::min(offset, history);
    const int height = thumb_height(track, history, rows);
    const int y = area.top + static_cast<int>((track - height) * (static_cast<double>(history - offset) / history));
    return Rect{area.right, y, area.right + THUMB_WIDTH, y + height};
}

std::uint64_t offset_for_thumb(const Rect& area, std::uint64_t history, int rows, int thumb_top) {
    const int track = area.bottom - area.top;
    if (history == 0 || track <= 0 || rows <= 0) return 0;
    const int room = track - thumb_height(track, history, rows);
    if (room <= 0) return 0;
    const double share = std::clamp(static_cast<double>(thumb_top - area.top) / room, 0.0, 1.0);
    return history - static_cast<std::uint64_t>(std::llround(share * static_cast<double>(history)));
}

void draw_terminal(Canvas& canvas, LockedScreen& locked, const Rect& area, const CellMetrics& metrics_in,
                   const TerminalView& view) {
    CellMetrics m = metrics_in;
    m.cell_width = std::max(m.cell_width, 1);
    m.cell_height = std::max(m.cell_height, 1);
    std::lock_guard lock(locked.mutex);
    const Screen& screen = locked.screen;

    const int fit_cols = std::max((area.right - area.left) / m.cell_width, 0);
    const int fit_rows = std::max((area.bottom - area.top) / m.cell_height, 0);
    const int cols = std::min<int>(fit_cols, screen.cols());
    const int rows = std::min<int>(fit_rows, screen.rows());
    const std::uint64_t top = view_top(screen, view.top);
    const std::uint64_t offset = screen.top_line() - top;

    // Row buffers reused from paint to paint: their strings keep their memory.
    static thread_local std::vector<CellView> cells;
    static thread_local DrawnRow drawn;
    static thread_local std::vector<RowMarks> marks;
    marks.resize(static_cast<std::size_t>(std::max(rows, 0)));
    TerminalView shown = view;
    if (shown.selection.alternate != screen.alternate_screen()) shown.selection = {};
    for (int r = 0; r < rows; ++r) row_marks(shown, top + static_cast<std::uint64_t>(r), cols, marks[r]);
    KeptSurface* kept = nullptr;
    if (rows > 0 && cols > 0)
        kept = canvas.kept_surface(&locked, {area.left, area.top, area.right, area.top + m.cell_height * rows});
    if (kept) {
        paint_kept(*kept, screen, {top, offset == 0, view.may_lag}, marks, cols, m, area.right - area.left);
    } else {
        for (int r = 0; r < rows; ++r) {
            screen.read_line(top + static_cast<std::uint64_t>(r), cells);
            build_row(cells, cols, marks[r], m, drawn);
            draw_row(canvas, drawn, area.left, area.top + m.cell_height * r, area.right, m);
        }
    }

    if (offset > 0) {
        // Scrolled back: the history has no cursor and no suggestion.
        if (auto thumb = scroll_thumb(area, offset, screen.top_line() - screen.first_line(), rows))
            canvas.fill(*thumb, palette::SCROLL_THUMB);
        return;
    }
    if (!view.focused) return;
    draw_ghost(canvas, screen, area, m, view.ghost, fit_rows, cols);
    const CursorPos cursor = screen.cursor();
    if (!screen.hide_cursor() && cursor.row < fit_rows && cursor.col < fit_cols) {
        const int x = area.left + m.cell_width * cursor.col;
        const int bottom = area.top + m.cell_height * (cursor.row + 1);
        canvas.fill({x, bottom - 2, x + m.cell_width, bottom}, palette::CURSOR);
    }
}

}  // namespace ovelin
