#pragma once
// What the application asks of the platform. win32/ implements it for the
// real window; tests implement it with a fake that records and answers.

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "core/records.hpp"
#include "pty/pty_session.hpp"
#include "ui/canvas.hpp"
#include "ui/cell_metrics.hpp"
#include "ui/connection_manager.hpp"
#include "ui/history_viewer.hpp"
#include "ui/menu.hpp"

namespace ovelin {

// Lines per wheel notch meaning "one screen at a time".
inline constexpr unsigned WHEEL_PAGE = 0xFFFFFFFFu;

struct ClientSize {
    int width = 0;
    int height = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // Invalidate the whole client area, without erasing.
    virtual void repaint() = 0;
    // The active tab printed: a repaint in which the other tabs' views may
    // show what they showed before (paint_window's others_may_lag), unless
    // a repaint() or their due time came meanwhile.
    virtual void repaint_active() { repaint(); }
    // Another tab printed: its view is brought up to date at the next paint
    // due for the others, at most a frame interval after the last one, so a
    // flood in other tabs does not slow the one being typed into.
    virtual void repaint_others_soon() { repaint(); }
    virtual ClientSize client_size() = 0;

    // The notification-area icon; add answers whether it was added.
    virtual bool add_tray_icon() = 0;
    virtual void remove_tray_icon() = 0;

    virtual void hide_window() = 0;
    // Brings a hidden or minimised window back to the front.
    virtual void restore_window() = 0;
    // Ends the window; the platform then delivers the destroy notification.
    virtual void destroy_window() = 0;
    // Ends the message loop with this exit code.
    virtual void quit(int exit_code) = 0;

    // Chooses the terminal font for the window's DPI and measures its cell.
    virtual CellMetrics resolve_terminal_font(const FontSettings& settings) = 0;

    // A pseudo console whose reader reports to this window.
    virtual std::expected<std::unique_ptr<PtySession>, std::error_code> spawn_session(const PtyOptions& options) = 0;

    // Calls start_waiting_tabs after this many milliseconds, and after the
    // paints due by then, unless a call is due sooner already.
    virtual void start_waiting_soon(unsigned milliseconds) = 0;

    // Starts an independent program (not watched); false when it cannot start.
    virtual bool start_program(const std::string& program, const std::string& command_line) = 0;

    virtual void capture_mouse() = 0;
    virtual void release_mouse() = 0;
    // Lines one wheel notch scrolls, as the user set it (3 unless changed);
    // 0 for none, WHEEL_PAGE for a screen at a time.
    virtual unsigned wheel_scroll_lines() { return 3; }

    // The error message box, caption "ovelin".
    virtual void show_error(const std::string& text) = 0;

    // Runs a popup menu at a client point (its own message loop): the chosen item's id, 0 when dismissed.
    virtual int show_popup_menu(const Menu& menu, int client_x, int client_y) = 0;
    // The rename edit over `box` with `text`, all selected and focused; false when it cannot be made.
    virtual bool begin_rename_edit(const Rect& box, const std::string& text) = 0;
    // The rename edit's text, at most 255 characters.
    virtual std::string rename_edit_text() = 0;
    // Removes the rename edit and gives the focus back to the main window.
    virtual void end_rename_edit() = 0;
    // The find bar's edit over `box`, empty and focused; false when it cannot
    // be made. Its text changes and keys come back as on_find_text and
    // on_find_key. Moving and removing it never re-enters the application.
    virtual bool begin_find_edit(const Rect& box) = 0;
    virtual void move_find_edit(const Rect& box) = 0;
    virtual void end_find_edit() = 0;

    // The clipboard as Unicode text. Setting answers false when nothing was
    // copied; reading gives nullopt without text or for invalid UTF-16.
    virtual bool set_clipboard_text(const std::string& text) = 0;
    virtual std::optional<std::string> clipboard_text() = 0;
    // The tray menu at the pointer, the window brought to the front first
    // (its own message loop): the chosen id, 0 when dismissed.
    virtual int show_tray_menu(const Menu& menu) = 0;
    // The shell's "open" for a file, folder or address; failures are silent.
    virtual void open_with_shell(const std::string& target) = 0;
    // The system's Save As dialog for a text file, offering `name` (its own
    // message loop): the chosen path as UTF-8, nothing when cancelled.
    virtual std::optional<std::string> save_file_dialog(const std::string& name) = 0;
    // The history viewer dialog over the model, until it closes.
    virtual void run_history_viewer(HistoryViewer& viewer) = 0;
    // Starts this program's own executable again as an independent process,
    // without arguments; a failure is dropped.
    virtual void start_new_window() = 0;
    // ---- message boxes and dialogs: each runs its own message loop ----
    // The information box with its caption, OK only.
    virtual void show_information(const std::string& caption, const std::string& text) = 0;
    // The Yes/No box, caption "ovelin": true only for Yes.
    virtual bool confirm(const std::string& text) = 0;
    // The one-line prompt: the trimmed entry, nothing for Cancel or a blank one.
    virtual std::optional<std::string> prompt(const std::string& title, const std::string& label,
                                              const std::string& initial) = 0;
    // The connection manager dialog over the model, until it is closed.
    virtual void run_connection_manager(ConnectionManager& manager) = 0;
};

}  // namespace ovelin
