#pragma once
// The terminal state: cursor, pen, modes, margins, tab stops and character
// sets, carrying out the parser's actions on our grids. It follows the
// xterm/VT conventions libvterm 0.1.4 implements, cell for cell, so its
// screen layer can serve as the reference, except where libvterm reads or
// writes out of bounds, loops, or depends on how the bytes were cut, and
// where xterm shows something else (save and restore of the cursor keep
// the character sets, shifts and a pending wrap, and a reset ends mouse
// reporting, as xterm's do).
//
// Printable ASCII, most of any output, is written straight into the row in
// runs; only other characters go through the width lookup.
//
// terminal.cpp: text and the cursor; terminal_dispatch.cpp: what each
// control, escape and control sequence does; terminal_reports.cpp: SGR,
// strings and replies; terminal_resize.cpp: resizing.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "term/grid.hpp"
#include "term/modes.hpp"
#include "term/parser.hpp"
#include "term/scrollback.hpp"

namespace ovelin::term {

class Terminal final : private ParserActions {
public:
    Terminal(int rows, int cols, std::size_t scrollback_lines);
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    void feed(std::string_view bytes);
    void resize(int rows, int cols);

    const Grid& grid() const { return alternate_screen() ? alt_ : main_; }
    const Grid& main_grid() const { return main_; }
    const Modes& modes() const { return modes_; }
    bool alternate_screen() const { return modes_.has(Mode::AltScreen); }
    bool cursor_visible() const { return modes_.has(Mode::CursorVisible); }
    bool bracketed_paste() const { return modes_.has(Mode::BracketedPaste); }
    bool reverse_video() const { return modes_.has(Mode::ReverseVideo); }
    void cursor(int& row, int& col) const;
    const std::string& title() const { return title_; }
    std::string take_replies();
    const Scrollback& scrollback() const { return scrollback_; }

    // Hears every sequence, control and mode this terminal does not
    // understand, written out ("CSI ? 9999 h", "OSC 52", "ESC # 9").
    void on_unknown(std::function<void(std::string_view)> hook) { unknown_ = std::move(hook); }

    // Sizes beyond these are clamped: a grid never takes more than a few
    // tens of megabytes whatever size the window asks for. Two columns at
    // least, so a double-width line is never zero columns wide.
    static constexpr int kMinCols = 2;
    static constexpr int kMaxRows = 2048;
    static constexpr int kMaxCols = 4096;
    static constexpr long kMaxCells = 1L << 21;
    struct Size {
        int rows, cols;
    };
    static Size clamped(int rows, int cols);

    static constexpr std::size_t kMaxReplyBytes = 64 * 1024;
    static constexpr std::size_t kMaxScrollbackBytes = 64u * 1024 * 1024;
    static constexpr std::size_t kMaxTitleBytes = Parser::kMaxOscBytes - 2;

private:
    enum class Charset : std::uint8_t { Utf8, Ascii, DecDrawing, Uk };
    // How the current stretch of text is read: through a 7-bit character
    // set, or as UTF-8 (which then takes ASCII as it is until the stretch ends).
    enum class Run : std::uint8_t { None, Table, Utf8 };
    struct Pos {
        int row = 0, col = 0;
        bool operator==(const Pos&) const = default;
    };

    explicit Terminal(Size size, std::size_t scrollback_lines);

    // ParserActions
    void print_ascii(const char* text, std::size_t n) override;
    void print(const char32_t* text, std::size_t n) override;
    void execute(unsigned char control) override;
    void esc_dispatch(std::uint32_t id) override;
    void csi_dispatch(std::uint32_t id, const Params& params) override;
    void osc_dispatch(std::string_view body) override;
    void dcs_dispatch(std::string_view body) override;

