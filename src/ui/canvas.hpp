#pragma once
// What painting needs from a drawing surface. The window's GDI surface
// implements it; tests record the calls.

#include <cstdint>
#include <span>
#include <string_view>

namespace ovelin {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// How a run of terminal text is drawn beyond its colours.
struct TextStyle {
    bool bold = false;       // the bold face of the terminal font, same advances
    bool underline = false;  // a one-pixel line at the baseline in the text colour
    bool operator==(const TextStyle&) const = default;
};

// Bar: the system's message font at the window's DPI, for the tab bar.
enum class FontKind { Default, Terminal, Bar };

class KeptSurface;

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void select_font(FontKind font) = 0;
    virtual void fill(const Rect& r, Rgb color) = 0;
    // A one-pixel frame just inside r.
    virtual void frame(const Rect& r, Rgb color) = 0;
    // One run of text at (x, y): `box` is filled with `background` and clips
    // the text; each UTF-16 unit advances the pen by its own amount.
    virtual void text_run(int x, int y, const Rect& box, std::u16string_view text,
                          std::span<const std::int32_t> advances, Rgb foreground, Rgb background) = 0;
    // The same in a style; a canvas without styles draws it plain.
    virtual void styled_text_run(int x, int y, const Rect& box, std::u16string_view text,
                                 std::span<const std::int32_t> advances, Rgb foreground, Rgb background,
                                 TextStyle style) {
        (void)style;
        text_run(x, y, box, text, advances, foreground, background);
    }
    // One line of text, vertically centred and clipped in `box`, on the
    // existing background.
    virtual void text_in(const Rect& box, std::u16string_view text, Rgb color) = 0;

    // The pixels that `view` left at `where` (this canvas's coordinates) in
    // the last paint, for the view to bring up to date and show; null when
    // this canvas keeps none, and the view draws afresh.
    virtual KeptSurface* kept_surface(const void* view, const Rect& where) {
        (void)view, (void)where;
        return nullptr;
    }
};

}  // namespace ovelin
