#pragma once
// The pixels of every terminal view shown, kept from one paint to the next
// in memory bitmaps like the paint's own, one per view.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "ui/kept_view.hpp"

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
    // Whether every one of `rects` has been shown again in the paint under way.
    bool shown_again(const std::vector<RECT>& rects) const;

    // Forgets every surface (the font or the display changed).
    void clear();

    std::size_t size() const;

private:
    class Surface;
    struct Entry;
    std::vector<Entry> entries_;
    std::vector<RECT> last_shown_;
};

}  // namespace ovelin::win32
