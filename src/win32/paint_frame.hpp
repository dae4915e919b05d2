#pragma once
// The window's back buffer, kept from one paint to the next: a paint made
// a device context and a bitmap of the whole client each time, which under
// a flood of output is most of what a paint costs. Made again only when the
// client's size changes.

#include <windows.h>

#include <utility>

#include "win32/handles.hpp"

namespace ovelin::win32 {

class PaintFrame {
public:
    PaintFrame() = default;
    PaintFrame(const PaintFrame&) = delete;
    PaintFrame& operator=(const PaintFrame&) = delete;
    ~PaintFrame() { release(); }

    // A memory context holding a bitmap of at least that size, compatible
    // with `window`; null when GDI cannot make one.
    HDC get(HDC window, int width, int height) {
        if (dc_ && width == width_ && height == height_) return dc_.get();
        release();
        UniqueMemoryDc dc(::CreateCompatibleDC(window));
        UniqueGdiObject bitmap(::CreateCompatibleBitmap(window, width, height));
        if (!dc || !bitmap) return nullptr;
        old_ = ::SelectObject(dc.get(), bitmap.get());
        dc_ = std::move(dc);
        bitmap_ = std::move(bitmap);
        width_ = width, height_ = height;
        made_ = true;
        return dc_.get();
    }
    // Whether get() made the bitmap anew since the last call.
    bool take_made() { return std::exchange(made_, false); }

private:
    void release() {
        if (dc_ && old_) ::SelectObject(dc_.get(), old_);
        old_ = nullptr;
        bitmap_.reset();
        dc_.reset();
        width_ = height_ = 0;
    }

    UniqueMemoryDc dc_;
    UniqueGdiObject bitmap_;
    HGDIOBJ old_ = nullptr;
    int width_ = 0, height_ = 0;
    bool made_ = false;
};

}  // namespace ovelin::win32
