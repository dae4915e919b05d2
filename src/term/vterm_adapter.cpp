#include "term/vterm_adapter.hpp"

#include <vterm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/utf.hpp"

namespace ovelin::term {

namespace {

// libvterm's text handler puts an array of the remaining input's length on
// the stack; pieces of this size keep that small.
constexpr std::size_t kMaxPiece = 8192;

void set_color(Pen& pen, bool fg, const VTermColor& c) {
    ColorKind kind = ColorKind::Rgb;
    std::uint8_t a = c.rgb.red, b = c.rgb.green, d = c.rgb.blue;
    if (c.type & VTERM_COLOR_DEFAULT_MASK) {
        kind = ColorKind::Default;
        a = b = d = 0;
    } else if (VTERM_COLOR_IS_INDEXED(&c)) {
        kind = ColorKind::Indexed;
        a = c.indexed.idx;
        b = d = 0;
    }
    if (fg) {
        pen.set_fg(kind, a, b, d);
    } else {
        pen.set_bg(kind, a, b, d);
    }
}

Rect to_rect(const VTermRect& r) { return Rect{r.start_row, r.end_row, r.start_col, r.end_col}; }

// A title cut at the byte limit may end inside a character: drop that tail.
std::string_view cut_incomplete_tail(std::string_view s) {
    std::size_t back = 0;
    while (back < 4 && back < s.size() && (static_cast<unsigned char>(s[s.size() - 1 - back]) & 0xC0) == 0x80) ++back;
    if (back == s.size()) return s;
    const auto lead = static_cast<unsigned char>(s[s.size() - 1 - back]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return need > back + 1 ? s.substr(0, s.size() - 1 - back) : s;
}

}  // namespace

// Each callback forwards to the adapter; none lets an exception reach C.
struct VtermAdapter::Callbacks {
    static VtermAdapter& self(void* user) { return *static_cast<VtermAdapter*>(user); }

    static int putglyph(VTermGlyphInfo* info, VTermPos pos, void* user) noexcept {
        auto& s = self(user);
        const std::uint32_t* chars = info->chars;
        // The common glyph, one code point and no protection, without the
        // general path's copying.
        if (chars[0] != 0 && chars[1] == 0 && !s.aligning_ && info->width > 0 && !info->protected_cell) {
            Grid& g = s.active();
            if (pos.row < 0 || pos.row >= g.rows() || pos.col < 0 || pos.col >= g.cols()) {
                s.repeat_width_ = info->width;
                return 1;
            }
            s.note_glyph(pos.row, pos.col, info->width);
            Row& row = g.row(pos.row);
            row.cells[pos.col] = Cell{chars[0], s.pen_};
            if (info->width > 1 && pos.col + 1 < g.cols()) row.cells[pos.col + 1].ch = kContinuation;
            return 1;
        }
        try {
            s.on_glyph(chars, info->width, pos.row, pos.col, info->protected_cell != 0);
        } catch (...) {
        }
        return 1;
    }
    static int movecursor(VTermPos pos, VTermPos, int, void* user) noexcept {
        try {
            self(user).on_cursor(pos.row, pos.col);
        } catch (...) {
        }
        return 1;
    }
    static int scrollrect(VTermRect rect, int down, int right, void* user) noexcept {
        try {
            self(user).on_scroll(to_rect(rect), down, right);
        } catch (...) {
        }
        return 1;
    }
    static int erase(VTermRect rect, int selective, void* user) noexcept {
        auto& s = self(user);
        s.active().erase(to_rect(rect), selective != 0, s.pen_);
        return 1;
    }
    static int initpen(void* user) noexcept {
        // Called by resets, which also end bracketed paste and the scroll region.
        auto& s = self(user);
        s.bracketed_paste_ = false;
        s.region_top_ = 0;
        s.region_bottom_ = -1;
        return 1;
    }
    static int setpenattr(VTermAttr attr, VTermValue* val, void* user) noexcept {
        Pen& pen = self(user).pen_;
        switch (attr) {
            case VTERM_ATTR_BOLD: pen.set(Pen::kBold, val->boolean != 0); break;
            case VTERM_ATTR_UNDERLINE: pen.set_underline(static_cast<unsigned>(val->number)); break;
            case VTERM_ATTR_ITALIC: pen.set(Pen::kItalic, val->boolean != 0); break;
            case VTERM_ATTR_BLINK: pen.set(Pen::kBlink, val->boolean != 0); break;
            case VTERM_ATTR_REVERSE: pen.set(Pen::kReverse, val->boolean != 0); break;
            case VTERM_ATTR_STRIKE: pen.set(Pen::kStrike, val->boolean != 0); break;
            case VTERM_ATTR_FONT: pen.set_font(static_cast<unsigned>(val->number)); break;
            case VTERM_ATTR_FOREGROUND: set_color(pen, true, val->color); break;
            case VTERM_ATTR_BACKGROUND: set_color(pen, false, val->color); break;
            default: return 0;
        }
        return 1;
    }
    static int settermprop(VTermProp prop, VTermValue* val, void* user) noexcept {
        auto& s = self(user);
        switch (prop) {
            case VTERM_PROP_ALTSCREEN:
                s.on_alt_ = val->boolean != 0;
                s.glyph_valid_ = false;
                break;
            case VTERM_PROP_CURSORVISIBLE: s.cursor_visible_ = val->boolean != 0; break;
            case VTERM_PROP_REVERSE: s.reverse_video_ = val->boolean != 0; break;
            default: break;  // the title comes whole from the sequence filter
        }
        return 1;
    }
    static int bell(void*) noexcept { return 1; }
    static int resize(int rows, int cols, VTermPos* delta, void* user) noexcept {
        try {
            self(user).on_resize(rows, cols, delta->row);
        } catch (...) {
        }
        return 1;
    }
    static int setlineinfo(int row, const VTermLineInfo* now, const VTermLineInfo* before, void* user) noexcept {
        // A line turning double-width loses its right half, as on the screen layer.
        const bool changed = now->doublewidth != before->doublewidth || now->doubleheight != before->doubleheight;
        if (changed && now->doublewidth) {
            auto& s = self(user);
            Grid& g = s.active();
            s.active().erase(Rect{row, row + 1, g.cols() / 2, g.cols()}, false, s.pen_);
        }
        return 1;
    }
    static void output(const char* bytes, std::size_t len, void* user) noexcept {
        try {
            auto& replies = self(user).replies_;
            // Nobody taking the replies must not grow memory without bound.
            if (replies.size() + len <= kMaxReplyBytes) replies.append(bytes, len);
        } catch (...) {
        }
    }

