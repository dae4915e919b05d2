#include "term/screen.hpp"

#include <algorithm>

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

void fill_view(CellView& out, const term::Grid& grid, const term::Row& row, int col, bool reverse_video) {
    const term::Cell& cell = row.cells[col];
    out.text.clear();
    out.wide_continuation = cell.ch == term::kContinuation;
    if (cell.is_cluster()) {
        for (char32_t cp : term::cluster_of(row.clusters, cell)) term::append_code_point(out.text, cp);
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
    out.wide = col + 1 < grid.cols() && row.cells[col + 1].ch == term::kContinuation;
}

}  // namespace

struct Screen::Impl {
    Impl(std::uint16_t rows, std::uint16_t cols, std::size_t scrollback) : term(rows, cols, scrollback) {}
    term::Terminal term;
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

}  // namespace ovelin
