#include "term/terminal.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "term/sequences.hpp"
#include "term/width.hpp"

namespace ovelin::term {

namespace {

char32_t dec_drawing(unsigned char c) {
    static constexpr char32_t table[] = {0x25C6, 0x2592, 0x2409, 0x240C, 0x240D, 0x240A, 0x00B0, 0x00B1,
                                         0x2424, 0x240B, 0x2518, 0x2510, 0x250C, 0x2514, 0x253C, 0x23BA,
                                         0x23BB, 0x2500, 0x23BC, 0x23BD, 0x251C, 0x2524, 0x2534, 0x252C,
                                         0x2502, 0x2A7D, 0x2A7E, 0x03C0, 0x2260, 0x00A3, 0x00B7};
    return c >= 0x60 && c <= 0x7e ? table[c - 0x60] : c;
}

}  // namespace

Terminal::Size Terminal::clamped(int rows, int cols) {
    Size s{std::clamp(rows, 1, kMaxRows), std::clamp(cols, kMinCols, kMaxCols)};
    if (static_cast<long>(s.rows) * s.cols > kMaxCells) s.rows = static_cast<int>(kMaxCells / s.cols);
    return s;
}

Terminal::Terminal(int rows, int cols, std::size_t scrollback_lines)
    : Terminal(clamped(rows, cols), scrollback_lines) {}

Terminal::Terminal(Size size, std::size_t scrollback_lines)
    : main_(size.rows, size.cols, Pen{}),
      alt_(size.rows, size.cols, Pen{}),
      scrollback_(scrollback_lines, kMaxScrollbackBytes),
      tabstops_(static_cast<std::size_t>((size.cols + 7) / 8)),
      line_attrs_(static_cast<std::size_t>(size.rows)) {
    (void)code_point_width(0x300);  // builds the width table now, not in the first output
    reset();
}

void Terminal::cursor(int& row, int& col) const {
    row = std::clamp(pos_.row, 0, grid().rows() - 1);
    col = std::clamp(pos_.col, 0, grid().cols() - 1);
}

void Terminal::feed(std::string_view bytes) {
    parser_.feed(bytes, *this);
    end_run();
}

// ---- text -----------------------------------------------------------------

void Terminal::print_ascii(const char* text, std::size_t n) {
    auto p = reinterpret_cast<const unsigned char*>(text);
    if (single_shift_ != 0) {
        shifted(*p++);
        if (--n == 0) return;
    }
    if (run_ == Run::None) run_ = charsets_[gl_] == Charset::Utf8 ? Run::Utf8 : Run::Table;
    if (run_ == Run::Utf8)
        ascii_run(p, n);
    else
        table_run(p, n);
}

void Terminal::print(const char32_t* text, std::size_t n) {
    std::size_t i = 0;
    if (single_shift_ != 0) shifted(text[i++]);
    if (i == n) return;
    if (run_ == Run::Table) end_run();  // the table's run ends; UTF-8 takes over
    run_ = Run::Utf8;
    for (; i < n; ++i) code_point(text[i]);
}

// One character from G2 or G3, then back.
void Terminal::shifted(char32_t c) {
    const Charset set = charsets_[single_shift_];
    single_shift_ = 0;
    if (c < 0x80 && set == Charset::DecDrawing) c = dec_drawing(static_cast<unsigned char>(c));
    if (c == '#' && set == Charset::Uk) c = 0xA3;
    code_point(c);
    end_run();
}

// Text read through a 7-bit set: what the set leaves as it is goes in runs.
void Terminal::table_run(const unsigned char* p, std::size_t n) {
    const Charset gl = charsets_[gl_];
    const unsigned char* const end = p + n;
    while (p < end) {
        const unsigned char c = *p;
        if (gl == Charset::Ascii || (gl == Charset::Uk && c != 0x23) || (gl == Charset::DecDrawing && c < 0x60)) {
            const unsigned char* q = p + 1;
            while (q < end && (gl == Charset::Ascii || *q != 0x23) && (gl != Charset::DecDrawing || *q < 0x60)) ++q;
            ascii_run(p, static_cast<std::size_t>(q - p));
            p = q;
            continue;
        }
        code_point(gl == Charset::DecDrawing ? dec_drawing(c) : 0xA3);
        ++p;
    }
}

void Terminal::end_run() {
    run_ = Run::None;
    in_run_ = false;
    drop_combining_ = false;
}

void Terminal::ascii_run(const unsigned char* p, std::size_t n) {
    drop_combining_ = false;
    if (modes_.has(Mode::Insert)) {
        for (std::size_t i = 0; i < n; ++i) code_point(p[i]);
        return;
    }
    Grid& g = active();
    Pen pen = pen_;
    pen.set(Pen::kProtected, protect_);
    Pos last = pos_;
    while (n > 0) {
        int width = row_width(pos_.row);
        if (at_phantom_ || pos_.col + 1 > width) {
            wrap_line();
            width = row_width(pos_.row);
        }
        Cell* cells = g.row(pos_.row).cells.get();
        const std::size_t k = std::min(n, static_cast<std::size_t>(width - pos_.col));
        {
            // Locals only: the cells' byte-sized pens may alias anything else.
            auto* const dst = reinterpret_cast<unsigned char*>(cells + pos_.col);
            const unsigned char* const src = p;
            std::uint32_t pen_words[2];
            std::memcpy(pen_words, &pen, sizeof pen);
            const std::uint32_t w1 = pen_words[0], w2 = pen_words[1];
            for (std::size_t i = 0; i < k; ++i) {
                const std::uint32_t ch = src[i];
                unsigned char* const cell = dst + i * sizeof(Cell);
                std::memcpy(cell, &ch, 4);
                std::memcpy(cell + 4, &w1, 4);
                std::memcpy(cell + 8, &w2, 4);
            }
        }
        p += k;
        n -= k;
        pos_.col += static_cast<int>(k);
        last = Pos{pos_.row, pos_.col - 1};
        if (pos_.col >= width) {
            pos_.col = width - 1;
            if (modes_.has(Mode::Autowrap)) {
                at_phantom_ = true;
            } else if (n > 0) {
                // Without wrapping each further character lands on the last cell.
                cells[pos_.col] = Cell{p[n - 1], pen};
                p += n;
                n = 0;
            }
        }
    }
    combine_chars_[0] = p[-1];
    combine_n_ = 1;
    combine_width_ = 1;
    combine_pos_ = last;
    in_run_ = true;
}

void Terminal::code_point(char32_t cp) {
    if (is_combining(cp)) {
        combine(cp);
        return;
    }
    drop_combining_ = false;
    const int width = code_point_width(cp);
    if (width < 0) {
        // A C1 control sent as UTF-8 is not something to show, nor does it move the cursor.
        drop_combining_ = true;
        return;
    }
    glyph(&cp, 1, width);
    combine_chars_[0] = cp;
    combine_n_ = 1;
    in_run_ = true;
}

void Terminal::glyph(const char32_t* chars, int n, int width) {
    int rw = row_width(pos_.row);
    if (at_phantom_ || pos_.col + width > rw) {
        wrap_line();
        rw = row_width(pos_.row);
    }
    if (modes_.has(Mode::Insert)) scroll(Rect{pos_.row, pos_.row + 1, pos_.col, rw}, 0, -1);
    active().put(pos_.row, pos_.col, chars, n, width, pen_, protect_);
    combine_width_ = width;
    combine_pos_ = pos_;
    if (pos_.col + width >= rw) {
        if (modes_.has(Mode::Autowrap)) at_phantom_ = true;
    } else {
        pos_.col += width;
    }
}

void Terminal::combine(char32_t cp) {
    if (drop_combining_) return;
    // Within a run the mark joins the glyph before it; at the start of one,
    // only if the cursor has not moved since that glyph.
    if (!in_run_ && !(pos_.row == combine_pos_.row && pos_.col == combine_pos_.col + combine_width_)) {
        // Nothing to join: the mark stands alone in the cursor's cell, taking no room.
        glyph(&cp, 1, 0);
        combine_chars_[0] = cp;
        combine_n_ = 1;
        in_run_ = true;
        return;
    }
    if (combine_n_ < kMaxCharsPerCell) combine_chars_[combine_n_++] = cp;
    active().put(combine_pos_.row, combine_pos_.col, combine_chars_, combine_n_, combine_width_, pen_, protect_);
    in_run_ = true;
}

void Terminal::wrap_line() {
    Grid& g = active();
    if (pos_.row >= 0 && pos_.row < g.rows()) g.row(pos_.row).wrapped = true;
    linefeed();
    pos_.col = 0;
    at_phantom_ = false;
}

// ---- state ----------------------------------------------------------------

void Terminal::linefeed() {
    if (pos_.row == region_bottom() - 1) {
        scroll(Rect{region_top_, region_bottom(), region_left(), region_right()}, 1, 0);
    } else if (pos_.row < rows() - 1) {
        ++pos_.row;
    }
}

void Terminal::scroll(Rect rect, int down, int right) {
    if (down == 0 && right == 0) return;
    const int height = rect.end_row - rect.start_row;
    down = std::clamp(down, -std::max(height, 0), std::max(height, 0));
    const int width = rect.end_col - rect.start_col;
    right = std::clamp(right, -std::max(width, 0), std::max(width, 0));
    if (rect.start_col == 0 && rect.end_col == cols() && right == 0 && height > 0) {
        // Line attributes move with their lines; the ones uncovered keep theirs.
        const int keep = height - std::abs(down);
        auto* attrs = line_attrs_.data();
        if (keep > 0 && rect.start_row >= 0 && rect.end_row <= rows()) {
            if (down > 0)
                std::memmove(attrs + rect.start_row, attrs + rect.start_row + down, static_cast<std::size_t>(keep));
            else
                std::memmove(attrs + rect.start_row - down, attrs + rect.start_row, static_cast<std::size_t>(keep));
        }
    }
    Grid& g = active();
    const bool keep = !alternate_screen();
    g.scroll(rect, down, right, pen_, [&](const Row& row) {
        if (keep) scrollback_.push(row, g.cols());
    });
}

void Terminal::erase(Rect rect, bool selective) { active().erase(rect, selective, pen_); }

void Terminal::tab(int count, int direction) {
    while (count > 0) {
        if (direction > 0) {
            if (pos_.col >= row_width(pos_.row) - 1) return;
            ++pos_.col;
        } else {
            if (pos_.col < 1) return;
            --pos_.col;
        }
        const auto c = static_cast<std::size_t>(pos_.col);
        if (c / 8 < tabstops_.size() && (tabstops_[c / 8] & (1u << (c % 8)))) --count;
    }
}

// dwl: 0 off, 1 on, -1 unchanged; dhl: 0 off, 1 top, 2 bottom.
void Terminal::set_line_attrs(int row, int dwl, int dhl) {
    if (row < 0 || row >= rows()) return;
    std::uint8_t& a = line_attrs_[static_cast<std::size_t>(row)];
    std::uint8_t now = a;
    if (dwl >= 0) now = static_cast<std::uint8_t>((now & ~1u) | static_cast<unsigned>(dwl));
    now = static_cast<std::uint8_t>((now & 1u) | (static_cast<unsigned>(dhl) << 1));
    // A line turning double-width loses its right half.
    if (now != a && (now & 1)) erase(Rect{row, row + 1, cols() / 2, cols()}, false);
    a = now;
}


void Terminal::reverse_index() {
    if (pos_.row == region_top_) {
        scroll(Rect{region_top_, region_bottom(), region_left(), region_right()}, -1, 0);
    } else if (pos_.row > 0) {
        --pos_.row;
    }
}

void Terminal::set_tab_stop(bool on) {
    const auto col = static_cast<std::size_t>(pos_.col);
    if (col / 8 >= tabstops_.size()) return;
    const auto bit = static_cast<std::uint8_t>(1u << (col % 8));
    tabstops_[col / 8] = static_cast<std::uint8_t>(on ? tabstops_[col / 8] | bit : tabstops_[col / 8] & ~bit);
}

void Terminal::erase_display(long how, bool selective) {
    if (how == Params::kMissing || how == 0) {
        if (cols() > pos_.col) erase(Rect{pos_.row, pos_.row + 1, pos_.col, cols()}, selective);
        for (int r = pos_.row + 1; r < rows(); ++r) line_attrs_[static_cast<std::size_t>(r)] = 0;
        if (rows() > pos_.row + 1) erase(Rect{pos_.row + 1, rows(), 0, cols()}, selective);
    } else if (how == 1) {
        for (int r = 0; r < pos_.row; ++r) line_attrs_[static_cast<std::size_t>(r)] = 0;
        erase(Rect{0, pos_.row, 0, cols()}, selective);
        erase(Rect{pos_.row, pos_.row + 1, 0, pos_.col + 1}, selective);
    } else if (how == 2) {
        std::fill(line_attrs_.begin(), line_attrs_.end(), std::uint8_t{0});
        erase(Rect{0, rows(), 0, cols()}, selective);
    }
}

// False for a kind of erase there is not.
bool Terminal::erase_line(long how, bool selective) {
    Rect r{pos_.row, pos_.row + 1, 0, 0};
    if (how == Params::kMissing || how == 0) {
        r.start_col = pos_.col, r.end_col = row_width(pos_.row);
    } else if (how == 1) {
        r.start_col = 0, r.end_col = pos_.col + 1;
    } else if (how == 2) {
        r.start_col = 0, r.end_col = row_width(pos_.row);
    } else {
        return false;
    }
    if (r.end_col > r.start_col) erase(r, selective);
    return true;
}

void Terminal::moved(const Pos& old, bool cancel_phantom) {
    if (pos_ != old && cancel_phantom) at_phantom_ = false;
}

void Terminal::clamp_cursor() {
    if (modes_.has(Mode::Origin)) {
        pos_.row = std::clamp(pos_.row, region_top_, region_bottom() - 1);
        pos_.col = std::clamp(pos_.col, region_left(), region_right() - 1);
    } else {
        pos_.row = std::clamp(pos_.row, 0, rows() - 1);
        pos_.col = std::clamp(pos_.col, 0, row_width(pos_.row) - 1);
    }
}

// ---- screens, saved cursor, reset -----------------------------------------

void Terminal::set_alternate(bool on) {
    modes_.set(Mode::AltScreen, on);
    if (on) erase(Rect{0, rows(), 0, cols()}, false);
}

// As xterm's: the character sets, the shifts and a pending wrap come back
// with the position, so a program that drew lines in the alternate screen
// does not leave the prompt in line-drawing glyphs, and a line filled to its
// last column still wraps.
void Terminal::save_cursor(bool save) {
    if (save) {
        saved_.pos = pos_;
        saved_.at_phantom = at_phantom_;
        saved_.cursor_visible = modes_.has(Mode::CursorVisible);
        saved_.cursor_blink = modes_.has(Mode::CursorBlink);
        saved_.cursor_shape = cursor_shape_;
        saved_.pen = pen_;
        std::copy(std::begin(charsets_), std::end(charsets_), std::begin(saved_.charsets));
        saved_.gl = gl_, saved_.gr = gr_, saved_.single_shift = single_shift_;
        return;
    }
    const Pos old = pos_;
    // A position saved before the screen shrank comes back inside it.
    pos_.row = std::clamp(saved_.pos.row, 0, rows() - 1);
    pos_.col = std::clamp(saved_.pos.col, 0, cols() - 1);
    modes_.set(Mode::CursorVisible, saved_.cursor_visible);
    modes_.set(Mode::CursorBlink, saved_.cursor_blink);
    cursor_shape_ = saved_.cursor_shape;
    pen_ = saved_.pen;
    std::copy(std::begin(saved_.charsets), std::end(saved_.charsets), std::begin(charsets_));
    gl_ = saved_.gl, gr_ = saved_.gr, single_shift_ = saved_.single_shift;
    moved(old, true);
    // A wrap is pending only at the row's last column (the screen may have grown since).
    at_phantom_ = saved_.at_phantom && pos_.col == row_width(pos_.row) - 1;
}

// The screen in use and its reverse video stay; mouse and focus reporting
// end, as xterm's reset ends them.
void Terminal::reset() {
    region_top_ = 0, region_bottom_ = -1, region_left_ = 0, region_right_ = -1;
    const Modes keep = modes_;
    modes_ = Modes{};
    for (Mode m : {Mode::Autowrap, Mode::CursorVisible, Mode::CursorBlink}) modes_.set(m, true);
    for (Mode m : {Mode::AltScreen, Mode::ReverseVideo}) modes_.set(m, keep.has(m));
    cursor_shape_ = 1;
    for (std::size_t i = 0; i < tabstops_.size(); ++i) tabstops_[i] = 1;  // every eighth column
    std::fill(line_attrs_.begin(), line_attrs_.end(), std::uint8_t{0});
    pen_ = Pen{};
    for (Charset& c : charsets_) c = Charset::Utf8;
    gl_ = 0, gr_ = 1, single_shift_ = 0;
    protect_ = false;
    pos_ = Pos{};
    at_phantom_ = false;
    erase(Rect{0, rows(), 0, cols()}, false);
}

}  // namespace ovelin::term
