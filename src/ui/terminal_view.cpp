#include "ui/terminal_view.hpp"

#include <algorithm>
#include <vector>

#include "core/utf.hpp"
#include "ui/palette.hpp"

namespace ovelin {

namespace {

// Adjacent cells of one colour pair, drawn with one text call.
class CellRun {
public:
    CellRun(Canvas& canvas, const Rect& area, int y, const TerminalMetrics& m, int text_offset)
        : canvas_(canvas), area_(area), y_(y), m_(m), text_offset_(text_offset) {}

    bool empty() const { return width_ == 0; }
    bool same_colors(Rgb fg, Rgb bg) const { return fg_ == fg && bg_ == bg; }

    void start(int column, Rgb fg, Rgb bg) {
        start_ = column;
        fg_ = fg;
        bg_ = bg;
    }

    void add(const CellView& cell) {
        const std::size_t first = text_.size();
        if (cell.text.empty()) {
            text_ += u' ';
        } else {
            // UTF-8 straight into the run's UTF-16, without a temporary.
            std::size_t pos = 0;
            while (pos < cell.text.size()) {
                const char32_t cp = next_code_point(cell.text, pos).value_or(0xFFFD);
                if (cp != U' ') blank_ = false;
                append_utf16(text_, cp);
            }
        }
        advances_.resize(text_.size(), 0);
        const int cells = cell.wide ? 2 : 1;
        if (text_.size() > first) advances_.back() = m_.cell_width * cells;
        width_ += cells;
    }

    void flush() {
        if (empty()) return;
        if (!(blank_ && bg_ == palette::BACKGROUND)) {
            const int x = area_.left + m_.cell_width * start_;
            Rect box{x, y_, std::min(x + m_.cell_width * width_, area_.right), y_ + m_.cell_height};
            canvas_.text_run(x, y_ + text_offset_, box, text_, advances_, fg_, bg_);
        }
        text_.clear();
        advances_.clear();
        width_ = 0;
        blank_ = true;
    }

private:
    Canvas& canvas_;
    const Rect& area_;
    int y_;
    const TerminalMetrics& m_;
    int text_offset_;
    std::u16string text_;
    std::vector<std::int32_t> advances_;
    int start_ = 0;
    int width_ = 0;
    bool blank_ = true;
    Rgb fg_, bg_;
};

bool selected(const SelectionRange& s, int row, int col) {
    if (!s.active) return false;
    const auto at = std::pair(row, col);
    return at >= std::pair<int, int>(s.start_row, s.start_col) && at <= std::pair<int, int>(s.end_row, s.end_col);
}

}  // namespace

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
    const int text_offset = std::max((m.cell_height - m.glyph_height) / 2, 0);

    // One row buffer for every paint: its strings are reused row after row.
    static thread_local std::vector<CellView> row;
    for (int r = 0; r < rows; ++r) {
        const int y = area.top + m.cell_height * r;
        CellRun run(canvas, area, y, m, text_offset);
        screen.read_row(static_cast<std::uint16_t>(r), row);
        for (int c = 0; c < cols; ++c) {
            const CellView& cell = row[static_cast<std::size_t>(c)];
            if (cell.wide_continuation) continue;
            Rgb fg = palette::cell_color(cell.fg, true);
            Rgb bg = palette::cell_color(cell.bg, false);
            if (cell.inverse) std::swap(fg, bg);
            if (selected(selection, r, c)) {
                fg = palette::SELECTED_TEXT;
                bg = palette::SELECTED_BACKGROUND;
            }
            if (!run.empty() && !run.same_colors(fg, bg)) run.flush();
            if (run.empty()) run.start(c, fg, bg);
            run.add(cell);
        }
        run.flush();
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