    static constexpr VTermStateCallbacks table = {
        .putglyph = putglyph,
        .movecursor = movecursor,
        .scrollrect = scrollrect,
        .moverect = nullptr,
        .erase = erase,
        .initpen = initpen,
        .setpenattr = setpenattr,
        .settermprop = settermprop,
        .bell = bell,
        .resize = resize,
        .setlineinfo = setlineinfo,
    };
};

VtermAdapter::Size VtermAdapter::clamped(int rows, int cols) {
    Size s{std::clamp(rows, 1, kMaxRows), std::clamp(cols, kMinCols, kMaxCols)};
    if (static_cast<long>(s.rows) * s.cols > kMaxCells) s.rows = static_cast<int>(kMaxCells / s.cols);
    return s;
}

VtermAdapter::VtermAdapter(int rows, int cols, std::size_t scrollback_lines)
    : VtermAdapter(clamped(rows, cols), scrollback_lines) {}

VtermAdapter::VtermAdapter(Size size, std::size_t scrollback_lines)
    : main_(size.rows, size.cols, Pen{}),
      alt_(size.rows, size.cols, Pen{}),
      scrollback_(scrollback_lines, kMaxScrollbackBytes) {
    vt_ = vterm_new(size.rows, size.cols);
    if (!vt_) std::abort();
    vterm_set_utf8(vt_, 1);
    state_ = vterm_obtain_state(vt_);
    vterm_output_set_callback(vt_, &Callbacks::output, this);
    vterm_state_set_callbacks(state_, &Callbacks::table, this);
    vterm_state_reset(state_, 1);
}

VtermAdapter::~VtermAdapter() { vterm_free(vt_); }

void VtermAdapter::feed(std::string_view bytes) { filter_.process(bytes, *this); }

void VtermAdapter::pass(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kMaxPiece);
        vterm_input_write(vt_, bytes.data(), n);
        bytes.remove_prefix(n);
    }
}

