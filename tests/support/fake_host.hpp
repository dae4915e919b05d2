#pragma once
// A Host that records what the application asked and answers as scripted.
// Sessions are real (POSIX pty); pump() delivers their notifications the
// way the window's message loop would.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/host.hpp"
#include "app/sessions.hpp"
#include "support/session_sink.hpp"
#include "ui/prompt.hpp"

namespace ovelin::testing {

class FakeHost : public Host {
public:
    // When set, every request that can run a nested message loop or re-enter
    // the window checks that the application state is not held.
    const AppCell* cell = nullptr;
    int held_violations = 0;

    ClientSize size{1000, 616};
    CellMetrics metrics{8, 16, 14};
    bool tray_answer = true;
    bool start_answer = true;

    int repaints = 0;  // every kind
    int active_repaints = 0, others_soon = 0;
    bool icon_added = false;
    bool icon_removed = false;
    bool hidden = false;
    bool restored = false;
    int destroyed = 0;
    std::optional<int> quit_code;
    std::vector<PtyOptions> spawned;
    std::vector<unsigned> waiting_soon;  // start_waiting_soon's delays, in order
    std::vector<std::pair<std::string, std::string>> started;  // program, command line
    std::vector<std::string> errors;
    bool captured = false;

    // Popup menus: answered from the front of `menu_answers` (0 once empty).
    struct ShownMenu {
        Menu menu;
        int x, y;
    };
    std::vector<ShownMenu> menus;
    std::vector<int> menu_answers;
    std::function<void()> while_menu_open;  // runs inside the popup, state released
    // The rename edit: whether it can be made, and what the user typed.
    bool edit_answer = true;
    std::string edit_text;
    std::vector<std::pair<Rect, std::string>> edits_begun;
    int edits_ended = 0;
    bool edit_open = false;
    std::function<void()> while_edit_closes;  // the edit's focus loss as it goes
    std::shared_ptr<QueueSink> sink = std::make_shared<QueueSink>();

