#include "win32/find_edit.hpp"

namespace ovelin::win32 {

namespace {
constexpr int MAX_UNITS = 1024;
bool held(int vk) { return (::GetKeyState(vk) & 0x8000) != 0; }
}  // namespace

bool FindEdit::open(HWND parent, const RECT& box, HFONT font, Key key) {
    close();
    font_.reset(font);
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, box.left, box.top,
                                  box.right - box.left, box.bottom - box.top, parent, nullptr,
                                  reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!edit) {
        font_.reset();
        return false;
    }
    edit_ = edit;
    parent_ = parent;
    key_ = std::move(key);
    if (font_) ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    ::SendMessageW(edit, EM_SETLIMITTEXT, MAX_UNITS, 0);
    ::SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FindEdit::proc)));
    ::SetFocus(edit);
    return true;
}

void FindEdit::move(const RECT& box) {
    if (edit_)
        ::SetWindowPos(edit_, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring FindEdit::text() const {
    if (!edit_) return {};
    std::wstring buf(MAX_UNITS + 1, L'\0');
    const int n = ::GetWindowTextW(edit_, buf.data(), MAX_UNITS + 1);
    buf.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return buf;
}

void FindEdit::close() {
    if (!edit_) return;
    HWND edit = edit_;
    if (::GetFocus() == edit) ::SetFocus(parent_);
    edit_ = nullptr;
    ::DestroyWindow(edit);
    previous_ = nullptr;
    key_ = nullptr;
    font_.reset();
}

LRESULT CALLBACK FindEdit::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FindEdit*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    WNDPROC previous = self ? self->previous_ : nullptr;
    if (!previous) return ::DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_KEYDOWN: {
            const bool shift = held(VK_SHIFT), ctrl = held(VK_CONTROL);
            std::optional<FindKey> key;
            if (wp == VK_RETURN || wp == VK_F3) key = shift ? FindKey::Newer : FindKey::Older;
            if (wp == VK_ESCAPE || (wp == 'F' && ctrl && shift)) key = FindKey::Close;
            if (!key) break;
            // A copy: closing the bar destroys this edit and clears the member.
            if (self->edit_ == hwnd && self->key_) {
                Key report = self->key_;
                report(*key);
            }
            return 0;
        }
        case WM_CHAR:
            if (wp == 13 || wp == 27 || wp == 6) return 0;  // Enter, Escape, Ctrl+F: no beep
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
