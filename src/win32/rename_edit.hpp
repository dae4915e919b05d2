#pragma once
// The edit control laid over a bar slot while a tab or group is renamed.
// It decides nothing: Enter, Escape and focus loss are reported to `ended`.

#include <windows.h>

#include <functional>
#include <string>

#include "win32/handles.hpp"

namespace ovelin::win32 {

class RenameEdit {
public:
    // commit: Enter or focus loss; not: Escape. The callback may close the edit.
    using Ended = std::function<void(bool commit)>;

    RenameEdit() = default;
    RenameEdit(const RenameEdit&) = delete;
    RenameEdit& operator=(const RenameEdit&) = delete;
    ~RenameEdit() { close(); }

    // Creates the edit with `font` (owned from here on), selects all, focuses it.
    bool open(HWND parent, const RECT& box, const std::wstring& text, HFONT font, Ended ended);
    // At most 255 UTF-16 units, never ending in half a surrogate pair.
    std::wstring text() const;
    // Focus back to the parent, then the edit and its font go.
    void close();

    HWND hwnd() const { return edit_; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND edit_ = nullptr;
    HWND parent_ = nullptr;
    WNDPROC previous_ = nullptr;
    UniqueGdiObject font_;
    Ended ended_;
};

}  // namespace ovelin::win32
