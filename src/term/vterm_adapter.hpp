#pragma once
// The one place that sees libvterm: its state layer (parser, cursor, pen,
// modes, charsets) drives our grids through a static table of callbacks with
// the adapter as user pointer. No exception leaves a callback.

#include <cstdint>
#include <string>
#include <string_view>

#include "term/grid.hpp"
#include "term/scrollback.hpp"
#include "term/sequence_filter.hpp"

struct VTerm;
struct VTermState;

namespace ovelin::term {

class VtermAdapter final : SequenceSink {
public:
    VtermAdapter(int rows, int cols, std::size_t scrollback_lines);
    ~VtermAdapter();
    VtermAdapter(const VtermAdapter&) = delete;
    VtermAdapter& operator=(const VtermAdapter&) = delete;

    void feed(std::string_view bytes);
    void resize(int rows, int cols);

    const Grid& grid() const { return on_alt_ ? alt_ : main_; }
    bool alternate_screen() const { return on_alt_; }
    bool cursor_visible() const { return cursor_visible_; }
    bool bracketed_paste() const { return bracketed_paste_; }
    bool reverse_video() const { return reverse_video_; }
    void cursor(int& row, int& col) const;
    const std::string& title() const { return title_; }
    std::string take_replies();
    const Scrollback& scrollback() const { return scrollback_; }

    // Sizes beyond these are clamped: a grid never takes more than a few
    // tens of megabytes whatever size the window asks for. Two columns at
    // least: on one, a double-width line is zero columns wide in libvterm,
    // which then clamps its cursor to column -1.
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

private:
    struct Callbacks;

    VtermAdapter(Size size, std::size_t scrollback_lines);

    Grid& active() { return on_alt_ ? alt_ : main_; }

    // SequenceSink
    void pass(std::string_view bytes) override;
    void alternate_screen(bool on) override;
    void bracketed_paste(bool on) override;
    void title(std::string_view utf8) override;
    bool may_repeat() override { return repeat_width_ > 0; }
    void alignment_test(bool starting) override;
    void scroll_region(long top, long bottom) override;

    // What libvterm's callbacks do to us.
    void on_glyph(const std::uint32_t* chars, int width, int row, int col, bool protect);
    void note_glyph(int row, int col, int width);
    void on_cursor(int row, int col);
    void on_scroll(Rect rect, int down, int right);
    void on_resize(int rows, int cols, int& delta_row);
    void pull_line_from_scrollback(const DecodedLine& line);

    VTerm* vt_ = nullptr;
    VTermState* state_ = nullptr;
    Grid main_;
    Grid alt_;
    Scrollback scrollback_;
    SequenceFilter filter_;
    Pen pen_;
    bool on_alt_ = false;
    bool cursor_visible_ = true;
    bool bracketed_paste_ = false;
    bool reverse_video_ = false;
    std::string title_;
    std::string replies_;

    // The last glyph written, to see the next one wrap onto the next row.
    bool glyph_valid_ = false;
    int glyph_row_ = 0, glyph_col_ = 0, glyph_end_ = 0;
    int repeat_width_ = 0;  // width of the glyph REP would repeat
    bool aligning_ = false;

    // libvterm's scroll region as it keeps it (bottom -1: the last row), to
    // repair it after a resize: libvterm bounds the bottom but not the top,
    // and a line feed with the top below the bottom has it move a negative
    // number of bytes.
    int region_top_ = 0;
    int region_bottom_ = -1;
};

}  // namespace ovelin::term
