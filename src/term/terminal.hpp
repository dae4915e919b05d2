#pragma once
// The terminal engine: a byte-level parser and the terminal state (cursor,
// pen, modes, margins, tab stops, character sets) driving our grids
// directly. It follows the xterm/VT conventions libvterm 0.1.4 implements,
// cell for cell, so its screen layer can serve as the reference, but where
// libvterm reads or writes out of bounds, loops, or depends on how the bytes
// were cut, this engine does the sound thing instead.
//
// Printable ASCII, most of any output, is written straight into the row in
// runs; only other characters go through the decoder and width lookup.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "term/grid.hpp"
#include "term/scrollback.hpp"

namespace ovelin::term {

class Terminal {
public:
    Terminal(int rows, int cols, std::size_t scrollback_lines);
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    void feed(std::string_view bytes);
    void resize(int rows, int cols);

    const Grid& grid() const { return on_alt_ ? alt_ : main_; }
    const Grid& main_grid() const { return main_; }
    bool alternate_screen() const { return on_alt_; }
    bool cursor_visible() const { return mode_.cursor_visible; }
    bool bracketed_paste() const { return mode_.bracketed_paste; }
    bool reverse_video() const { return mode_.reverse_video; }
    void cursor(int& row, int& col) const;
    const std::string& title() const { return title_; }
    std::string take_replies();
    const Scrollback& scrollback() const { return scrollback_; }

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
    static constexpr std::size_t kMaxTitleBytes = 1024;
    static constexpr int kMaxArgs = 16;

private:
    enum class State : std::uint8_t { Ground, Esc, CsiLeader, CsiArgs, CsiIntermed, String, EscInString };
    enum class Charset : std::uint8_t { Utf8, Ascii, DecDrawing, Uk };
    enum class Run : std::uint8_t { None, Table, Utf8 };
    struct Pos {
        int row = 0, col = 0;
        bool operator==(const Pos&) const = default;
    };

    explicit Terminal(Size size, std::size_t scrollback_lines);

    Grid& active() { return on_alt_ ? alt_ : main_; }
    int rows() const { return main_.rows(); }
    int cols() const { return main_.cols(); }
    int row_width(int row) const;
    int region_bottom() const { return region_bottom_ > -1 ? region_bottom_ : rows(); }
    int region_left() const { return mode_.lr_margins ? region_left_ : 0; }
    int region_right() const { return mode_.lr_margins && region_right_ > -1 ? region_right_ : cols(); }

    // Parsing.
    const unsigned char* text(const unsigned char* p, const unsigned char* end);
    void ascii_run(const unsigned char* p, std::size_t n);
    void code_point(char32_t cp);
    void decode(unsigned char c);
    void end_run();
    void control(unsigned char c);
    void escape(unsigned char final);
    void csi(unsigned char final);
    void string_done();
    void osc(std::string_view s);
    void dcs(std::string_view s);

    // State.
    void glyph(const char32_t* chars, int n, int width);
    void combine(char32_t cp);
    void wrap_line();
    void linefeed();
    void scroll(Rect rect, int down, int right);
    void erase(Rect rect, bool selective);
    void tab(int count, int direction);
    void set_line_attrs(int row, int dwl, int dhl);
    void set_mode(long num, bool on);
    void set_dec_mode(long num, bool on);
    void request_dec_mode(long num);
    void set_alternate(bool on);
    void save_cursor(bool save);
    void sgr();
    // Parameter i of the CSI just ended; those not given read as missing.
    long arg(int i) const;
    void margins(int extent, int& first, int& last) const;
    void reset(bool hard);
    void moved(const Pos& old, bool cancel_phantom);
    void reply_csi(const char* fmt, ...);
    void reply_dcs(const char* fmt, ...);
    void reply(std::string_view bytes);
    void on_resize(int rows, int cols, int& delta_row);
    void pull_line_from_scrollback(const DecodedLine& line);

    Grid main_;
    Grid alt_;
    Scrollback scrollback_;
    bool on_alt_ = false;

    // Parser.
    State state_ = State::Ground;
    int leader_len_ = 0;
    unsigned char leader0_ = 0;
    int intermed_len_ = 0;
    unsigned char intermed0_ = 0;
    int argi_ = 0;
    bool dropping_args_ = false;
    long args_[kMaxArgs] = {};
    bool string_is_osc_ = false;
    std::string string_;

    // UTF-8 decoder: one for all text, kept across feeds.
    int utf8_remaining_ = 0;
    int utf8_total_ = 0;
    char32_t utf8_cp_ = 0;
    Run run_ = Run::None;

    // Cursor and the glyph the last text ended with (for combining
    // characters that arrive later and for REP).
    Pos pos_;
    bool at_phantom_ = false;
    char32_t combine_chars_[kMaxCharsPerCell] = {};
    int combine_n_ = 0;
    int combine_width_ = 0;
    Pos combine_pos_;
    bool in_run_ = false;         // the last glyph was put by the current text run
    bool drop_combining_ = false;  // combining characters after a dropped C1 character go with it

    Pen pen_;
    bool protect_ = false;
    struct Saved {
        Pos pos;
        bool cursor_visible = true, cursor_blink = true;
        int cursor_shape = 1;
        Pen pen;
    } saved_;

    struct Modes {
        bool keypad = false, cursor_keys = false, autowrap = true, insert = false, newline = false, origin = false,
             lr_margins = false, bracketed_paste = false, report_focus = false, cursor_visible = true,
             cursor_blink = true, reverse_video = false, ctrl8bit = false;
        int cursor_shape = 1;  // block, underline, bar: 1, 2, 3
        int mouse = 0;         // 0 none, 1000, 1002, 1003
        int mouse_protocol = 0;  // 0 X10, 1005, 1006, 1015
    } mode_;

    int region_top_ = 0, region_bottom_ = -1;  // bottom exclusive, -1: the last row
    int region_left_ = 0, region_right_ = -1;
    std::vector<std::uint8_t> tabstops_;  // one bit per column
    std::vector<std::uint8_t> line_attrs_;  // per row: bit 0 double width, bits 1-2 double height
    Charset charsets_[4] = {Charset::Utf8, Charset::Utf8, Charset::Utf8, Charset::Utf8};
    int gl_ = 0, gr_ = 1, single_shift_ = 0;

    std::string title_;
    std::string replies_;
};

// Display width of a code point as the reference terminal counts it: 0 for
// combining and format characters, 2 for wide ones, -1 for C0/C1 controls.
int code_point_width(char32_t cp);
bool is_combining(char32_t cp);

}  // namespace ovelin::term
