#include "win32/kept_surfaces.hpp"

#include <algorithm>
#include <optional>

#include "win32/gdi_canvas.hpp"
#include "win32/handles.hpp"

namespace ovelin::win32 {

class KeptSurfaces::Surface final : public KeptSurface {
public:
    Surface(HDC frame, HFONT font, HFONT bold, HFONT bar, int width, int height)
        : width_(width), height_(height), dc_(::CreateCompatibleDC(frame)),
          // Compatible with the frame, not the screen: the same pixel format
          // gives the same text pixels and a plain copy.
          bitmap_(::CreateCompatibleBitmap(frame, width, height)), keep_bitmap_(dc_.get(), bitmap_.get()) {
        if (!dc_ || !bitmap_) return;
        ::SetBkMode(dc_.get(), TRANSPARENT);
        canvas_.emplace(dc_.get(), font, bar, nullptr, bold);
        canvas_->select_font(FontKind::Terminal);
    }

    bool ok() const { return canvas_.has_value(); }
    int width() const { return width_; }
    int height() const { return height_; }
    void place(HDC frame, int x, int y) {
        frame_ = frame;
        x_ = x;
        y_ = y;
    }

    Canvas& canvas() override { return *canvas_; }
    void move_rows(int top, int bottom, int dy) override {
        // Source and destination overlap: BitBlt within one bitmap copies as if through a temporary.
        ::BitBlt(dc_.get(), 0, top + dy, width_, bottom - top, dc_.get(), 0, top, SRCCOPY);
    }
    void show(int top) override {
        ::BitBlt(frame_, x_, y_, width_, height_ - top, dc_.get(), 0, top, SRCCOPY);
        if (top > 0) ::BitBlt(frame_, x_, y_ + height_ - top, width_, top, dc_.get(), 0, 0, SRCCOPY);
        shown_ = true;
    }
    // Where it covered the frame in this paint, if it was shown.
    std::optional<RECT> shown_at() const {
        if (!shown_) return std::nullopt;
        return RECT{x_, y_, x_ + width_, y_ + height_};
    }
    void paint_ended() { shown_ = false; }

private:
    int width_, height_;
    UniqueMemoryDc dc_;
    UniqueGdiObject bitmap_;
    SelectGuard keep_bitmap_;
    std::optional<GdiCanvas> canvas_;  // after the DC: it gives the DC its font back before the DC goes
    HDC frame_ = nullptr;
    int x_ = 0, y_ = 0;
    bool shown_ = false;
};

struct KeptSurfaces::Entry {
    const void* view;
    int left, top;
    HFONT font, bar;
    std::unique_ptr<Surface> surface;
    bool used;
};

KeptSurfaces::KeptSurfaces() = default;
KeptSurfaces::~KeptSurfaces() = default;

KeptSurface* KeptSurfaces::surface(HDC frame, HFONT font, HFONT bold, HFONT bar, const void* view, const Rect& where) {
    const int width = where.right - where.left, height = where.bottom - where.top;
    if (width <= 0 || height <= 0) return nullptr;
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.view == view && e.left == where.left && e.top == where.top;
    });
    if (it == entries_.end())
        it = entries_.insert(entries_.end(), Entry{view, where.left, where.top, font, bar, {}, false});
    Entry& e = *it;
    if (!e.surface || e.font != font || e.bar != bar || e.surface->width() != width || e.surface->height() != height) {
        e.surface.reset();  // the old bitmap goes before the new one is made
        auto made = std::make_unique<Surface>(frame, font, bold, bar, width, height);
        if (made->ok()) e.surface = std::move(made);
        e.font = font;
        e.bar = bar;
    }
    e.used = true;
    if (!e.surface) return nullptr;
    e.surface->place(frame, where.left, where.top);
    return e.surface.get();
}

std::size_t KeptSurfaces::end_paint() {
    std::size_t drawn = 0;
    std::erase_if(entries_, [](const Entry& e) { return !e.used || !e.surface; });
    last_shown_.clear();
    for (Entry& e : entries_) {
        drawn += e.surface->rows_drawn;
        e.surface->rows_drawn = 0;
        e.used = false;
        if (auto at = e.surface->shown_at()) last_shown_.push_back(*at);
        e.surface->paint_ended();
    }
    return drawn;
}

bool KeptSurfaces::shown_again(const std::vector<RECT>& rects) const {
    return std::ranges::all_of(rects, [&](const RECT& r) {
        return std::ranges::any_of(entries_, [&](const Entry& e) {
            const auto at = e.used && e.surface ? e.surface->shown_at() : std::nullopt;
            return at && at->left == r.left && at->top == r.top && at->right == r.right && at->bottom == r.bottom;
        });
    });
}

void KeptSurfaces::clear() {
    entries_.clear();
    last_shown_.clear();
}

std::size_t KeptSurfaces::size() const { return entries_.size(); }

}  // namespace ovelin::win32
