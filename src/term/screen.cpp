#include "term/screen.hpp"

#include <algorithm>
#include <atomic>
#include <optional>

#include "term/terminal.hpp"

namespace ovelin {

namespace {

Color to_color(term::ColorKind kind, const std::uint8_t (&v)[3]) {
    switch (kind) {
        case term::ColorKind::Indexed: return Color::indexed(v[0]);
        case term::ColorKind::Rgb: return Color::rgb(v[0], v[1], v[2]);
        case term::ColorKind::Default: break;
    }
    return Color{};
}

// Cell `col` of a row of `n` cells (a scrollback line may keep fewer than
// the screen is wide; the rest read as blank).
void fill_view(CellView& out, const term::Cell* cells, int n, const std::vector<char32_t>& clusters, int col,
               bool reverse_video) {
    static constexpr term::Cell blank{};
    const term::Cell& cell = col < n ? cells[col] : blank;
    out.text.clear();
    out.wide_continuation = cell.ch == term::kContinuation;
    if (cell.is_cluster()) {
        for (char32_t cp : term::cluster_of(clusters, cell)) term::append_code_point(out.text, cp);
    } else if (cell.ch != 0 && !out.wide_continuation) {
        term::append_code_point(out.text, cell.ch);
    }
    out.fg = to_color(cell.pen.fg_kind(), cell.pen.fg);
    out.bg = to_color(cell.pen.bg_kind(), cell.pen.bg);
    out.inverse = cell.pen.has(term::Pen::kReverse) != reverse_video;
    // An erased cell keeps the pen's colours only: no underline on blanks.
    const bool written = cell.ch != 0 && !out.wide_continuation;
    out.bold = written && cell.pen.has(term::Pen::kBold);
    out.underline = written && cell.pen.underline() != 0;
    // Wide when the cell to the right is a continuation, as libvterm's
    // screen reports it (a cut-off wide character at the edge reads narrow).
    out.wide = col + 1 < n && cells[col + 1].ch == term::kContinuation;
}

void fill_view(CellView& out, const term::Grid& grid, const term::Row& row, int col, bool reverse_video) {
    fill_view(out, row.cells.get(), grid.cols(), row.clusters, col, reverse_video);
}

// The characters of cells [0, n) by the copy rules, with their columns;
// as bytes when every cell up to the last written one is printable ASCII.
void cells_text(const term::Cell* cells, int n, const std::vector<char32_t>& clusters, LineText& out) {
    out.ascii = {};
    out.chars.clear();
    out.cols.clear();
    int end = n;
    while (end > 0 && term::is_blank_cell(cells[end - 1])) --end;
    int plain = 0;
    while (plain < end && cells[plain].ch >= 0x20 && cells[plain].ch < 0x7F) ++plain;
    if (plain == end && end > 0) {
        out.bytes.resize(static_cast<std::size_t>(end));
        for (int c = 0; c < end; ++c) out.bytes[static_cast<std::size_t>(c)] = static_cast<char>(cells[c].ch);
        out.ascii = out.bytes;
        return;
    }
    int spaces_from = -1;  // the first of the blanks not yet written
    for (int c = 0; c < n; ++c) {
        const term::Cell& cell = cells[c];
        if (cell.ch == term::kContinuation) continue;
        if (term::is_blank_cell(cell)) {
            if (spaces_from < 0) spaces_from = c;
            continue;
        }
        if (spaces_from >= 0) {
            for (int k = spaces_from; k < c; ++k) {
                if (cells[k].ch == term::kContinuation) continue;
                out.chars.push_back(U' ');
                out.cols.push_back(static_cast<std::uint16_t>(k));
            }
            spaces_from = -1;
        }
        if (cell.is_cluster()) {
            for (char32_t cp : term::cluster_of(clusters, cell)) {
                out.chars.push_back(cp);
                out.cols.push_back(static_cast<std::uint16_t>(c));
            }
        } else {
            out.chars.push_back(cell.ch);
            out.cols.push_back(static_cast<std::uint16_t>(c));
        }
    }
}

std::atomic<std::uint64_t> next_serial{1};

}  // namespace

struct Screen::Impl {
    Impl(std::uint16_t rows, std::uint16_t cols, std::size_t scrollback) : term(rows, cols, scrollback) {}
    term::Terminal term;
    const std::uint64_t serial = next_serial.fetch_add(1, std::memory_order_relaxed);
    mutable term::DecodedLine scratch;  // a scrollback line being read

