#include "win32/rename_edit.hpp"

namespace ovelin::win32 {

namespace {
constexpr int MAX_UNITS = 255;
}

bool RenameEdit::open(HWND parent, const RECT& box, const std::wstring& text, HFONT font, Ended ended) {
    close();
    font_.reset(font);
    HWND edit = ::CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, box.left,
                                  box.top, box.right - box.left, box.bottom - box.top, parent, nullptr,
                                  reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!edit) {
        font_.reset();
        return false;
    }
    edit_ = edit;
    parent_ = parent;
    ended_ = std::move(ended);
    if (font_) ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    ::SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RenameEdit::proc)));
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    ::SetFocus(edit);
    return true;
}

std::wstring RenameEdit::text() const {
    if (!edit_) return {};
    wchar_t buf[MAX_UNITS + 1] = {};
    int n = ::GetWindowTextW(edit_, buf, MAX_UNITS + 1);
    if (n <= 0) return {};
    if (n > MAX_UNITS) n = MAX_UNITS;
    if (buf[n - 1] >= 0xD800 && buf[n - 1] <= 0xDBFF) --n;  // the cut fell inside a pair
    return std::wstring(buf, static_cast<std::size_t>(n));
}

void RenameEdit::close() {
    if (!edit_) return;
    HWND edit = edit_;
    // Focus first: the edit hears of it (and reports a commit that finds
    // nothing left to do) while it still exists.
    if (::GetFocus() == edit) ::SetFocus(parent_);
    ::DestroyWindow(edit);
    edit_ = nullptr;
    previous_ = nullptr;
    ended_ = nullptr;
    font_.reset();
}

LRESULT CALLBACK RenameEdit::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<RenameEdit*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    WNDPROC previous = self ? self->previous_ : nullptr;
    if (!previous) return ::DefWindowProcW(hwnd, msg, wp, lp);
    // A copy: the callback may close the edit, which clears the member.
    auto report = [self, hwnd](bool commit) {
        if (self->edit_ != hwnd || !self->ended_) return;
        Ended ended = self->ended_;
        ended(commit);
    };
    switch (msg) {
        case WM_KILLFOCUS: {
            const LRESULT r = ::CallWindowProcW(previous, hwnd, msg, wp, lp);
            report(true);
            return r;
        }
        case WM_KEYDOWN:
            if (wp == VK_RETURN || wp == VK_ESCAPE) {
                report(wp == VK_RETURN);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == 13 || wp == 27) return 0;  // no beep
            break;
        case WM_NCDESTROY:
            if (self->edit_ == hwnd) self->edit_ = nullptr;  // went with its parent
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            break;
        default: break;
    }
    return ::CallWindowProcW(previous, hwnd, msg, wp, lp);
}

}  // namespace ovelin::win32
