#pragma once
// The frame every dialog shares: its window classes, a window scaled for
// the DPI and centred over its owner, the dialog font, controls made from a
// layout table, the modal loop, and the three message boxes.
//
// A dialog is a state record derived from Dialog, living on the caller's
// stack; run_dialog creates the window and its controls from a layout,
// calls on_ready, and loops until `done`. Commands and the dialog's own keys
// arrive at on_command and on_key.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "ui/dialog_layout.hpp"
#include "win32/handles.hpp"

namespace ovelin::win32 {

class Dialog {
public:
    virtual ~Dialog() = default;

    // After the controls exist, before the dialog shows.
    virtual void on_ready() {}
    // WM_COMMAND from a control: its id and notification code.
    virtual void on_command(int /*id*/, int /*code*/) {}
    // The dialog's key table, seen before dialog navigation: true when the
    // key was taken. `target` is the control the key was sent to.
    virtual bool on_key(UINT /*virtual_key*/, HWND /*target*/) { return false; }
    // The close box and Alt+F4.
    virtual void on_close() { done = true; }

    HWND control(int id) const { return ::GetDlgItem(hwnd, id); }

    // Enter runs the dialog's default action and Escape cancels; true for either.
    template <class Default>
    bool enter_or_escape(UINT key, Default on_enter) {
        if (key == VK_RETURN) on_enter();
        if (key == VK_ESCAPE) done = true;
        return key == VK_RETURN || key == VK_ESCAPE;
    }

    bool done = false;
    HWND hwnd = nullptr;
    UINT dpi = 96;  // the dialog's own, read once after it was created
    HWND last_focus = nullptr;  // kept while another window is active
};

// Registers OvelinPrompt, OvelinConnMgr, OvelinProfileEd and OvelinHistory.
void register_dialog_classes(HINSTANCE instance, HCURSOR cursor);

// 96 or less counts as 96.
UINT dpi_of(HWND hwnd);
inline int scale(int value, UINT dpi) { return value * static_cast<int>(dpi) / 96; }

// A popup dialog window whose client area is width × height at 96 DPI,
// scaled by the owner's DPI and centred over it; nullptr on failure.
HWND create_dialog_window(HWND owner, const wchar_t* class_name, const std::string& title, int width, int height,
                          Dialog& state);

// "Segoe UI" at 12 pixels for 96 DPI.
UniqueGdiObject dialog_font(UINT dpi);

// One control at 96-DPI coordinates, scaled by `dpi`, with the font set.
// A drop-down's text holds its items, one per line; the first is selected.
HWND create_control(HWND dialog, ControlKind kind, const std::string& text, int x, int y, int width, int height,
                    int id, HFONT font, UINT dpi);

// Creates the dialog and its controls, focuses layout.focus_id, disables
// the owner and runs the loop until state.done. A quit message ends the
// dialog and is posted again for the application's loop. False when the
// window could not be made (nothing was shown).
bool run_dialog(HWND owner, const wchar_t* class_name, const DialogLayout& layout, Dialog& state);

// The control's whole text, trimmed; invalid UTF-16 becomes U+FFFD.
std::string read_edit_text(HWND control);

void error_box(HWND owner, const std::string& text);
void information_box(HWND owner, const std::string& caption, const std::string& text);
// Yes/No; true only for Yes.
bool confirm_box(HWND owner, const std::string& text);

std::wstring to_wide(std::string_view utf8);
std::string from_wide(std::wstring_view text);

}  // namespace ovelin::win32