    void repaint() override { ++repaints; }
    void repaint_active() override { ++repaints, ++active_repaints; }
    void repaint_others_soon() override { ++repaints, ++others_soon; }
    ClientSize client_size() override { return size; }
    bool add_tray_icon() override {
        check_released();
        icon_added = tray_answer;
        return tray_answer;
    }
    void remove_tray_icon() override {
        check_released();
        icon_removed = true;
    }
    void hide_window() override {
        check_released();
        hidden = true;
    }
    void restore_window() override {
        check_released();
        restored = true;
    }
    void destroy_window() override {
        check_released();
        ++destroyed;
    }
    void quit(int exit_code) override { quit_code = exit_code; }
    CellMetrics resolve_terminal_font(const FontSettings&) override { return metrics; }
    std::expected<std::unique_ptr<PtySession>, std::error_code> spawn_session(const PtyOptions& options) override {
        spawned.push_back(options);
        return PtySession::spawn(sink, options);
    }
    void start_waiting_soon(unsigned milliseconds) override { waiting_soon.push_back(milliseconds); }
    bool start_program(const std::string& program, const std::string& command_line) override {
        check_released();
        started.emplace_back(program, command_line);
        return start_answer;
    }
    void show_error(const std::string& text) override {
        check_released();
        errors.push_back(text);
    }
    int show_popup_menu(const Menu& menu, int x, int y) override {
        check_released();
        menus.push_back({menu, x, y});
        if (while_menu_open) while_menu_open();
        if (menu_answers.empty()) return 0;
        const int id = menu_answers.front();
        menu_answers.erase(menu_answers.begin());
        return id;
    }
    bool begin_rename_edit(const Rect& box, const std::string& text) override {
        check_released();
        edits_begun.emplace_back(box, text);
        edit_open = edit_answer;
        if (edit_open) edit_text = text;
        return edit_answer;
    }
    std::string rename_edit_text() override {
        check_released();
        return edit_text;
    }
    void end_rename_edit() override {
        check_released();
        ++edits_ended;
        if (while_edit_closes) while_edit_closes();
        edit_open = false;
    }
    // The find bar's edit: where it is, none when closed.
    std::optional<Rect> find_edit;
    bool find_edit_answer = true;
    bool begin_find_edit(const Rect& box) override {
        if (find_edit_answer) find_edit = box;
        return find_edit_answer;
    }
    void move_find_edit(const Rect& box) override { find_edit = box; }
    void end_find_edit() override { find_edit.reset(); }
    // The clipboard, tray menu, shell and history viewer.
    std::optional<std::string> clipboard;  // what a paste reads; copies land here
    int clipboard_writes = 0;
    std::vector<Menu> tray_menus;
    int tray_answer_id = 0;
    std::vector<std::string> opened;
    std::vector<std::pair<std::string, std::vector<std::string>>> viewers;  // title, lines
    std::function<void(HistoryViewer&)> while_viewer_open;
    bool set_clipboard_text(const std::string& text) override {
        ++clipboard_writes;
        clipboard = text;
        return true;
    }
    std::optional<std::string> clipboard_text() override { return clipboard; }
    int show_tray_menu(const Menu& menu) override {
        check_released();
        tray_menus.push_back(menu);
        return tray_answer_id;
    }
    void open_with_shell(const std::string& target) override {
        check_released();
        opened.push_back(target);
    }
    // The Save As dialog: the names it offered; answers from the front (Cancel once empty).
    std::vector<std::string> save_dialogs;
    std::vector<std::optional<std::string>> save_answers;
    std::optional<std::string> save_file_dialog(const std::string& name) override {
        check_released();
        save_dialogs.push_back(name);
        if (save_answers.empty()) return std::nullopt;
        auto answer = save_answers.front();
        save_answers.erase(save_answers.begin());
        return answer;
    }
    void run_history_viewer(HistoryViewer& viewer) override {
        check_released();
        viewers.emplace_back(viewer.title(), viewer.lines());
        if (while_viewer_open) while_viewer_open(viewer);
    }
    int new_windows = 0;
    void start_new_window() override {
        check_released();
        ++new_windows;
    }
    void capture_mouse() override { captured = true; }
    void release_mouse() override { captured = false; }

    // ---- message boxes and dialogs ----
    std::vector<std::pair<std::string, std::string>> informations;  // caption, text
    std::vector<std::string> confirms;
    std::vector<bool> confirm_answers;  // from the front; No once empty
    struct ShownPrompt {
        std::string title, label, initial;
    };
    std::vector<ShownPrompt> prompts;
    std::vector<std::optional<std::string>> prompt_answers;  // what the user typed; Cancel once empty
    // Drives the connection manager as a user would; none closes it at once.
    std::function<void(ConnectionManager&)> manager_script;
    int managers_run = 0;

    void show_information(const std::string& caption, const std::string& text) override {
        check_released();
        informations.emplace_back(caption, text);
    }
    bool confirm(const std::string& text) override {
        check_released();
        confirms.push_back(text);
        if (confirm_answers.empty()) return false;
        const bool yes = confirm_answers.front();
        confirm_answers.erase(confirm_answers.begin());
        return yes;
    }
    std::optional<std::string> prompt(const std::string& title, const std::string& label,
                                      const std::string& initial) override {
        check_released();
        prompts.push_back({title, label, initial});
        if (prompt_answers.empty()) return std::nullopt;
        auto typed = prompt_answers.front();
        prompt_answers.erase(prompt_answers.begin());
        return typed ? prompt_answer(*typed) : std::nullopt;
    }
    void run_connection_manager(ConnectionManager& manager) override {
        check_released();
        ++managers_run;
        if (manager_script) manager_script(manager);
    }

    void check_released() {
        if (cell && cell->taken()) ++held_violations;
    }

    // Delivers the reader notifications that arrived so far.
    void pump(AppCell& cell) {
        for (const auto& e : sink->take()) {
            if (e.exit)
                on_session_exit(cell, *this, e.id, e.status);
            else
                on_session_output(cell, *this, e.id);
        }
    }
};

}  // namespace ovelin::testing
