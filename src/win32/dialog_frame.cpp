#include "win32/dialog_frame.hpp"

#include "core/utf.hpp"
#include "proto/unicode.hpp"
#include "win32/messages.hpp"

namespace ovelin::win32 {

namespace {

constexpr DWORD DIALOG_STYLE = WS_POPUP | WS_BORDER | WS_DLGFRAME | WS_SYSMENU;
constexpr DWORD DIALOG_EX_STYLE = WS_EX_DLGMODALFRAME;

LRESULT CALLBACK dialog_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* state = static_cast<Dialog*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        state->hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    auto* state = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!state) return ::DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_CREATE: return 0;
        case WM_CLOSE:
            state->on_close();  // the loop destroys the window
            return 0;
        case WM_COMMAND:
            state->on_command(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_ACTIVATE:
            // As the system's dialogs do: a message box or a nested dialog
            // gives the focus back to the control that had it.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd, focus)) state->last_focus = focus;
            } else if (state->last_focus && ::IsChild(hwnd, state->last_focus)) {
                ::SetFocus(state->last_focus);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            // Destroyed from outside (its owner went): the loop must not wait
            // for a `done` that can no longer come.
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            state->hwnd = nullptr;
            state->done = true;
            break;
        default: break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
};

ControlClass control_class(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return {L"STATIC", 0};
        case ControlKind::Edit: return {L"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL};
        case ControlKind::Button: return {L"BUTTON", WS_TABSTOP};
        case ControlKind::CheckBox: return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX};
        case ControlKind::DropDown: return {L"COMBOBOX", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST};
        case ControlKind::ListBox: return {L"LISTBOX", WS_VSCROLL | WS_BORDER | WS_TABSTOP | LBS_NOTIFY};
    }
    return {L"STATIC", 0};
}

// A key-down for the dialog or any of its controls goes to its key table.
bool take_key(Dialog& state, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !msg.hwnd) return false;
    if (::GetAncestor(msg.hwnd, GA_ROOT) != state.hwnd) return false;
    return state.on_key(static_cast<UINT>(msg.wParam), msg.hwnd);
}

void run_modal(Dialog& state, HWND owner, HWND focus) {
    if (focus) ::SetFocus(focus);
    ::ShowWindow(state.hwnd, SW_SHOW);
    if (focus) ::SetFocus(focus);
    if (owner) ::EnableWindow(owner, FALSE);
    MSG msg;
    while (!state.done) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (take_key(state, msg)) continue;
        if (state.hwnd && ::IsDialogMessageW(state.hwnd, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (owner) ::EnableWindow(owner, TRUE);
    if (state.hwnd) ::DestroyWindow(state.hwnd);
    if (owner) ::SetForegroundWindow(owner);
}

}  // namespace

void register_dialog_classes(HINSTANCE instance, HCURSOR cursor) {
    for (const wchar_t* name : {PROMPT_CLASS, CONN_MGR_CLASS, PROFILE_EDITOR_CLASS, HISTORY_CLASS}) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_VREDRAW | CS_HREDRAW;
        wc.lpfnWndProc = &dialog_proc;
        wc.hInstance = instance;
        wc.hCursor = cursor;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = name;
        ::RegisterClassExW(&wc);  // a failure shows later as a dialog that cannot open
    }
}

UINT dpi_of(HWND hwnd) {
    const UINT dpi = hwnd ? ::GetDpiForWindow(hwnd) : 0;
    return dpi > 96 ? dpi : 96;
}

