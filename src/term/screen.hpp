#pragma once
// The terminal screen model: our parser and terminal state feeding a grid
// of our own.
//
// Coordinates: a visible row counts from 0 at the top of the screen, a
// column from 0 at the left; both index the grid in use (the alternate grid
// while the alternate screen is on, else the main grid). Scrollback lines
// count from 0 at the oldest line kept.
//
// Lines: the history of the grid in use is read by line numbers that stay
// with their text (term/lines.hpp). Row r is line top_line() + r; on the main
// grid the lines above it are the scrollback, back to first_line(). The
// alternate grid keeps no scrollback: its first line is its top line.
//
// Not thread-safe: the owner (a session) puts it behind a mutex.
//
// Sizes are at least 1 row x 2 columns and at most 2048 rows, 4096
// columns and 2^21 cells, so one screen never takes more than a few tens of
// megabytes; rows() and cols() report the size in force. A resize to the
// size in force does nothing. Text read from it is always valid UTF-8.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "term/lines.hpp"
#include "term/modes.hpp"

namespace ovelin {

struct Color {
    enum class Kind : std::uint8_t { Default, Indexed, Rgb };
    Kind kind = Kind::Default;
    std::uint8_t index = 0;  // Indexed: 0..255
    std::uint8_t r = 0, g = 0, b = 0;  // Rgb

    static Color indexed(std::uint8_t i) { return {Kind::Indexed, i, 0, 0, 0}; }
    static Color rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {Kind::Rgb, 0, r, g, b}; }
    bool operator==(const Color&) const = default;
};

// One visible cell as the painter and the selection read it.
struct CellView {
    std::string text;  // UTF-8: the character and its combining characters; empty when blank
    Color fg;
    Color bg;
    bool inverse = false;
    bool wide = false;               // left half of a two-column character
    bool wide_continuation = false;  // right half of a two-column character
    bool bold = false;
    bool underline = false;  // single or double
};

// One history line's characters, for searching. Either `ascii` holds its
// cells one byte each (cell c is byte c), or `chars` holds its characters,
// each with the column it starts at in `cols` (a combining character shares
// its base's column). Both follow the copy rules: blank cells between
// characters read as spaces, trailing blanks are left out, the right half of
// a wide character gives nothing.
struct LineText {
    std::string_view ascii;
    std::vector<char32_t> chars;
    std::vector<std::uint16_t> cols;
    bool wrapped = false;  // the text goes on in the next line
    std::string bytes;     // what `ascii` shows of a screen row, one byte a cell
};

struct CursorPos {
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    bool operator==(const CursorPos&) const = default;
};

class Screen {
public:
    Screen(std::uint16_t rows, std::uint16_t cols, std::size_t scrollback_lines = 10000);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Output bytes from the child. A partial escape sequence or UTF-8
    // character at the end is completed by the next call.
    void feed(std::string_view bytes);

    // Changes both grids.
    void resize(std::uint16_t rows, std::uint16_t cols);

    std::uint16_t rows() const;
    std::uint16_t cols() const;

    bool alternate_screen() const;
    bool hide_cursor() const;
    bool bracketed_paste() const;
    // Every mode the program has set: mouse and focus reporting, keypad,
    // cursor keys and the rest.
    const term::Modes& modes() const;
    CursorPos cursor() const;  // of the grid in use
    const std::string& title() const;

    // A cell outside the screen reads as blank. Cheap (no allocation for a
    // single character), but a painter should prefer read_row.
    CellView cell(std::uint16_t row, std::uint16_t col) const;

    // Every cell of one visible row into `out` (resized to cols()). The
    // strings in `out` are reused, so reading row after row into the same
    // vector does not allocate for ordinary text.
    void read_row(std::uint16_t row, std::vector<CellView>& out) const;

    // Every visible row in full width, a line feed after each row that did
    // not wrap onto the next, trailing line feeds removed.
    std::string contents() const;

    // The text from (start_row, start_col) up to, not including, end_col on
    // end_row: trailing blanks of a row give no text, blanks between
    // characters give spaces, a line feed after every row that did not wrap,
    // a wide character once.
    std::string contents_between(std::uint16_t start_row, std::uint16_t start_col, std::uint16_t end_row,
                                 std::uint16_t end_col) const;

    // Bytes the terminal answers with (device status and attribute reports);
    // they belong on the child's input. Taking them empties the queue.
    std::string take_replies();

    // Hears each sequence, control or mode the screen does not understand,
    // written out ("CSI ? 9999 h"); for tests and diagnostics.
    void on_unknown_sequence(std::function<void(std::string_view)> hook);

    // Lines that left the top of the main grid, oldest first (index 0);
    // a line's text follows the rules of contents_between.
    std::size_t scrollback_size() const;
    std::string scrollback_line(std::size_t index) const;
    // Heap bytes the scrollback holds.
    std::size_t scrollback_bytes() const;

    // ---- history lines of the grid in use ----
    std::uint64_t top_line() const;
    std::uint64_t first_line() const;
    std::uint64_t end_line() const { return top_line() + rows(); }
    // Cells of a line as read_row gives them (cols() of them); blank outside
    // first_line() ... end_line() - 1.
    void read_line(std::uint64_t line, std::vector<CellView>& out) const;
    bool line_wrapped(std::uint64_t line) const;
    // Valid until the next call with the same `out` or the next change.
    void line_text(std::uint64_t line, LineText& out) const;
    // The text from `start` up to, not including, column end.col of line
    // end.line, by the rules of contents_between; lines outside the history
    // are cut off.
    std::string text_between(LinePoint start, LinePoint end) const;
    // The main grid's whole history, oldest line first, by the rules of
    // contents(); whatever grid is in use.
    std::string history_text() const;

    // ---- what changed, for views that keep what they drew ----
    // The time by the clock of the grid in use: it only goes forward, and a
    // line changed after time t has line_changed() > t. Scrolls that moved
    // text to other line numbers after t are given by moves_since(t), oldest
    // first; false when some are no longer known.
    std::uint64_t clock() const;
    // Unique to this screen in the process: a view kept for another screen
    // (even one made at the same address) starts afresh.
    std::uint64_t serial() const;
    std::uint64_t line_changed(std::uint64_t line) const;
    bool moves_since(std::uint64_t time, std::vector<LineMove>& out) const;
    bool reverse_video() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ovelin
