#pragma once
// libvterm's own screen layer, with a scrollback of its own behind the push
// and pop callbacks, as the reference our Screen must agree with.

#include <vterm.h>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "core/utf.hpp"
#include "term/screen.hpp"

namespace ovelin::test {

// libvterm's code points as our UTF-8; what no UTF-8 can hold reads as U+FFFD.
inline void append_utf8_cp(std::string& out, std::uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    append_utf8(out, cp);
}

inline Color reference_color(const VTermColor& c) {
    if (c.type & VTERM_COLOR_DEFAULT_MASK) return Color{};
    if (VTERM_COLOR_IS_INDEXED(&c)) return Color::indexed(c.indexed.idx);
    return Color::rgb(c.rgb.red, c.rgb.green, c.rgb.blue);
}

inline CellView reference_view(const VTermScreenCell& c) {
    CellView v;
    v.wide_continuation = c.chars[0] == 0xFFFFFFFFu;
    if (!v.wide_continuation)
        for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i]; ++i) append_utf8_cp(v.text, c.chars[i]);
    v.fg = reference_color(c.fg);
    v.bg = reference_color(c.bg);
    v.inverse = c.attrs.reverse != 0;
    v.wide = c.width == 2;
    // As our screen reads them: an erased cell shows no underline or bold.
    const bool written = c.chars[0] != 0 && !v.wide_continuation;
    v.bold = written && c.attrs.bold;
    v.underline = written && c.attrs.underline != 0;
    return v;
}

// Length of an unfinished UTF-8 character at the end of `bytes`.
inline std::size_t incomplete_utf8_tail(std::string_view bytes) {
    const std::size_t n = bytes.size();
    for (std::size_t back = 1; back <= 6 && back <= n; ++back) {
        const auto b = static_cast<unsigned char>(bytes[n - back]);
        if ((b & 0xC0) == 0x80) continue;
        if (b < 0xC0 || b >= 0xFE) return 0;
        const std::size_t need = b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : b < 0xFC ? 5 : 6;
        return need > back ? back : 0;
    }
    return 0;
}

class ReferenceScreen {
public:
    ReferenceScreen(int rows, int cols, std::size_t scrollback_lines = 10000) : max_lines_(scrollback_lines) {
        vt_ = vterm_new(rows, cols);
        vterm_set_utf8(vt_, 1);
        screen_ = vterm_obtain_screen(vt_);
        vterm_screen_enable_altscreen(screen_, 1);
        vterm_screen_set_callbacks(screen_, &callbacks_, this);
        vterm_screen_reset(screen_, 1);
    }
    ~ReferenceScreen() { vterm_free(vt_); }
    ReferenceScreen(const ReferenceScreen&) = delete;
    ReferenceScreen& operator=(const ReferenceScreen&) = delete;

    // An unfinished character at the end is held for the next feed, as our
    // Screen does: libvterm alone may decode its two parts separately.
    void feed(std::string_view bytes) {
        std::string joined = std::move(held_);
        held_.clear();
        joined.append(bytes);
        const std::size_t tail = incomplete_utf8_tail(joined);
        held_ = joined.substr(joined.size() - tail);
        vterm_input_write(vt_, joined.data(), joined.size() - tail);
    }
    void resize(int rows, int cols) { vterm_set_size(vt_, rows, cols); }

