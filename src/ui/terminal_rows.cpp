#include "ui/terminal_rows.hpp"

#include <algorithm>
#include <span>
#include <string_view>

#include "core/utf.hpp"
#include "ui/palette.hpp"

namespace ovelin {

ColumnSpan selected_columns(const SelectionRange& s, std::uint64_t line, int cols) {
    if (!s.active || line < s.start.line || line > s.end.line) return {};
    const int from = line == s.start.line ? s.start.col : 0;
    const int to = std::min(line == s.end.line ? s.end.col + 1 : cols, cols);
    if (from >= to) return {};
    return {from, to};
}

void row_marks(const TerminalView& view, std::uint64_t line, int cols, RowMarks& out) {
    out.selected = selected_columns(view.selection, line, cols);
    out.found.clear();
    // The matches are in order and do not overlap, so their ends are in order
    // too: the ones on this line end just before the first that starts after it.
    const auto& f = view.found;
    auto it = std::upper_bound(f.begin(), f.end(), LinePoint{line, 0xFFFF},
                               [](const LinePoint& p, const FoundSpan& m) { return p < m.start; });
    std::size_t first = static_cast<std::size_t>(it - f.begin());
    while (first > 0 && f[first - 1].end > LinePoint{line, 0}) --first;
    for (std::size_t k = first; k < f.size() && f[k].start.line <= line; ++k) {
        const int from = f[k].start.line == line ? f[k].start.col : 0;
        const int to = std::min(f[k].end.line == line ? static_cast<int>(f[k].end.col) : cols, cols);
        if (from < to) out.found.push_back({{from, to}, view.current == k});
    }
}

void build_row(const std::vector<CellView>& cells, int cols, const RowMarks& marks, const CellMetrics& m,
               DrawnRow& out) {
    const ColumnSpan selected = marks.selected;
    auto found = marks.found.begin();
    out.text.clear();
    out.advances.clear();
    out.runs.clear();
    DrawnRun run;
    std::size_t begin = 0;  // where the current run's text starts
    bool blank = true;
    auto flush = [&] {
        if (run.cells == 0) return;
        if (blank && run.bg == palette::BACKGROUND && !run.style.underline) {
            out.text.resize(begin);
            out.advances.resize(begin);
        } else {
            run.end = static_cast<std::uint32_t>(out.text.size());
            out.runs.push_back(run);
            begin = out.text.size();
        }
        run.cells = 0;
        blank = true;
    };

    const int n = std::min<int>(cols, static_cast<int>(cells.size()));
    for (int c = 0; c < n; ++c) {
        const CellView& cell = cells[static_cast<std::size_t>(c)];
        if (cell.wide_continuation) continue;
        Rgb fg = palette::cell_color(cell.fg, true);
        Rgb bg = palette::cell_color(cell.bg, false);
        if (cell.inverse) std::swap(fg, bg);
        while (found != marks.found.end() && found->span.to <= c) ++found;
        if (found != marks.found.end() && c >= found->span.from) {
            fg = palette::FOUND_TEXT;
            bg = found->current ? palette::CURRENT_FOUND_BACKGROUND : palette::FOUND_BACKGROUND;
        }
        if (c >= selected.from && c < selected.to) {
            fg = palette::SELECTED_TEXT;
            bg = palette::SELECTED_BACKGROUND;
        }
        const TextStyle style{cell.bold, cell.underline};
        if (run.cells != 0 && !(run.fg == fg && run.bg == bg && run.style == style)) flush();
        if (run.cells == 0) {
            run.start = c;
            run.fg = fg;
            run.bg = bg;
            run.style = style;
        }
        const int advance = m.cell_width * (cell.wide ? 2 : 1);
        if (cell.text.size() == 1 && static_cast<unsigned char>(cell.text[0]) < 0x80) {
            out.text += static_cast<char16_t>(cell.text[0]);
            out.advances.push_back(advance);
            if (cell.text[0] != ' ') blank = false;
        } else if (cell.text.empty()) {
            out.text += u' ';
            out.advances.push_back(advance);
        } else {
            // UTF-8 straight into the row's UTF-16; the last unit carries the advance.
            std::size_t pos = 0;
            while (pos < cell.text.size()) {
                const char32_t cp = next_code_point(cell.text, pos).value_or(0xFFFD);
                if (cp != U' ') blank = false;
                append_utf16(out.text, cp);
            }
            out.advances.resize(out.text.size(), 0);
            out.advances.back() = advance;
        }
        run.cells += cell.wide ? 2 : 1;
    }
    flush();
}

void draw_row(Canvas& canvas, const DrawnRow& row, int left, int y, int right, const CellMetrics& m) {
    const int text_offset = std::max((m.cell_height - m.glyph_height) / 2, 0);
    std::size_t begin = 0;
    for (const DrawnRun& run : row.runs) {
        const int x = left + m.cell_width * run.start;
        const Rect box{x, y, std::min(x + m.cell_width * run.cells, right), y + m.cell_height};
        const auto text = std::u16string_view(row.text).substr(begin, run.end - begin);
        const auto advances = std::span(row.advances).subspan(begin, run.end - begin);
        if (run.style == TextStyle{})
            canvas.text_run(x, y + text_offset, box, text, advances, run.fg, run.bg);
        else
            canvas.styled_text_run(x, y + text_offset, box, text, advances, run.fg, run.bg, run.style);
        begin = run.end;
    }
}

}  // namespace ovelin
