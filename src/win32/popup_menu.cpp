#include "win32/popup_menu.hpp"

#include <string>

#include "core/utf.hpp"

namespace ovelin::win32 {

namespace {

struct MenuTraits {
    using handle_type = HMENU;
    static HMENU invalid() { return nullptr; }
    static void close(HMENU h) { ::DestroyMenu(h); }
};

// Model texts are literal: a group named "R&D" must not underline the D.
std::wstring menu_text(const std::string& utf8) {
    std::wstring out;
    for (char16_t c : utf8_to_utf16(utf8)) {
        if (c == u'&') out += L'&';
        out += static_cast<wchar_t>(c);
    }
    return out;
}

// An item that cannot be appended is left out.
HMENU build(const std::vector<MenuItem>& items) {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return nullptr;
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItem::Kind::Separator: ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); break;
            case MenuItem::Kind::Command:
                ::AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED),
                              static_cast<UINT_PTR>(item.id), menu_text(item.text).c_str());
                break;
            case MenuItem::Kind::Submenu: {
                HMENU sub = build(item.items);
                if (!sub) break;
                // A popup appended to its parent is destroyed with it.
                if (!::AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                                   menu_text(item.text).c_str()))
                    ::DestroyMenu(sub);
                break;
            }
        }
    }
    return menu;
}

}  // namespace

int track_popup_menu(HWND owner, const Menu& model, POINT pt, UINT flags) {
    HMENU menu = build(model.items);
    if (!menu) return 0;
    const int id = static_cast<int>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | flags, pt.x, pt.y, 0, owner, nullptr));
    MenuTraits::close(menu);
    return id;
}

}  // namespace ovelin::win32
