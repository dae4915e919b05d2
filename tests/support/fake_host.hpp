#pragma once
// A Host that records what the application asked and answers as scripted.
// Sessions are real (POSIX pty); pump() delivers their notifications the
// way the window's message loop would.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/host.hpp"
#include "app/sessions.hpp"
#include "support/session_sink.hpp"

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

    int repaints = 0;
    bool icon_added = false;
    bool icon_removed = false;
    bool hidden = false;
    bool restored = false;
    int destroyed = 0;
    std::optional<int> quit_code;
    std::vector<PtyOptions> spawned;
    std::vector<std::pair<std::string, std::string>> started;  // program, command line
    std::vector<std::string> errors;
    bool captured = false;
    std::shared_ptr<QueueSink> sink = std::make_shared<QueueSink>();

    void repaint() override { ++repaints; }
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
    bool start_program(const std::string& program, const std::string& command_line) override {
        check_released();
        started.emplace_back(program, command_line);
        return start_answer;
    }
    void show_error(const std::string& text) override {
        check_released();
        errors.push_back(text);
    }
    void capture_mouse() override { captured = true; }
    void release_mouse() override { captured = false; }

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
