#pragma once
// The Canvas on a GDI device context (the paint's memory bitmap).

#include <windows.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ui/canvas.hpp"

namespace ovelin::win32 {

class KeptSurfaces;

// One drawing call: what it drew (everything its pixels depend on, hashed)
// and the box it drew within.
struct DrawnOp {
    std::uint64_t hash;
    RECT box;
};

// Drawing calls kept to be drawn after the terminal views are shown, and then
// only where the frame's pixels differ from the last paint's: the tab bar and
// the tiles' headers are the same in most paints.
class DrawList {
public:
    void clear() {
        ops_.clear();
        text_.clear();
        advances_.clear();
    }

private:
    friend class GdiCanvas;
    struct Op {
        enum class Kind : std::uint8_t { Fill, Frame, Text, TextIn } kind;
        RECT box{};
        int x = 0, y = 0;
        COLORREF color = 0, back = 0;
        HGDIOBJ font = nullptr;              // selected when the call was made
        HFONT glyphs_of = nullptr;           // the canvas's terminal face then, if any
        std::size_t text = 0, length = 0, advances = 0;  // where its text and advances are kept
        std::size_t recorded_before = 0;     // DrawnOps recorded before it
    };
    std::vector<Op> ops_;
    std::u16string text_;
    std::vector<std::int32_t> advances_;
};

// The region the rectangles cover together (the caller deletes it).
HRGN region_of(const std::vector<RECT>& rects);

// A terminal view's pixels copied onto the frame after `recorded_before`
// DrawnOps: calls made before it lie under it.
struct ShownSurface {
    RECT at;
    std::size_t recorded_before;
};

class GdiCanvas final : public Canvas {
public:
    // Any font may be null (not resolved yet): the context's own is used, and
    // bold text without a bold face is drawn in the terminal font. With
    // `kept`, terminal views keep their pixels there between paints.
    GdiCanvas(HDC dc, HFONT terminal_font, HFONT bar_font = nullptr, KeptSurfaces* kept = nullptr,
              HFONT terminal_bold = nullptr);
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void select_font(FontKind font) override;
    void fill(const Rect& r, Rgb color) override;
    void frame(const Rect& r, Rgb color) override;
    void text_run(int x, int y, const Rect& box, std::u16string_view text, std::span<const std::int32_t> advances,
                  Rgb foreground, Rgb background) override;
    void styled_text_run(int x, int y, const Rect& box, std::u16string_view text,
                         std::span<const std::int32_t> advances, Rgb foreground, Rgb background,
                         TextStyle style) override;
    void text_in(const Rect& box, std::u16string_view text, Rgb color) override;
    KeptSurface* kept_surface(const void* view, const Rect& where) override;

    // Every drawing call from now on is added to `ops` (none when null);
    // without `hashed`, its box alone (the hash is 0).
    void record(std::vector<DrawnOp>* ops, bool hashed = true) {
        ops_ = ops;
        hashed_ = hashed;
    }
    // Drawing calls from now on go to `later` instead of the context (drawn
    // at once again when null); only while they are recorded.
    void defer(DrawList* later) { later_ = ops_ ? later : nullptr; }
    // Draws the calls kept in `later` that reach into `where`, clipped to it,
    // none over a surface shown after it was made; the context's clipping is
    // left reset.
    void draw_later(const DrawList& later, const std::vector<RECT>& where, std::span<const ShownSurface> shown);

private:
    // The terminal faces' glyphs of the ASCII characters, looked up once:
    // a run drawn by glyph index skips the text's mapping to glyphs, which
    // is most of a run's cost where fonts are slow to map (under Wine).
    struct AsciiGlyphs {
        HFONT font = nullptr;
        bool looked_up = false;
        std::array<WORD, 128> index{};  // 0xFFFF: not in the face
    };
    const AsciiGlyphs* ascii_glyphs();
    bool keep(DrawList::Op op, std::u16string_view text = {}, std::span<const std::int32_t> advances = {});
    void draw_fill(const RECT& rc, COLORREF color);
    void draw_frame(const RECT& rc, COLORREF color);
    void draw_text_run(int x, int y, const RECT& rc, std::u16string_view text, const std::int32_t* advances);
    void draw_text_in(RECT rc, std::u16string_view text, COLORREF color);

    HDC dc_;
    HFONT selected_ = nullptr;  // the font selected by this canvas, if a terminal face
    AsciiGlyphs regular_, bold_;
    HFONT terminal_font_;
    HFONT terminal_bold_;
    int ascent_ = -1;  // of the terminal font, measured when an underline first needs it
    HFONT bar_font_;
    HGDIOBJ default_font_;
    KeptSurfaces* kept_;
    std::vector<DrawnOp>* ops_ = nullptr;
    DrawList* later_ = nullptr;
    bool hashed_ = true;
    template <class Hashed>
    void note(const RECT& box, Hashed hash) {
        if (ops_) ops_->push_back({hashed_ ? hash() : 0, box});
    }
};

}  // namespace ovelin::win32