void VtermAdapter::resize(int rows, int cols) {
    const Size s = clamped(rows, cols);
    if (s.rows == main_.rows() && s.cols == main_.cols()) return;
    vterm_set_size(vt_, s.rows, s.cols);
    if (region_bottom_ > s.rows) region_bottom_ = s.rows;
    const int bottom = region_bottom_ < 0 ? s.rows : region_bottom_;
    if (region_top_ >= bottom) {
        // Reset the region, which homes the cursor, then put it back. A
        // sequence the last feed left unfinished is cancelled first, or the
        // repair would land in its middle.
        if (!filter_.at_ground()) {
            vterm_input_write(vt_, "\x18", 1);
            filter_.cancelled();
        }
        int row = 0, col = 0;
        cursor(row, col);
        char fix[40];
        const int n = std::snprintf(fix, sizeof fix, "\x1b[r\x1b[%d;%dH", row + 1, col + 1);
        vterm_input_write(vt_, fix, static_cast<std::size_t>(n));
    }
}

void VtermAdapter::scroll_region(long top, long bottom) {
    // The same bounds libvterm applies to DECSTBM.
    const int rows = main_.rows();
    int t = static_cast<int>(std::clamp<long>((top < 0 ? 1 : top) - 1, 0, rows));
    int b = bottom < 0 ? -1 : static_cast<int>(std::min<long>(bottom, 1L << 20));
    if (t == 0 && b == rows) {
        b = -1;
    } else if (b > rows) {
        b = rows;
    }
    if ((b < 0 ? rows : b) <= t) t = 0, b = -1;
    region_top_ = t;
    region_bottom_ = b;
}

void VtermAdapter::cursor(int& row, int& col) const {
    VTermPos pos;
    vterm_state_get_cursorpos(state_, &pos);
    row = std::clamp(pos.row, 0, grid().rows() - 1);
    col = std::clamp(pos.col, 0, grid().cols() - 1);
}

std::string VtermAdapter::take_replies() {
    std::string out;
    out.swap(replies_);
    return out;
}

void VtermAdapter::alternate_screen(bool on) {
    VTermValue v;
    v.boolean = on ? 1 : 0;
    vterm_state_set_termprop(state_, VTERM_PROP_ALTSCREEN, &v);
}

void VtermAdapter::bracketed_paste(bool on) { bracketed_paste_ = on; }

void VtermAdapter::title(std::string_view utf8) {
    utf8 = cut_incomplete_tail(utf8.substr(0, std::min(utf8.size(), SequenceFilter::kMaxTitleBytes)));
    std::string clean;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (const auto cp = next_code_point(utf8, pos)) {
            append_utf8(clean, *cp);
        } else {
            append_utf8(clean, 0xFFFD);
        }
    }
    title_ = std::move(clean);
}

void VtermAdapter::alignment_test(bool starting) {
    aligning_ = starting;
    glyph_valid_ = false;
}

void VtermAdapter::on_glyph(const std::uint32_t* chars, int width, int row, int col, bool protect) {
    repeat_width_ = aligning_ ? repeat_width_ : width;
    // libvterm gives C1 characters sent as UTF-8 a width of -1; they are
    // controls, not something to show.
    if (width < 0) return;
    Grid& g = active();
    char32_t cps[kMaxCharsPerCell];
    int n = 0;
    for (; n < kMaxCharsPerCell && chars[n]; ++n) cps[n] = chars[n];
    if (aligning_) {
        g.put(row, col, cps, n, width, pen_, protect);
        return;
    }
    if (row >= 0 && row < g.rows() && col >= 0 && col < g.cols()) note_glyph(row, col, width);
    g.put(row, col, cps, n, width, pen_, protect);
}

void VtermAdapter::note_glyph(int row, int col, int width) {
    repeat_width_ = width;
    // Text that did not fit went on at the start of the next row: the row
    // of the glyph before it wrapped.
    Grid& g = active();
    if (col == 0 && glyph_valid_ && row == glyph_row_ + 1 && glyph_end_ >= g.cols() - 1 && glyph_row_ >= 0 &&
        glyph_row_ < g.rows())
        g.row(glyph_row_).wrapped = true;
    glyph_valid_ = true;
    glyph_row_ = row;
    glyph_col_ = col;
    glyph_end_ = col + width;
}

