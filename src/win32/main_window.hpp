#pragma once
// The OvelinHost window: routes messages to the application and carries out
// what the application asks of the platform.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"
#include "win32/bar_font.hpp"
#include "win32/find_edit.hpp"
#include "win32/gdi_canvas.hpp"
#include "win32/kept_surfaces.hpp"
#include "win32/paint_frame.hpp"
#include "win32/posting_sink.hpp"
#include "win32/rename_edit.hpp"
#include "win32/terminal_font.hpp"
#include "ui/paint_pace.hpp"

namespace ovelin::win32 {

class MainWindow final : public Host {
public:
    explicit MainWindow(AppCell& cell) : cell_(cell) {}

    static bool register_class(HINSTANCE instance, HCURSOR cursor);
    // Creates the window; the creation handler has run when this returns.
    HWND create(HINSTANCE instance);
    // The window is shown: what start-up has to say is said over it.
    void started();

    // Host
    void repaint() override;
    void repaint_active() override;
    void repaint_others_soon() override;
    ClientSize client_size() override;
    bool add_tray_icon() override;
    void remove_tray_icon() override;
    void hide_window() override;
    void restore_window() override;
    void destroy_window() override;
    void quit(int exit_code) override;
    CellMetrics resolve_terminal_font(const FontSettings& settings) override;
    std::expected<std::unique_ptr<PtySession>, std::error_code> spawn_session(const PtyOptions& options) override;
    void start_waiting_soon(unsigned milliseconds) override;
    bool start_program(const std::string& program, const std::string& command_line) override;
    void show_error(const std::string& text) override;
    void capture_mouse() override;
    void release_mouse() override;
    unsigned wheel_scroll_lines() override;
    int show_popup_menu(const Menu& menu, int client_x, int client_y) override;
    bool begin_rename_edit(const Rect& box, const std::string& text) override;
    std::string rename_edit_text() override;
    void end_rename_edit() override;
    bool begin_find_edit(const Rect& box) override;
    void move_find_edit(const Rect& box) override;
    void end_find_edit() override;
    bool set_clipboard_text(const std::string& text) override;
    std::optional<std::string> clipboard_text() override;
    int show_tray_menu(const Menu& menu) override;
    void open_with_shell(const std::string& target) override;
    std::optional<std::string> save_file_dialog(const std::string& name) override;
    void run_history_viewer(HistoryViewer& viewer) override;
    void start_new_window() override;
    void show_information(const std::string& caption, const std::string& text) override;
    bool confirm(const std::string& text) override;
    std::optional<std::string> prompt(const std::string& title, const std::string& label,
                                      const std::string& initial) override;
    void run_connection_manager(ConnectionManager& manager) override;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void paint();
    void paint_answer();
    void draw(HDC window, const RECT& asked);
    void after_paint();
    void show_frame(HDC window, HDC frame, std::vector<RECT> parts);
    void ask_paint();
    void others_wake(std::optional<ULONGLONG> at);

    AppCell& cell_;
    HWND hwnd_ = nullptr;
    TerminalFont font_;
    KeptSurfaces kept_;  // the terminal views' pixels between paints
    PaintFrame frame_;   // the back buffer every paint draws into
    FontSettings font_settings_;  // as last resolved, for the rename edit's font
    BarFont bar_font_;
    RenameEdit rename_edit_;
    FindEdit find_edit_;
    std::shared_ptr<PostingSink> sink_;
    std::optional<ULONGLONG> waiting_due_;  // when the timer starting waiting tabs fires
    PaintPace pace_;                         // which paints bring which views up to date
    bool others_next_ = false;               // the last paint left the others for the next
    std::optional<ULONGLONG> others_rearm_;  // or their timer is to go off then
    bool push_shown_ = false;                // the last paint answered the user: shown at once
    bool in_output_notice_ = false;          // handling WM_SESSION_OUTPUT
    bool answer_now_ = false;                // that notice brought an answer: painted as it ends
    std::vector<DrawnOp> last_ops_;          // the last paint's drawing calls onto the frame
    DrawList later_;                         // this paint's, kept until the views are shown
    bool swallow_alt_up_ = false;  // an Alt chord we consumed: its Alt release is ours too
};

}  // namespace ovelin::win32
