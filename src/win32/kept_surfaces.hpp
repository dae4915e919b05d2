#pragma once
// The pixels of every terminal view shown, kept from one paint to the next
// in memory bitmaps like the paint's own, one per view.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "ui/kept_view.hpp"
#include "win32/gdi_canvas.hpp"

namespace ovelin::win32 {

class KeptSurfaces {
public:
    KeptSurfaces();
    ~KeptSurfaces();
    KeptSurfaces(const KeptSurfaces&) = delete;
    KeptSurfaces& operator=(const KeptSurfaces&) = delete;

    // The surface of `view` at `where` for the paint into `frame`: made on
    // first use, and again when its size or a font changed. Null when GDI
    // cannot make one (the view then draws straight onto the frame).
    KeptSurface* surface(HDC frame, HFONT font, HFONT bold, HFONT bar, const void* view, const Rect& where);

    // Ends a paint: frees the surfaces no view asked for since the last call
    // (closed sessions, views no longer shown). Returns the rows the views
    // drew again in that paint.
    std::size_t end_paint();

    // Where surfaces were shown in the last paint ended: a paint that shows
    // them there again need not fill under them first.
    const std::vector<RECT>& last_shown() const { return last_shown_; }
    // The same, each with the frame's drawing calls made before it.
    const std::vector<ShownSurface>& last_shown_order() const { return shown_order_; }
    // Whether every one of `rects` has been shown again in the paint under way.
    bool shown_again(const std::vector<RECT>& rects) const;
    // Where the paint last ended changed the frame by showing surfaces.
    const std::vector<RECT>& changed() const { return changed_; }
    // Whether clear() was called since the last call (what the frame showed
    // before may have been drawn with another font or pixel format).
    bool take_cleared() { return std::exchange(cleared_, false); }

    // Begins a paint into a frame that keeps what the last paint left in it
    // (`kept`): the drawing calls onto it so far in this paint and in the
    // last one, the ones the surfaces may lie under.
    void begin_paint(const std::vector<DrawnOp>* now, const std::vector<DrawnOp>* before, bool kept) {
        state_ = {now, before, kept && now && before};
    }

    // Forgets every surface (the font or the display changed).
    void clear();

    std::size_t size() const;

private:
    class Surface;
    struct Entry;
    struct FrameState {
        const std::vector<DrawnOp>* now = nullptr;
        const std::vector<DrawnOp>* before = nullptr;
        bool kept = false;
    };
    FrameState state_;
    std::vector<Entry> entries_;
    std::vector<RECT> last_shown_;
    std::vector<ShownSurface> shown_order_;
    std::vector<RECT> changed_;
    bool cleared_ = true;
};

}  // namespace ovelin::win32
