#include "ui/connection_manager.hpp"
#include "win32/dialog_frame.hpp"
#include "win32/dialogs.hpp"
#include "win32/messages.hpp"

namespace ovelin::win32 {

namespace {

namespace id = connection_manager_ids;

class ConnectionManagerDialog final : public Dialog, public ManagerPrompts {
public:
    explicit ConnectionManagerDialog(ConnectionManager& model) : model_(model) {}

    void on_ready() override { show(); }

    void on_command(int control_id, int code) override {
        if (control_id == id::FILTER && code == EN_CHANGE) {
            model_.set_filter(read_edit_text(control(id::FILTER)));
            show();
            return;
        }
        if (control_id == id::LIST && code == LBN_DBLCLK) return act([this] { model_.connect(); });
        if (code != BN_CLICKED) return;
        switch (control_id) {
            case id::CONNECT: return act([this] { model_.connect(); });
            case id::NEW: return act([this] { model_.add(*this); });
            case id::EDIT: return act([this] { model_.edit(*this); });
            case id::DUPLICATE: return act([this] { model_.duplicate(); });
            case id::REMOVE: return act([this] { model_.remove(*this); });
            case id::CLOSE: return act([this] { model_.close(); });
            default: return;
        }
    }

    bool on_key(UINT key, HWND target) override {
        const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
        switch (key) {
            case VK_RETURN: act([this] { model_.connect(); }); return true;
            case VK_ESCAPE: act([this] { model_.close(); }); return true;
            case VK_UP: act([this] { model_.move_selection(-1); }); return true;
            case VK_DOWN: act([this] { model_.move_selection(1); }); return true;
            case VK_INSERT: act([this] { model_.add(*this); }); return true;
            case VK_F2: act([this] { model_.edit(*this); }); return true;
            case VK_DELETE:
                if (target == control(id::FILTER)) return false;  // edits the filter
                act([this] { model_.remove(*this); });
                return true;
            case 'D':
                if (!ctrl) return false;
                act([this] { model_.duplicate(); });
                return true;
            default: return false;
        }
    }

    void on_close() override { act([this] { model_.close(); }); }

    // ManagerPrompts, owned by this dialog.
    std::optional<ConnectionProfile> edit_profile(const ConnectionProfile* profile) override {
        return run_profile_editor(hwnd, profile);
    }
    bool confirm(const std::string& text) override { return confirm_box(hwnd, text); }

private:
    // The list box's selection is the user's; the model acts on it and the
    // list shows what the model answers.
    template <class Action>
    void act(Action action) {
        const LRESULT current = ::SendMessageW(control(id::LIST), LB_GETCURSEL, 0, 0);
        model_.select(current == LB_ERR ? -1 : static_cast<int>(current));
        action();
        if (hwnd) show();
        if (model_.done()) done = true;
    }

    void show() {
        HWND list = control(id::LIST);
        if (model_.revision() != shown_revision_) {
            ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
            for (const std::string& line : model_.lines())
                ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(line).c_str()));
            shown_revision_ = model_.revision();
        }
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(model_.selection()), 0);
    }

    ConnectionManager& model_;
    unsigned shown_revision_ = ~0u;
};

}  // namespace

void run_connection_manager(HWND owner, ConnectionManager& manager) {
    ConnectionManagerDialog state(manager);
    run_dialog(owner, CONN_MGR_CLASS, connection_manager_layout(), state);
}

}  // namespace ovelin::win32
