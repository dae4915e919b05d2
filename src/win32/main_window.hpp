#pragma once
// The OvelinHost window: routes messages to the application and carries out
// what the application asks of the platform.

#include <windows.h>

#include <memory>

#include "app/app.hpp"
#include "app/host.hpp"
#include "win32/terminal_font.hpp"

namespace ovelin::win32 {

class MainWindow final : public Host {
public:
    explicit MainWindow(AppCell& cell) : cell_(cell) {}

    static bool register_class(HINSTANCE instance, HCURSOR cursor);
    // Creates the window; the creation handler has run when this returns.
    HWND create(HINSTANCE instance);

    // Host
    void repaint() override;
    ClientSize client_size() override;
    bool add_tray_icon() override;
    void remove_tray_icon() override;
    void hide_window() override;
    void restore_window() override;
    void destroy_window() override;
    void quit(int exit_code) override;
    CellMetrics resolve_terminal_font(const FontSettings& settings) override;
    std::expected<std::unique_ptr<PtySession>, std::error_code> spawn_session(const PtyOptions& options) override;
    bool start_program(const std::string& program, const std::string& command_line) override;
    void show_error(const std::string& text) override;
    void capture_mouse() override;
    void release_mouse() override;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void paint();

    AppCell& cell_;
    HWND hwnd_ = nullptr;
    TerminalFont font_;
    std::shared_ptr<SessionSink> sink_;
};

}  // namespace ovelin::win32