    std::uint64_t top() const { return term.grid().base(); }
    std::uint64_t first() const {
        return term.alternate_screen() ? top() : top() - std::min<std::uint64_t>(term.scrollback().size(), top());
    }
    // The scrollback index of a line above the screen of the main grid, if kept.
    std::optional<std::size_t> kept(std::uint64_t line) const {
        if (line >= top() || line < first()) return std::nullopt;
        return static_cast<std::size_t>(line - first());
    }
    // The grid row of a line of the screen, if it is one.
    std::optional<int> row(std::uint64_t line) const {
        if (line < top() || line - top() >= static_cast<std::uint64_t>(term.grid().rows())) return std::nullopt;
        return static_cast<int>(line - top());
    }
    // Appends the text of cells [start, end) of a line.
    void append_text(std::string& out, std::uint64_t line, int start, int end) const {
        if (auto r = row(line)) {
            term.grid().append_text(out, *r, start, end);
        } else if (auto k = kept(line)) {
            term.scrollback().line(*k, scratch);
            term::append_cells_text(out, scratch.cells.data(), scratch.clusters, start,
                                    std::min(end, static_cast<int>(scratch.cells.size())));
        }
    }
};

Screen::Screen(std::uint16_t rows, std::uint16_t cols, std::size_t scrollback_lines)
    : impl_(std::make_unique<Impl>(rows, cols, scrollback_lines)) {}

Screen::~Screen() = default;

void Screen::feed(std::string_view bytes) { impl_->term.feed(bytes); }

void Screen::resize(std::uint16_t rows, std::uint16_t cols) { impl_->term.resize(rows, cols); }

std::uint16_t Screen::rows() const { return static_cast<std::uint16_t>(impl_->term.grid().rows()); }
std::uint16_t Screen::cols() const { return static_cast<std::uint16_t>(impl_->term.grid().cols()); }

bool Screen::alternate_screen() const { return impl_->term.alternate_screen(); }
bool Screen::hide_cursor() const { return !impl_->term.cursor_visible(); }
bool Screen::bracketed_paste() const { return impl_->term.bracketed_paste(); }
const term::Modes& Screen::modes() const { return impl_->term.modes(); }

CursorPos Screen::cursor() const {
    int row = 0, col = 0;
    impl_->term.cursor(row, col);
    return CursorPos{static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(col)};
}

const std::string& Screen::title() const { return impl_->term.title(); }

CellView Screen::cell(std::uint16_t row, std::uint16_t col) const {
    CellView out;
    const term::Grid& g = impl_->term.grid();
    if (row < g.rows() && col < g.cols()) fill_view(out, g, g.row(row), col, impl_->term.reverse_video());
    return out;
}

void Screen::read_row(std::uint16_t row, std::vector<CellView>& out) const {
    const term::Grid& g = impl_->term.grid();
    out.resize(static_cast<std::size_t>(g.cols()));
    if (row >= g.rows()) {
        for (CellView& v : out) v = CellView{};
        return;
    }
    const term::Row& r = g.row(row);
    for (int c = 0; c < g.cols(); ++c) fill_view(out[static_cast<std::size_t>(c)], g, r, c, impl_->term.reverse_video());
}

std::string Screen::contents() const {
    const term::Grid& g = impl_->term.grid();
    std::string out;
    for (int r = 0; r < g.rows(); ++r) {
        g.append_text(out, r, 0, g.cols());
        if (!g.row(r).wrapped) out.push_back('\n');
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::string Screen::contents_between(std::uint16_t start_row, std::uint16_t start_col, std::uint16_t end_row,
                                     std::uint16_t end_col) const {
    const term::Grid& g = impl_->term.grid();
    std::string out;
    if (start_row >= g.rows()) return out;
    int last_row = end_row;
    int last_end = end_col;
    if (last_row >= g.rows()) {
        // Past the bottom: through the end of the last row.
        last_row = g.rows() - 1;
        last_end = g.cols();
    }
    last_end = std::min(last_end, g.cols());
    if (start_row == last_row) {
        if (start_col < last_end) g.append_text(out, start_row, start_col, last_end);
        return out;
    }
    if (start_row > last_row) return out;
    for (int r = start_row; r <= last_row; ++r) {
        if (r == last_row) {
            g.append_text(out, r, 0, last_end);
            break;
        }
        g.append_text(out, r, r == start_row ? start_col : 0, g.cols());
        if (!g.row(r).wrapped) out.push_back('\n');
    }
    return out;
}

std::string Screen::take_replies() { return impl_->term.take_replies(); }

void Screen::on_unknown_sequence(std::function<void(std::string_view)> hook) { impl_->term.on_unknown(std::move(hook)); }

std::size_t Screen::scrollback_size() const { return impl_->term.scrollback().size(); }

std::string Screen::scrollback_line(std::size_t index) const { return impl_->term.scrollback().text(index); }

std::size_t Screen::scrollback_bytes() const { return impl_->term.scrollback().heap_bytes(); }

std::uint64_t Screen::top_line() const { return impl_->top(); }

std::uint64_t Screen::first_line() const { return impl_->first(); }

void Screen::read_line(std::uint64_t line, std::vector<CellView>& out) const {
    const term::Grid& g = impl_->term.grid();
    if (auto r = impl_->row(line)) return read_row(static_cast<std::uint16_t>(*r), out);
    out.resize(static_cast<std::size_t>(g.cols()));
    const auto k = impl_->kept(line);
    if (!k) {
        for (CellView& v : out) v = CellView{};
        return;
    }
    term::DecodedLine& d = impl_->scratch;
    impl_->term.scrollback().line(*k, d);
    const int n = std::min(static_cast<int>(d.cells.size()), g.cols());
    for (int c = 0; c < g.cols(); ++c)
        fill_view(out[static_cast<std::size_t>(c)], d.cells.data(), n, d.clusters, c, impl_->term.reverse_video());
}

bool Screen::line_wrapped(std::uint64_t line) const {
    if (auto r = impl_->row(line)) return impl_->term.grid().row(*r).wrapped;
    if (auto k = impl_->kept(line)) return impl_->term.scrollback().wrapped(*k);
    return false;
}

void Screen::line_text(std::uint64_t line, LineText& out) const {
    out.wrapped = false;
    if (auto r = impl_->row(line)) {
        const term::Row& row = impl_->term.grid().row(*r);
        cells_text(row.cells.get(), impl_->term.grid().cols(), row.clusters, out);
        out.wrapped = row.wrapped;
        return;
    }
    const auto k = impl_->kept(line);
    if (!k) {
        cells_text(nullptr, 0, {}, out);
        return;
    }
    const term::Scrollback& sb = impl_->term.scrollback();
    out.wrapped = sb.wrapped(*k);
    if (std::string_view a = sb.ascii(*k); !a.empty()) {
        while (!a.empty() && a.back() == ' ') a.remove_suffix(1);
        out.chars.clear();
        out.cols.clear();
        out.ascii = a;
        // An all-blank line reads as empty either way.
        if (!a.empty()) return;
    }
    sb.line(*k, impl_->scratch);
    cells_text(impl_->scratch.cells.data(), static_cast<int>(impl_->scratch.cells.size()), impl_->scratch.clusters,
               out);
}

std::string Screen::text_between(LinePoint start, LinePoint end) const {
    std::string out;
    const std::uint64_t first = impl_->first(), last = end_line();  // last: one past the final line
    if (last == first || start.line >= last || end.line < first || end < start) return out;
    const int cols = impl_->term.grid().cols();
    if (start.line < first) start = {first, 0};
    int end_col = std::min<int>(end.col, cols);
    if (end.line >= last) end = {last - 1, 0}, end_col = cols;
    for (std::uint64_t line = start.line; line <= end.line; ++line) {
        const int from = line == start.line ? start.col : 0;
        if (line == end.line) {
            if (from < end_col) impl_->append_text(out, line, from, end_col);
            break;
        }
        impl_->append_text(out, line, from, cols);
        if (!line_wrapped(line)) out.push_back('\n');
    }
    return out;
}

std::string Screen::history_text() const {
    const term::Scrollback& sb = impl_->term.scrollback();
    const term::Grid& g = impl_->term.main_grid();
    std::string out;
    for (std::size_t k = 0; k < sb.size(); ++k) {
        sb.line(k, impl_->scratch);
        term::append_cells_text(out, impl_->scratch.cells.data(), impl_->scratch.clusters, 0,
                                static_cast<int>(impl_->scratch.cells.size()));
        if (!impl_->scratch.wrapped) out.push_back('\n');
    }
    for (int r = 0; r < g.rows(); ++r) {
        g.append_text(out, r, 0, g.cols());
        if (!g.row(r).wrapped) out.push_back('\n');
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::uint64_t Screen::clock() const { return impl_->term.grid().clock(); }

std::uint64_t Screen::serial() const { return impl_->serial; }

std::uint64_t Screen::line_changed(std::uint64_t line) const {
    if (auto r = impl_->row(line)) return impl_->term.grid().row(*r).changed;
    if (auto k = impl_->kept(line)) return impl_->term.scrollback().changed(*k);
    return 0;
}

bool Screen::moves_since(std::uint64_t time, std::vector<LineMove>& out) const {
    return impl_->term.grid().moves_since(time, out);
}

bool Screen::reverse_video() const { return impl_->term.reverse_video(); }

}  // namespace ovelin