void VtermAdapter::on_cursor(int row, int col) {
    const Grid& g = active();
    if (col < 0 || col >= g.cols() || row < 0 || row >= g.rows()) {
        // libvterm can put its cursor off the screen: C1 characters sent as
        // UTF-8 have width -1 there and walk it left of column 0, and a
        // cursor saved before a resize comes back unclamped. Tab stops and
        // line attributes are then read and written out of bounds. A
        // column-absolute move (CHA) brings it back: libvterm clamps both
        // coordinates after every CSI.
        glyph_valid_ = false;
        char fix[24];
        const int n = std::snprintf(fix, sizeof fix, "\x1b[%dG", std::clamp(col, 0, g.cols() - 1) + 1);
        vterm_input_write(vt_, fix, static_cast<std::size_t>(n));
        return;
    }
    if (!glyph_valid_) return;
    // The cursor libvterm leaves after a glyph: past it, or on it at the
    // right edge (waiting to wrap). Any other move ends the chance to wrap.
    const bool at_edge = glyph_end_ >= grid().cols();
    if (row != glyph_row_ || col != (at_edge ? glyph_col_ : glyph_end_)) glyph_valid_ = false;
}

void VtermAdapter::on_scroll(Rect rect, int down, int right) {
    Grid& g = active();
    const bool keep = !on_alt_;
    g.scroll(rect, down, right, pen_, [&](const Row& row) {
        if (keep) scrollback_.push(row, g.cols());
    });
    if (glyph_valid_ && down != 0 && glyph_row_ >= rect.start_row && glyph_row_ < rect.end_row) {
        const bool full_width = rect.start_col <= 0 && rect.end_col >= g.cols();
        glyph_row_ -= down;
        if (!full_width || glyph_row_ < rect.start_row || glyph_row_ >= rect.end_row) glyph_valid_ = false;
    }
}

void VtermAdapter::on_resize(int rows, int cols, int& delta_row) {
    glyph_valid_ = false;
    const int old_rows = main_.rows();
    if (!on_alt_ && rows < old_rows) {
        // Fewer rows: rows above the cursor that hold something go to the
        // scrollback, blank rows at the bottom are dropped first.
        VTermPos cursor;
        vterm_state_get_cursorpos(state_, &cursor);
        int r = old_rows - 1;
        for (; r >= rows; --r)
            if (!main_.row_is_blank(r) || cursor.row == r) break;
        // libvterm's screen layer scrolls by first_blank - rows even when
        // that takes the cursor above the screen, where the state then
        // indexes its line table with a negative row. Scroll no further than
        // the cursor's row: what is below the cursor is cut instead.
        const int first_blank = r + 1;
        const int up = std::min(first_blank - rows, std::max(cursor.row, 0));
        if (up > 0) {
            const int cols_now = main_.cols();
            main_.scroll(Rect{0, old_rows, 0, cols_now}, up, 0, pen_,
                         [&](const Row& row) { scrollback_.push(row, cols_now); });
            delta_row -= up;
        }
    }
    main_.resize(rows, cols, pen_);
    alt_.resize(rows, cols, pen_);
    if (!on_alt_ && rows > old_rows) {
        // More rows: lines come back from the scrollback above the screen.
        DecodedLine line;
        for (int n = rows - old_rows; n > 0 && scrollback_.pop_newest(line); --n) {
            pull_line_from_scrollback(line);
            ++delta_row;
        }
    }
}

void VtermAdapter::pull_line_from_scrollback(const DecodedLine& line) {
    Grid& g = main_;
    g.scroll(Rect{0, g.rows(), 0, g.cols()}, -1, 0, pen_, [](const Row&) {});
    Row& top = g.row(0);
    const int stored = static_cast<int>(line.cells.size());
    const Pen blank_pen{};
    int c = 0;
    while (c < g.cols()) {
        const Cell cell = c < stored ? line.cells[static_cast<std::size_t>(c)] : Cell{0, blank_pen};
        const bool wide = c + 1 < stored && line.cells[static_cast<std::size_t>(c) + 1].ch == kContinuation;
        Cell& dst = top.cells[c];
        dst.pen = cell.pen;
        if (cell.is_cluster()) {
            const auto cps = cluster_of(line.clusters, cell);
            dst.ch = cps.empty() ? 0xFFFD : g.intern_cluster(top, cps.data(), static_cast<int>(cps.size()));
        } else {
            dst.ch = cell.ch;
        }
        if (wide && c + 1 < g.cols()) {
            top.cells[c + 1].ch = kContinuation;
            c += 2;
        } else {
            c += 1;
        }
    }
    top.wrapped = line.wrapped;
}

}  // namespace ovelin::term