    int rows() const {
        int r = 0, c = 0;
        vterm_get_size(vt_, &r, &c);
        return r;
    }
    int cols() const {
        int r = 0, c = 0;
        vterm_get_size(vt_, &r, &c);
        return c;
    }
    CellView cell(int row, int col) const {
        VTermScreenCell c{};
        vterm_screen_get_cell(screen_, VTermPos{row, col}, &c);
        return reference_view(c);
    }
    CursorPos cursor() const {
        VTermPos p;
        vterm_state_get_cursorpos(vterm_obtain_state(vt_), &p);
        return CursorPos{static_cast<std::uint16_t>(p.row), static_cast<std::uint16_t>(p.col)};
    }
    // Whether shrinking to `rows` would scroll the cursor above the screen:
    // libvterm 0.1.4 then indexes its line table with a negative row and
    // may corrupt memory, so the differential test does not go there.
    bool shrink_loses_cursor(int rows) const {
        if (alt_ || rows >= this->rows()) return false;
        const CursorPos cur = cursor();
        int r = this->rows() - 1;
        for (; r >= rows; --r)
            if (!vterm_screen_is_eol(screen_, VTermPos{r, 0}) || cur.row == r) break;
        return r + 1 - rows > cur.row;
    }
    bool alternate_screen() const { return alt_; }
    bool cursor_visible() const { return visible_; }
    // Mouse tracking as libvterm reports it: 0 none, 1 clicks, 2 drags, 3 every move.
    int mouse_tracking() const { return mouse_; }
    // What libvterm sends a program on gaining the focus, and for a wheel
    // step up at the top-left cell: its focus mode and its mouse encoding.
    std::string focus_report() const {
        drain();
        vterm_state_focus_in(vterm_obtain_state(vt_));
        return drain();
    }
    std::string wheel_report() const {
        drain();
        vterm_mouse_button(vt_, 4, true, VTERM_MOD_NONE);
        return drain();
    }
    std::size_t scrollback_size() const { return lines_.size(); }
    // Text of a kept line by the same rules as Screen's.
    std::string scrollback_line(std::size_t index) const {
        std::string out;
        int spaces = 0;
        for (const auto& c : lines_[index]) {
            if (c.chars[0] == 0xFFFFFFFFu) continue;
            if (c.chars[0] == 0 || (c.chars[0] == ' ' && c.chars[1] == 0)) {
                ++spaces;
                continue;
            }
            out.append(static_cast<std::size_t>(spaces), ' ');
            spaces = 0;
            for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i]; ++i) append_utf8_cp(out, c.chars[i]);
        }
        return out;
    }

private:
    // The bytes libvterm has queued for the program (replies included).
    std::string drain() const {
        std::string out;
        char buf[256];
        while (const std::size_t n = vterm_output_read(vt_, buf, sizeof buf)) out.append(buf, n);
        return out;
    }
    static int push(int cols, const VTermScreenCell* cells, void* user) {
        auto& self = *static_cast<ReferenceScreen*>(user);
        if (self.max_lines_ == 0) return 1;
        if (self.lines_.size() == self.max_lines_) self.lines_.pop_front();
        self.lines_.emplace_back(cells, cells + cols);
        return 1;
    }
    static int pop(int cols, VTermScreenCell* cells, void* user) {
        auto& self = *static_cast<ReferenceScreen*>(user);
        if (self.lines_.empty()) return 0;
        const auto line = std::move(self.lines_.back());
        self.lines_.pop_back();
        VTermScreenCell blank{};
        blank.width = 1;
        vterm_state_get_default_colors(vterm_obtain_state(self.vt_), &blank.fg, &blank.bg);
        for (int i = 0; i < cols; ++i) cells[i] = i < static_cast<int>(line.size()) ? line[static_cast<std::size_t>(i)] : blank;
        // The screen layer would mark a continuation past the right edge.
        if (cells[cols - 1].width == 2) cells[cols - 1].width = 1;
        return 1;
    }
    static int termprop(VTermProp prop, VTermValue* val, void* user) {
        auto& self = *static_cast<ReferenceScreen*>(user);
        if (prop == VTERM_PROP_ALTSCREEN) self.alt_ = val->boolean != 0;
        if (prop == VTERM_PROP_CURSORVISIBLE) self.visible_ = val->boolean != 0;
        if (prop == VTERM_PROP_MOUSE) self.mouse_ = val->number;
        return 1;
    }

    static constexpr VTermScreenCallbacks callbacks_ = {
        .damage = nullptr,
        .moverect = nullptr,
        .movecursor = nullptr,
        .settermprop = termprop,
        .bell = nullptr,
        .resize = nullptr,
        .sb_pushline = push,
        .sb_popline = pop,
    };

    VTerm* vt_ = nullptr;
    VTermScreen* screen_ = nullptr;
    std::size_t max_lines_;
    std::deque<std::vector<VTermScreenCell>> lines_;
    bool alt_ = false;
    bool visible_ = true;
    int mouse_ = 0;
    std::string held_;
};

}  // namespace ovelin::test