    Grid& active() { return alternate_screen() ? alt_ : main_; }
    int rows() const { return main_.rows(); }
    int cols() const { return main_.cols(); }
    // Columns of a row: half of them on a double-width line.
    int row_width(int row) const {
        return row >= 0 && row < rows() && (line_attrs_[static_cast<std::size_t>(row)] & 1) ? cols() / 2 : cols();
    }
    int region_bottom() const { return region_bottom_ > -1 ? region_bottom_ : rows(); }
    int region_left() const { return modes_.has(Mode::LeftRightMargins) ? region_left_ : 0; }
    int region_right() const {
        return modes_.has(Mode::LeftRightMargins) && region_right_ > -1 ? region_right_ : cols();
    }

    // Text.
    void shifted(char32_t c);
    void ascii_run(const unsigned char* p, std::size_t n);
    void table_run(const unsigned char* p, std::size_t n);
    void code_point(char32_t cp);
    void end_run();
    void glyph(const char32_t* chars, int n, int width);
    void combine(char32_t cp);
    void wrap_line();

    // State.
    void linefeed();
    void reverse_index();
    void scroll(Rect rect, int down, int right);
    void erase(Rect rect, bool selective);
    void erase_display(long how, bool selective);
    bool erase_line(long how, bool selective);
    void tab(int count, int direction);
    void set_tab_stop(bool on);
    void set_line_attrs(int row, int dwl, int dhl);
    void set_mode(Mode mode, bool on);
    void set_modes(const Params& params, bool dec, bool on);
    void request_mode(long number, bool dec);
    void set_alternate(bool on);
    void save_cursor(bool save);
    bool repeat(long count);
    void set_margins(const Params& params, bool columns);
    void sgr(const Params& params);
    void reset();
    void moved(const Pos& old, bool cancel_phantom);
    void clamp_cursor();

    // Replies and what is not understood.
    void reply_csi(const char* fmt, ...);
    void reply_dcs(const char* fmt, ...);
    void reply(std::string_view bytes);
    void decrqss(std::string_view query);
    void unknown_control(unsigned char c);
    void unknown_escape(std::uint32_t id);
    void unknown_csi(std::uint32_t id, const Params& params);
    void unknown_text(std::string_view text);

    // Resizing.
    void on_resize(int rows, int cols, int& delta_row);
    void pull_line_from_scrollback(const DecodedLine& line);

    Grid main_;
    Grid alt_;
    Scrollback scrollback_;
    Parser parser_;

    Run run_ = Run::None;

    // Cursor and the glyph the last text ended with (for combining
    // characters that arrive later and for REP).
    Pos pos_;
    bool at_phantom_ = false;
    char32_t combine_chars_[kMaxCharsPerCell] = {};
    int combine_n_ = 0;
    int combine_width_ = 0;
    Pos combine_pos_;
    bool in_run_ = false;          // the last glyph was put by the current text run
    bool drop_combining_ = false;  // combining characters after a dropped C1 character go with it

    Pen pen_;
    bool protect_ = false;

    Modes modes_;
    int cursor_shape_ = 1;  // block, underline, bar: 1, 2, 3

    int region_top_ = 0, region_bottom_ = -1;  // bottom exclusive, -1: the last row
    int region_left_ = 0, region_right_ = -1;
    std::vector<std::uint8_t> tabstops_;    // one bit per column
    std::vector<std::uint8_t> line_attrs_;  // per row: bit 0 double width, bits 1-2 double height
    Charset charsets_[4] = {Charset::Utf8, Charset::Utf8, Charset::Utf8, Charset::Utf8};
    int gl_ = 0, gr_ = 1, single_shift_ = 0;

    // What DECSC and modes 1048/1049 keep. Never saved: the reset state.
    struct Saved {
        Pos pos;
        bool at_phantom = false;
        bool cursor_visible = true, cursor_blink = true;
        int cursor_shape = 1;
        Pen pen;
        Charset charsets[4] = {Charset::Utf8, Charset::Utf8, Charset::Utf8, Charset::Utf8};
        int gl = 0, gr = 1, single_shift = 0;
    } saved_;

    std::string title_;
    std::string replies_;
    std::function<void(std::string_view)> unknown_;
};

}  // namespace ovelin::term
