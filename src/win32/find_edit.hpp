#pragma once
// The edit control of the find bar. It decides nothing: its keys (Enter and
// F3 with or without Shift, Escape, Ctrl+Shift+F) are reported to `key`;
// its text changes reach the parent as EN_CHANGE, as any edit's do.

#include <windows.h>

#include <functional>
#include <string>

#include "app/find.hpp"
#include "win32/handles.hpp"

namespace ovelin::win32 {

class FindEdit {
public:
    using Key = std::function<void(FindKey)>;

    FindEdit() = default;
    FindEdit(const FindEdit&) = delete;
    FindEdit& operator=(const FindEdit&) = delete;
    ~FindEdit() { close(); }

    // Creates the edit with `font` (owned from here on) and focuses it.
    bool open(HWND parent, const RECT& box, HFONT font, Key key);
    void move(const RECT& box);
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
    Key key_;
};

}  // namespace ovelin::win32
