#include "ui/prompt.hpp"
#include "win32/dialog_frame.hpp"
#include "win32/dialogs.hpp"
#include "win32/messages.hpp"

namespace ovelin::win32 {

namespace {

class PromptDialog final : public Dialog {
public:
    std::optional<std::string> result;

    void on_command(int id, int code) override {
        if (code != BN_CLICKED) return;
        if (id == prompt_ids::OK) accept();
        if (id == prompt_ids::CANCEL) done = true;
    }
    bool on_key(UINT key, HWND) override {
        return enter_or_escape(key, [this] { accept(); });
    }

private:
    void accept() {
        result = prompt_answer(read_edit_text(control(prompt_ids::EDIT)));
        done = true;
    }
};

}  // namespace

std::optional<std::string> run_prompt(HWND owner, const std::string& title, const std::string& label,
                                      const std::string& initial) {
    PromptDialog state;
    if (!run_dialog(owner, PROMPT_CLASS, prompt_layout(title, label, initial), state)) return std::nullopt;
    return state.result;
}

}  // namespace ovelin::win32