HWND create_dialog_window(HWND owner, const wchar_t* class_name, const std::string& title, int width, int height,
                          Dialog& state) {
    const UINT owner_dpi = dpi_of(owner);
    RECT r{0, 0, scale(width, owner_dpi), scale(height, owner_dpi)};
    ::AdjustWindowRectExForDpi(&r, DIALOG_STYLE, FALSE, DIALOG_EX_STYLE, owner_dpi);
    const int w = r.right - r.left, h = r.bottom - r.top;
    RECT o{};
    if (!owner || !::GetWindowRect(owner, &o)) o = RECT{0, 0, w, h};
    const int x = o.left + ((o.right - o.left) - w) / 2, y = o.top + ((o.bottom - o.top) - h) / 2;
    HWND hwnd = ::CreateWindowExW(DIALOG_EX_STYLE, class_name, to_wide(title).c_str(), DIALOG_STYLE, x, y, w, h, owner,
                                  nullptr, ::GetModuleHandleW(nullptr), &state);
    if (!hwnd) return nullptr;
    state.dpi = dpi_of(hwnd);
    // The frame's metrics need not match our estimate (another DPI, another
    // theme): make the client area exactly the size asked for.
    RECT client{};
    ::GetClientRect(hwnd, &client);
    const int dw = scale(width, state.dpi) - client.right, dh = scale(height, state.dpi) - client.bottom;
    if (dw || dh) {
        ::SetWindowPos(hwnd, nullptr, x - dw / 2, y - dh / 2, w + dw, h + dh, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return hwnd;
}

UniqueGdiObject dialog_font(UINT dpi) {
    return UniqueGdiObject(::CreateFontW(-12 * static_cast<int>(dpi) / 96, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI"));
}

HWND create_control(HWND dialog, ControlKind kind, const std::string& text, int x, int y, int width, int height,
                    int id, HFONT font, UINT dpi) {
    const ControlClass cls = control_class(kind);
    const bool list = kind == ControlKind::DropDown;
    HWND hwnd = ::CreateWindowExW(0, cls.name, list ? L"" : to_wide(text).c_str(), cls.style | WS_CHILD | WS_VISIBLE,
                                  scale(x, dpi), scale(y, dpi), scale(width, dpi), scale(height, dpi), dialog,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                  nullptr);
    if (!hwnd) return nullptr;
    if (font) ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (list) {
        for (std::size_t start = 0; start <= text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            ::SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(text.substr(start, end - start)).c_str()));
            start = end + 1;
        }
        ::SendMessageW(hwnd, CB_SETCURSEL, 0, 0);
    }
    return hwnd;
}

bool run_dialog(HWND owner, const wchar_t* class_name, const DialogLayout& layout, Dialog& state) {
    if (!create_dialog_window(owner, class_name, layout.title, layout.width, layout.height, state)) return false;
    UniqueGdiObject font = dialog_font(state.dpi);
    for (const ControlRow& c : layout.controls) {
        HWND control = create_control(state.hwnd, c.kind, c.text, c.x, c.y, c.width, c.height, c.id,
                                      static_cast<HFONT>(font.get()), state.dpi);
        if (control && c.kind == ControlKind::Edit && c.limit > 0)
            ::SendMessageW(control, EM_SETLIMITTEXT, static_cast<WPARAM>(c.limit), 0);
    }
    state.on_ready();
    HWND focus = layout.focus_id ? state.control(layout.focus_id) : nullptr;
    // Text already in a focused edit is selected, as in the system's dialogs.
    if (focus) ::SendMessageW(focus, EM_SETSEL, 0, -1);
    run_modal(state, owner, focus);
    return true;  // the font goes after the window
}

std::string read_edit_text(HWND control) {
    if (!control) return {};
    // The length can only shrink between the two calls (this thread owns
    // the control); the count returned is what was copied.
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    const int n = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return std::string(trim_white_space(from_wide(text)));
}

void error_box(HWND owner, const std::string& text) {
    ::MessageBoxW(owner, to_wide(text).c_str(), L"ovelin", MB_OK | MB_ICONERROR);
}

void information_box(HWND owner, const std::string& caption, const std::string& text) {
    ::MessageBoxW(owner, to_wide(text).c_str(), to_wide(caption).c_str(), MB_OK | MB_ICONINFORMATION);
}

bool confirm_box(HWND owner, const std::string& text) {
    return ::MessageBoxW(owner, to_wide(text).c_str(), L"ovelin", MB_YESNO | MB_ICONWARNING) == IDYES;
}

std::wstring to_wide(std::string_view utf8) {
    const std::u16string u = utf8_to_utf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string from_wide(std::wstring_view w) {
    std::u16string units;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const char16_t c = static_cast<char16_t>(w[i]);
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            units += c;
            units += static_cast<char16_t>(w[++i]);
        } else {
            units += high || low ? u'\xFFFD' : c;
        }
    }
    return utf16_to_utf8(units).value_or(std::string());
}

}  // namespace ovelin::win32
