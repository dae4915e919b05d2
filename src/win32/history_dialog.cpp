#include "ui/history_viewer.hpp"
#include "win32/clipboard.hpp"
#include "win32/dialog_frame.hpp"
#include "win32/dialogs.hpp"
#include "win32/messages.hpp"

namespace ovelin::win32 {

namespace {

namespace id = history_id;

class HistoryDialog final : public Dialog {
public:
    explicit HistoryDialog(HistoryViewer& model) : model_(model) {}

    void on_ready() override { show(); }

    void on_command(int control_id, int code) override {
        if (control_id == id::LIST && code == LBN_DBLCLK) return copy_line();
        if (code != BN_CLICKED) return;
        switch (control_id) {
            case id::COPY: return copy_line();
            // No leaves the list as it is: its selection and scroll stay.
            case id::RESET_SESSION:
                if (!confirm_box(hwnd, RESET_SESSION_QUESTION)) return;
                model_.reset_session(true);
                return show();
            case id::RESET_ALL:
                if (!confirm_box(hwnd, RESET_ALL_QUESTION)) return;
                model_.reset_all(true);
                return show();
            case id::CLOSE: done = true; return;
            default: return;
        }
    }

    bool on_key(UINT key, HWND) override {
        return enter_or_escape(key, [this] { copy_line(); });
    }

private:
    // The dialog owns the clipboard while it copies.
    void copy_line() {
        const LRESULT current = ::SendMessageW(control(id::LIST), LB_GETCURSEL, 0, 0);
        if (current == LB_ERR) return;
        if (auto line = model_.line_at(static_cast<int>(current))) set_clipboard_text(hwnd, *line);
    }

    void show() {
        HWND list = control(id::LIST);
        ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const std::string& line : model_.lines())
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(line).c_str()));
    }

    HistoryViewer& model_;
};

}  // namespace

void run_history_viewer(HWND owner, HistoryViewer& viewer) {
    HistoryDialog state(viewer);
    run_dialog(owner, HISTORY_CLASS, history_layout(viewer.title()), state);
}

}  // namespace ovelin::win32
