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
        canvas_->record(&drawn_, false);  // where it drew is all a showing needs
    }

    bool ok() const { return canvas_.has_value(); }
    int width() const { return width_; }
    int height() const { return height_; }
    void place(HDC frame, const FrameState* state, int x, int y) {
        frame_ = frame;
        state_ = state;
        x_ = x;
        y_ = y;
    }

    Canvas& canvas() override { return *canvas_; }
    void move_rows(int top, int bottom, int dy) override {
        // Source and destination overlap: BitBlt within one bitmap copies as if through a temporary.
        ::BitBlt(dc_.get(), 0, top + dy, width_, bottom - top, dc_.get(), 0, top, SRCCOPY);
        moved_ = true;
    }
    // The frame keeps what the surface showed there in the last paint, so
    // only the rows drawn since and what was drawn over it then are copied;
    // all of it when it is new, moved within or turned, when the frame did
    // not keep its pixels, or when this paint drew under it already.
    void show(int top) override {
        const RECT whole{x_, y_, x_ + width_, y_ + height_};
        constexpr std::size_t MOST_PARTS = 6;
        std::vector<RECT> parts;
        bool all = fresh_ || moved_ || top != last_top_ || !shown_before_ || !state_ || !state_->kept;
        for (std::size_t i = 0; !all && i < drawn_.size(); ++i) {
            RECT r = drawn_[i].box;
            if (r.top < top && r.bottom > top) all = true;  // across the ring's seam
            const int dy = r.top >= top ? -top : height_ - top;
            r = RECT{x_ + r.left, y_ + r.top + dy, x_ + r.right, y_ + r.bottom + dy};
            if (::IntersectRect(&r, &r, &whole)) parts.push_back(r);
        }
        if (!all) {
            for (const DrawnOp& op : *state_->before) {
                RECT r{};
                if (::IntersectRect(&r, &op.box, &whole)) parts.push_back(r);
            }
            for (const DrawnOp& op : *state_->now) {
                RECT r{};
                if (::IntersectRect(&r, &op.box, &whole)) all = true;
            }
        }
        changed_.reset();
        if (all || parts.size() > MOST_PARTS) {
            ::BitBlt(frame_, x_, y_, width_, height_ - top, dc_.get(), 0, top, SRCCOPY);
            if (top > 0) ::BitBlt(frame_, x_, y_ + height_ - top, width_, top, dc_.get(), 0, 0, SRCCOPY);
            changed_ = whole;
        } else {
            for (const RECT& r : parts) {
                copy_part(r, top);
                if (changed_) ::UnionRect(&*changed_, &*changed_, &r);
                else changed_ = r;
            }
        }
        shown_ = true;
        recorded_before_ = state_ && state_->now ? state_->now->size() : 0;
        drawn_.clear();
        fresh_ = moved_ = false;
        last_top_ = top;
    }
    // What of the frame the last showing changed.
    std::optional<RECT> changed() const { return changed_; }
    // Where it covered the frame in this paint, if it was shown.
    std::optional<RECT> shown_at() const {
        if (!shown_) return std::nullopt;
        return RECT{x_, y_, x_ + width_, y_ + height_};
    }
    std::size_t recorded_before() const { return recorded_before_; }
    void paint_ended() {
        shown_before_ = shown_;
        shown_ = false;
        changed_.reset();
    }

private:
    // Copies a part of the frame's rectangle from where the ring keeps it.
    void copy_part(const RECT& r, int top) {
        const int w = r.right - r.left, x = r.left - x_;
        int from = r.top - y_ + top, rows = r.bottom - r.top, y = r.top;
        if (from >= height_) from -= height_;
        const int first = std::min(rows, height_ - from);
        ::BitBlt(frame_, r.left, y, w, first, dc_.get(), x, from, SRCCOPY);
        if (first < rows) ::BitBlt(frame_, r.left, y + first, w, rows - first, dc_.get(), x, 0, SRCCOPY);
    }

    int width_, height_;
    UniqueMemoryDc dc_;
    UniqueGdiObject bitmap_;
    SelectGuard keep_bitmap_;
    std::optional<GdiCanvas> canvas_;  // after the DC: it gives the DC its font back before the DC goes
    HDC frame_ = nullptr;
    const FrameState* state_ = nullptr;
    int x_ = 0, y_ = 0;
    bool shown_ = false, shown_before_ = false;
    std::size_t recorded_before_ = 0;  // the frame's drawing calls before its showing
    std::vector<DrawnOp> drawn_;  // since the last showing, in the surface's own pixels
    bool fresh_ = true, moved_ = false;
    int last_top_ = 0;
    std::optional<RECT> changed_;  // by the showing in the paint under way
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
    e.surface->place(frame, &state_, where.left, where.top);
    return e.surface.get();
}

std::size_t KeptSurfaces::end_paint() {
    std::size_t drawn = 0;
    std::erase_if(entries_, [](const Entry& e) { return !e.used || !e.surface; });
    last_shown_.clear();
    shown_order_.clear();
    changed_.clear();
    state_ = {};
    for (Entry& e : entries_) {
        if (auto c = e.surface->changed()) changed_.push_back(*c);
        drawn += e.surface->rows_drawn;
        e.surface->rows_drawn = 0;
        e.used = false;
        if (auto at = e.surface->shown_at()) {
            last_shown_.push_back(*at);
            shown_order_.push_back({*at, e.surface->recorded_before()});
        }
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
    shown_order_.clear();
    cleared_ = true;
}

std::size_t KeptSurfaces::size() const { return entries_.size(); }

}  // namespace ovelin::win32
