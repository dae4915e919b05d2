#pragma once
// A Host that records what the application asked and answers as scripted.

#include <optional>

#include "app/host.hpp"

namespace ovelin::testing {

class FakeHost : public Host {
public:
    ClientSize size{1000, 616};
    bool tray_answer = true;

    int repaints = 0;
    bool icon_added = false;
    bool icon_removed = false;
    bool hidden = false;
    bool restored = false;
    bool destroyed = false;
    std::optional<int> quit_code;

    void repaint() override { ++repaints; }
    ClientSize client_size() override { return size; }
    bool add_tray_icon() override {
        icon_added = tray_answer;
        return tray_answer;
    }
    void remove_tray_icon() override { icon_removed = true; }
    void hide_window() override { hidden = true; }
    void restore_window() override { restored = true; }
    void destroy_window() override { destroyed = true; }
    void quit(int exit_code) override { quit_code = exit_code; }
};

}  // namespace ovelin::testing
