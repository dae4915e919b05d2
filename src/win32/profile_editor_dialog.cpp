#include "ui/profile_editor.hpp"
#include "win32/dialog_frame.hpp"
#include "win32/dialogs.hpp"
#include "win32/messages.hpp"

namespace ovelin::win32 {

namespace {

namespace id = profile_editor_ids;

class ProfileEditorDialog final : public Dialog {
public:
    explicit ProfileEditorDialog(const ConnectionProfile* editing) : editing_(editing) {}

    std::optional<ConnectionProfile> result;

    void on_ready() override {
        const ProfileForm form = fill_form(editing_);
        ::SendMessageW(control(id::KIND), CB_SETCURSEL, static_cast<WPARAM>(form.kind), 0);
        ::SendMessageW(control(id::COLOR), CB_SETCURSEL, static_cast<WPARAM>(form.color), 0);
        ::SetWindowTextW(control(id::NAME), to_wide(form.name).c_str());
        ::SetWindowTextW(control(id::GROUP), to_wide(form.group).c_str());
        for (int i = 0; i < PROFILE_ROWS; ++i)
            ::SetWindowTextW(control(id::ROW_EDIT + i), to_wide(form.rows[static_cast<std::size_t>(i)]).c_str());
        ::SendMessageW(control(id::FULLSCREEN), BM_SETCHECK, form.fullscreen ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageW(control(id::ADMIN), BM_SETCHECK, form.admin ? BST_CHECKED : BST_UNCHECKED, 0);
        apply_kind(form.kind);
    }

    void on_command(int control_id, int code) override {
        if (control_id == id::KIND && code == CBN_SELCHANGE) apply_kind(selection(id::KIND));
        if (code != BN_CLICKED) return;
        if (control_id == id::OK) save();
        if (control_id == id::CANCEL) done = true;
    }

    bool on_key(UINT key, HWND) override {
        return enter_or_escape(key, [this] { save(); });
    }

private:
    int selection(int list) const {
        const LRESULT i = ::SendMessageW(control(list), CB_GETCURSEL, 0, 0);
        return i < 0 ? 0 : static_cast<int>(i);
    }

    void apply_kind(int kind) {
        const KindRows& rows = kind_rows(kind);
        for (int i = 0; i < PROFILE_ROWS; ++i) {
            const std::string_view label = rows.labels[static_cast<std::size_t>(i)];
            HWND text = control(id::ROW_LABEL + i);
            ::SetWindowTextW(text, to_wide(label).c_str());
            const int show = label.empty() ? SW_HIDE : SW_SHOW;
            ::ShowWindow(text, show);
            ::ShowWindow(control(id::ROW_EDIT + i), show);
        }
        for (int box : {id::FULLSCREEN, id::ADMIN}) ::ShowWindow(control(box), rows.check_boxes ? SW_SHOW : SW_HIDE);
    }

    void save() {
        ProfileForm form;
        form.kind = selection(id::KIND);
        form.name = read_edit_text(control(id::NAME));
        form.group = read_edit_text(control(id::GROUP));
        form.color = selection(id::COLOR);
        for (int i = 0; i < PROFILE_ROWS; ++i)
            form.rows[static_cast<std::size_t>(i)] = read_edit_text(control(id::ROW_EDIT + i));
        form.fullscreen = ::SendMessageW(control(id::FULLSCREEN), BM_GETCHECK, 0, 0) == BST_CHECKED;
        form.admin = ::SendMessageW(control(id::ADMIN), BM_GETCHECK, 0, 0) == BST_CHECKED;
        auto saved = save_form(form, editing_);
        if (!saved) {
            error_box(hwnd, saved.error());  // the dialog stays, every value kept
            return;
        }
        result = std::move(*saved);
        done = true;
    }

    const ConnectionProfile* editing_;
};

}  // namespace

std::optional<ConnectionProfile> run_profile_editor(HWND owner, const ConnectionProfile* profile) {
    ProfileEditorDialog state(profile);
    if (!run_dialog(owner, PROFILE_EDITOR_CLASS, profile_editor_layout(profile != nullptr), state)) return std::nullopt;
    return state.result;
}

}  // namespace ovelin::win32
