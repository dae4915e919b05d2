#include "win32/main_window.hpp"

#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "app/find.hpp"
#include "app/focus_report.hpp"
#include "app/input.hpp"
#include "app/lifecycle.hpp"
#include "app/resume.hpp"
#include "app/mouse.hpp"
#include "app/mouse_report.hpp"
#include "app/paint.hpp"
#include "app/rename.hpp"
#include "app/scrolling.hpp"
#include "app/selection.hpp"
#include "app/sessions.hpp"
#include "app/tray.hpp"
#include "core/trace.hpp"
#include "core/utf.hpp"
#include "win32/clipboard.hpp"
#include "win32/dialog_frame.hpp"
#include "win32/dialogs.hpp"
#include "win32/gdi_canvas.hpp"
#include "win32/handles.hpp"
#include "win32/messages.hpp"
#include "win32/popup_menu.hpp"
#include "win32/save_dialog.hpp"
#include "win32/posting_sink.hpp"
#include "win32/shell_calls.hpp"

namespace ovelin::win32 {

namespace {

constexpr COLORREF BACKGROUND = RGB(12, 14, 18);
constexpr UINT_PTR START_WAITING_TIMER = 1;  // see start_waiting_soon
constexpr UINT_PTR OTHERS_TIMER = 2;         // see repaint_others_soon

// The three keys in one request: under Wine each GetKeyState is a round trip
// to the server, three of them for every key and character message.
Modifiers current_modifiers() {
    BYTE keys[256]{};
    if (!::GetKeyboardState(keys))
        return {(::GetKeyState(VK_CONTROL) & 0x8000) != 0, (::GetKeyState(VK_SHIFT) & 0x8000) != 0,
                (::GetKeyState(VK_MENU) & 0x8000) != 0};
    return {(keys[VK_CONTROL] & 0x80) != 0, (keys[VK_SHIFT] & 0x80) != 0, (keys[VK_MENU] & 0x80) != 0};
}

int x_of(LPARAM lp) { return static_cast<short>(LOWORD(lp)); }
int y_of(LPARAM lp) { return static_cast<short>(HIWORD(lp)); }

}  // namespace

bool MainWindow::register_class(HINSTANCE instance, HCURSOR cursor) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    // A DC of its own: every paint copies through GetDC, and a shared DC
    // would ask the server for the window's visible region each time.
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = &MainWindow::proc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    // Our own icon for the title bar and taskbar (the tray keeps the standard one).
    wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(APP_ICON_ID), IMAGE_ICON, 0, 0,
                                               LR_DEFAULTSIZE | LR_SHARED));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(APP_ICON_ID), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                 LR_SHARED));
    wc.hbrBackground = nullptr;  // the paint covers every pixel
    wc.lpszClassName = HOST_CLASS;
    return ::RegisterClassExW(&wc) != 0;
}

HWND MainWindow::create(HINSTANCE instance) {
    return ::CreateWindowExW(0, HOST_CLASS, L"ovelin", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                             CW_USEDEFAULT, 1000, 650, nullptr, nullptr, instance, this);
}

void MainWindow::started() { on_started(cell_, *this); }

LRESULT CALLBACK MainWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    MainWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->handle(msg, wp, lp);
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN ||
        msg == WM_MBUTTONDOWN || msg == WM_MOUSEWHEEL) {
        pace_.input(::GetTickCount64());
    }
    // The shell announces a new taskbar (it restarted, or came up after us).
    static const UINT taskbar_created = ::RegisterWindowMessageW(L"TaskbarCreated");
    if (taskbar_created && msg == taskbar_created) {
        on_shell_restarted(cell_, *this);
        return 0;
    }
    switch (msg) {
        case WM_CREATE:
            on_create(cell_, *this);
            return 0;
        case WM_DESTROY:
            // A name being typed is kept, and saved before the tabs are.
            end_rename(cell_, *this, true);
            on_destroy(cell_, *this);
            return 0;
        case WM_CLOSE:
            on_close(cell_, *this);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paint();
            return 0;
        case WM_SIZE:
            // Minimised, the client area is empty; the restore lays out again
            // (and draws afresh: nothing shown keeps its pixels meanwhile).
            if (wp != SIZE_MINIMIZED) on_resize(cell_, *this);
            else kept_.clear();
            return 0;
        case WM_DISPLAYCHANGE:
        case WM_SETTINGCHANGE:
            // Kept pixels may show another pixel format or font smoothing.
            kept_.clear();
            repaint();
            break;
        case WM_DPICHANGED:
            // The window keeps its rectangle; only the font and fit change.
            on_dpi_changed(cell_, *this);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (cell_.taken())
                ::PostMessageW(hwnd_, WM_FOCUS_CHANGED, 0, 0);
            else
                on_focus_changed(cell_, *this, msg == WM_SETFOCUS);
            return 0;
        case WM_FOCUS_CHANGED:
            on_focus_changed(cell_, *this, ::GetFocus() == hwnd_);  // as it is now, whatever came between
            return 0;
        case WM_KEYDOWN:
            trace::mark(trace::Mark::KeyMessage);
            on_key_down(cell_, *this, static_cast<unsigned>(wp), current_modifiers());
            return 0;
        case WM_KEYUP:
            on_key_up(cell_);
            break;
        case WM_CHAR:
            on_char(cell_, *this, static_cast<char16_t>(wp), current_modifiers());
            return 0;
        case WM_SYSKEYDOWN: {
            const Modifiers mods = current_modifiers();
            if (!on_system_key_down(cell_, *this, static_cast<unsigned>(wp), mods)) break;
            // The platform did not see this key: releasing Alt afterwards
            // would open the window menu as if Alt had been tapped alone.
            if (mods.alt) swallow_alt_up_ = true;
            return 0;
        }
        case WM_SYSKEYUP:
            if (wp == VK_F10 && !(::GetKeyState(VK_MENU) & 0x8000)) return 0;  // no menu mode after F10
            if (wp == VK_MENU && std::exchange(swallow_alt_up_, false)) return 0;
            break;
        case WM_MOUSEMOVE:
            on_mouse_move(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_LBUTTONDOWN:
            on_left_down(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_LBUTTONUP:
            on_left_up(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the mouse (our own releases have let go of
            // everything already): a selection ends, a program's buttons are let go.
            on_capture_lost(cell_, *this);
            if (reinterpret_cast<HWND>(lp) != hwnd_) report_capture_lost(cell_);
            return 0;
        case WM_LBUTTONDBLCLK:
            on_left_double_click(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_RBUTTONDOWN:
            on_right_down(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_RBUTTONUP:
            on_right_up(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            on_other_double_click(cell_, *this, msg == WM_RBUTTONDBLCLK ? PointerButton::Right : PointerButton::Middle,
                                  x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_MBUTTONDOWN:
            on_middle_down(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_COMMAND:
            if (HIWORD(wp) == EN_CHANGE && find_edit_.hwnd() && reinterpret_cast<HWND>(lp) == find_edit_.hwnd()) {
                ::PostMessageW(hwnd_, WM_FIND_TEXT, 0, 0);
                return 0;
            }
            break;
        case WM_FIND_TEXT:
            if (find_edit_.hwnd()) on_find_text(cell_, *this, from_wide(find_edit_.text()));
            return 0;
        case WM_MBUTTONUP:
            on_middle_up(cell_, *this, x_of(lp), y_of(lp), current_modifiers());
            return 0;
        case WM_MOUSEWHEEL: {
            // The pointer's screen position: the session under it hears the
            // wheel, whichever window has the focus.
            POINT pt{x_of(lp), y_of(lp)};
            ::ScreenToClient(hwnd_, &pt);
            on_mouse_wheel(cell_, *this, pt.x, pt.y, GET_WHEEL_DELTA_WPARAM(wp), current_modifiers());
            return 0;
        }
        case WM_NEW_TAB:
            open_terminal(cell_, *this, SpawnRequest{}, StartFailure::Report);
            return 1;
        case WM_SESSION_OUTPUT:
            // Answered by the paint it asks for (see PostingSink::handled_all).
            in_output_notice_ = true;
            on_session_output(cell_, *this, static_cast<std::uint64_t>(wp));
            in_output_notice_ = false;
            if (std::exchange(answer_now_, false)) paint_answer();
            return 0;
        case WM_SESSION_EXIT:
            on_session_exit(cell_, *this, static_cast<std::uint64_t>(wp), exit_status_of(lp));
            return 0;
        case WM_TIMER:
            if (wp == OTHERS_TIMER) {
                ::KillTimer(hwnd_, OTHERS_TIMER);
                if (auto wake = pace_.others_timer(::GetTickCount64())) others_wake(*wake);
                else ask_paint();
                return 0;
            }
            if (wp != START_WAITING_TIMER) break;
            ::KillTimer(hwnd_, START_WAITING_TIMER);
            waiting_due_.reset();
            if (cell_.taken())
                start_waiting_soon(0);  // a handler's own message loop: later
            else
                start_waiting_tabs(cell_, *this);
            return 0;
        case WM_TRAY_CALLBACK:
            if (wp != TRAY_ICON_ID) break;
            if (lp == WM_LBUTTONUP || lp == WM_LBUTTONDBLCLK) on_tray_activate(cell_, *this);
            if (lp == WM_RBUTTONUP || lp == WM_CONTEXTMENU) open_tray_menu(cell_, *this);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::paint() {
    trace::mark(trace::Mark::PaintBegin);
    // Validated first, drawn after: the paint's own context (the window's
    // own DC) is clipped to what was invalidated, which for a paint of ours
    // is one pixel (see ask_paint); the window shows the last frame elsewhere.
    PAINTSTRUCT ps;
    ::BeginPaint(hwnd_, &ps);
    const RECT asked = ps.rcPaint;
    ::EndPaint(hwnd_, &ps);
    if (HDC window = ::GetDC(hwnd_)) {
        draw(window, asked);
        ::ReleaseDC(hwnd_, window);
    }
    after_paint();
}

// An answer to the user is painted as its notice is handled, through a
// window DC of its own: waiting for WM_PAINT and BeginPaint would cost three
// more round trips to a server that flooding consoles keep busy. What the
// system invalidated meanwhile still comes as WM_PAINT.
void MainWindow::paint_answer() {
    if (!::IsWindowVisible(hwnd_) || ::IsIconic(hwnd_) || cell_.taken()) {
        ask_paint();
        return;
    }
    trace::mark(trace::Mark::PaintBegin);
    HDC window = ::GetDC(hwnd_);
    if (!window) {
        ask_paint();
        return;
    }
    draw(window, RECT{});
    ::ReleaseDC(hwnd_, window);
    after_paint();
}

void MainWindow::draw(HDC window, const RECT& asked) {
    // The other tabs' views may show their last pixels (see PaintPace).
    const PaintPace::Paint plan = pace_.paint(::GetTickCount64());
    if (plan.stop_timer) ::KillTimer(hwnd_, OTHERS_TIMER);
    if (sink_) sink_->handled_all();  // before any screen is read: later output posts again
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int width = std::max<int>(client.right - client.left, 1);
    const int height = std::max<int>(client.bottom - client.top, 1);

    if (HDC mem = frame_.get(window, width, height)) {
        RECT all{0, 0, width, height};
        const auto fill = [&](const std::vector<RECT>& except) {
            for (const RECT& r : except) ::ExcludeClipRect(mem, r.left, r.top, r.right, r.bottom);
            ::SetDCBrushColor(mem, BACKGROUND);
            ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
            ::SelectClipRgn(mem, nullptr);
        };
        // Most of the frame is terminal views copied from their kept pixels,
        // and the rest mostly what the last paint drew there: the frame's own
        // drawing is kept until the views are shown, then drawn only where it
        // differs, with the background under it. A frame that is new, whose
        // surfaces were forgotten or whose layout changed is drawn whole.
        const std::vector<RECT> covered = kept_.last_shown();
        bool whole = frame_.take_made() | kept_.take_cleared();
        if (whole) fill(covered);
        ::SetBkMode(mem, TRANSPARENT);
        std::vector<DrawnOp> ops;
        later_.clear();
        kept_.begin_paint(&ops, &last_ops_, !whole);
        GdiCanvas canvas(mem, static_cast<HFONT>(font_.font.get()), bar_font_.for_dpi(::GetDpiForWindow(hwnd_)),
                         &kept_, static_cast<HFONT>(font_.bold.get()));
        canvas.record(&ops);
        bool deferred = !whole;
        if (deferred) canvas.defer(&later_);
        {
            auto app = cell_.take();
            const ClientSize size{client.right - client.left, client.bottom - client.top};
            paint_window(*app, canvas, size, !plan.all_views);
            if (!kept_.shown_again(covered)) {
                canvas.defer(nullptr);
                deferred = false;
                ops.clear();
                fill({});
                kept_.begin_paint(&ops, &last_ops_, false);
                paint_window(*app, canvas, size, !plan.all_views);
                whole = true;
            }
        }
        kept_.end_paint();
        whole = whole || ops.size() != last_ops_.size();
        // Where the frame's own drawing differs: calls that changed, and
        // calls over views whose showing just covered them.
        std::vector<RECT> redrawn;
        if (whole) {
            redrawn.push_back(all);
        } else {
            for (std::size_t i = 0; i < ops.size(); ++i) {
                if (ops[i].hash == last_ops_[i].hash && ::EqualRect(&ops[i].box, &last_ops_[i].box)) continue;
                redrawn.push_back(ops[i].box);
                redrawn.push_back(last_ops_[i].box);
            }
            for (const RECT& shown : kept_.changed())
                for (const DrawnOp& op : ops)
                    if (RECT both{}; ::IntersectRect(&both, &op.box, &shown)) redrawn.push_back(both);
            std::erase_if(redrawn, [](const RECT& r) { return ::IsRectEmpty(&r) != 0; });
        }
        if (deferred && !redrawn.empty()) {
            HRGN region = region_of(redrawn);
            ::SelectClipRgn(mem, region);
            ::DeleteObject(region);
            fill(kept_.last_shown());  // fill resets the clipping
            canvas.draw_later(later_, redrawn, kept_.last_shown_order());
        }
        trace::mark(trace::Mark::PaintDrawn);
        last_ops_ = std::move(ops);
        std::vector<RECT> changed = kept_.changed();
        changed.insert(changed.end(), redrawn.begin(), redrawn.end());
        changed.push_back(asked);  // what the system asked for: uncovered, say
        show_frame(window, mem, whole ? std::vector<RECT>{all} : changed);
    }
    trace::mark(trace::Mark::PaintEnd, 0, plan.all_views ? 1 : 0);
    push_shown_ = plan.answer;
    others_next_ = plan.others_next;
    others_rearm_ = plan.rearm;
}

void MainWindow::after_paint() {
    // An answer to the user is shown now: a window's pixels reach the
    // display when its thread next waits for messages (Wine's drivers; at
    // most every 50 ms for a thread that never waits), and other tabs'
    // notices may keep this one from waiting. A wait of no time is that
    // wait. Other paints are left to it: pushing every frame of a flood to
    // the display would cost more than the frames themselves.
    if (push_shown_) ::MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
    trace::mark(trace::Mark::PaintShown);
    if (others_next_) ask_paint();
    else if (others_rearm_) others_wake(*others_rearm_);
}

// Copies the parts of the frame to the window (a DC of the whole window).
void MainWindow::show_frame(HDC window, HDC frame, std::vector<RECT> parts) {
    // A few copies cost less than one of their bounds; many do not.
    constexpr std::size_t MOST_COPIES = 8;
    std::ranges::sort(parts, {}, &RECT::top);
    std::vector<RECT> copies;
    for (const RECT& r : parts) {
        if (::IsRectEmpty(&r)) continue;
        RECT both{};
        if (!copies.empty() && ::IntersectRect(&both, &copies.back(), &r)) ::UnionRect(&copies.back(), &copies.back(), &r);
        else copies.push_back(r);
    }
    if (copies.size() > MOST_COPIES) {
        RECT bounds = copies.front();
        for (const RECT& r : copies) ::UnionRect(&bounds, &bounds, &r);
        copies.assign(1, bounds);
    }
    // The window does not clip its children: leave the edits be.
    for (HWND edit : {rename_edit_.hwnd(), find_edit_.hwnd()}) {
        if (!edit) continue;
        RECT r{};
        ::GetWindowRect(edit, &r);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        ::ExcludeClipRect(window, r.left, r.top, r.right, r.bottom);
    }
    for (const RECT& r : copies)
        ::BitBlt(window, r.left, r.top, r.right - r.left, r.bottom - r.top, frame, r.left, r.top, SRCCOPY);
    ::SelectClipRgn(window, nullptr);  // the DC is the window's own: it keeps its clipping
}

// Asks for a paint without making the whole window invalid: the paint copies
// what changed, and what the system invalidated besides (see show_frame).
void MainWindow::ask_paint() {
    static constexpr RECT ONE_PIXEL{0, 0, 1, 1};
    ::InvalidateRect(hwnd_, &ONE_PIXEL, FALSE);
}

void MainWindow::repaint() {
    pace_.everything();
    ask_paint();
}

void MainWindow::repaint_active() {
    if (pace_.active_printed(::GetTickCount64()) && in_output_notice_) answer_now_ = true;
    else ask_paint();
}

void MainWindow::repaint_others_soon() { others_wake(pace_.others_printed(::GetTickCount64())); }

// A paint for the other tabs at `at`: now, or by their timer (replacing one
// set before). Without a timer to be had, the next paint brings them.
void MainWindow::others_wake(std::optional<ULONGLONG> at) {
    if (!at) return;  // planned already
    const ULONGLONG now = ::GetTickCount64();
    if (*at <= now || !::SetTimer(hwnd_, OTHERS_TIMER, static_cast<UINT>(*at - now), nullptr)) ask_paint();
}

ClientSize MainWindow::client_size() {
    RECT r{};
    if (!::GetClientRect(hwnd_, &r)) return {};
    return {r.right - r.left, r.bottom - r.top};
}

bool MainWindow::add_tray_icon() {
    HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    if (!icon) return false;
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = TRAY_ICON_ID;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAY_CALLBACK;
    nid.hIcon = icon;
    ::lstrcpynW(nid.szTip, L"ovelin", ARRAYSIZE(nid.szTip));
    return shell_notify_icon(NIM_ADD, &nid) != FALSE;
}

void MainWindow::remove_tray_icon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = TRAY_ICON_ID;
    shell_notify_icon(NIM_DELETE, &nid);
}

void MainWindow::hide_window() {
    ::ShowWindow(hwnd_, SW_HIDE);
    kept_.clear();
}

void MainWindow::restore_window() {
    ::ShowWindow(hwnd_, SW_RESTORE);
    ::SetForegroundWindow(hwnd_);
}

void MainWindow::destroy_window() { ::DestroyWindow(hwnd_); }

void MainWindow::quit(int exit_code) { ::PostQuitMessage(exit_code); }

CellMetrics MainWindow::resolve_terminal_font(const FontSettings& settings) {
    font_settings_ = settings;
    win32::resolve_terminal_font(hwnd_, settings, font_);
    // Kept pixels show the old font (a new font may even reuse the old handle).
    kept_.clear();
    return font_.metrics;
}

std::expected<std::unique_ptr<PtySession>, std::error_code> MainWindow::spawn_session(const PtyOptions& options) {
    if (!sink_) sink_ = std::make_shared<PostingSink>(hwnd_);
    return PtySession::spawn(sink_, options);
}

void MainWindow::start_waiting_soon(unsigned milliseconds) {
    // A timer fires only once the queue is empty and the window painted, so
    // the tab shown is drawn before the next program starts.
    const ULONGLONG due = ::GetTickCount64() + milliseconds;
    if (waiting_due_ && *waiting_due_ <= due) return;
    if (::SetTimer(hwnd_, START_WAITING_TIMER, milliseconds, nullptr)) waiting_due_ = due;
}

bool MainWindow::start_program(const std::string& program, const std::string& command_line) {
    std::wstring app = to_wide(program);
    std::wstring cmd = to_wide(command_line);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Always the program as planned: without an application name the system
    // would search this program's own folder and the current one first.
    if (!::CreateProcessW(app.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

void MainWindow::capture_mouse() { ::SetCapture(hwnd_); }

void MainWindow::release_mouse() { ::ReleaseCapture(); }

unsigned MainWindow::wheel_scroll_lines() {
    UINT lines = 3;
    if (!::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) return 3;
    return lines == WHEEL_PAGESCROLL ? WHEEL_PAGE : lines;
}

void MainWindow::show_error(const std::string& text) { error_box(hwnd_, text); }

int MainWindow::show_popup_menu(const Menu& menu, int client_x, int client_y) {
    POINT pt{client_x, client_y};
    ::ClientToScreen(hwnd_, &pt);
    return track_popup_menu(hwnd_, menu, pt);
}

bool MainWindow::begin_rename_edit(const Rect& box, const std::string& text) {
    HFONT font = create_terminal_font(hwnd_, font_settings_, font_);
    return rename_edit_.open(hwnd_, RECT{box.left, box.top, box.right, box.bottom}, to_wide(text), font,
                             [this](bool commit) { end_rename(cell_, *this, commit); });
}

std::string MainWindow::rename_edit_text() {
    // UTF-16 from the control may hold unpaired surrogates: each becomes U+FFFD.
    return from_wide(rename_edit_.text());
}

void MainWindow::end_rename_edit() { rename_edit_.close(); }

bool MainWindow::begin_find_edit(const Rect& box) {
    HFONT font = create_terminal_font(hwnd_, font_settings_, font_);
    return find_edit_.open(hwnd_, RECT{box.left, box.top, box.right, box.bottom}, font,
                           [this](FindKey key) { on_find_key(cell_, *this, key); });
}

void MainWindow::move_find_edit(const Rect& box) { find_edit_.move(RECT{box.left, box.top, box.right, box.bottom}); }

void MainWindow::end_find_edit() { find_edit_.close(); }

bool MainWindow::set_clipboard_text(const std::string& text) { return win32::set_clipboard_text(hwnd_, text); }

std::optional<std::string> MainWindow::clipboard_text() { return win32::clipboard_text(hwnd_); }

int MainWindow::show_tray_menu(const Menu& menu) {
    // Without the window in front the menu would not close when the user
    // clicks elsewhere; the null message afterwards lets it finish closing.
    ::SetForegroundWindow(hwnd_);
    POINT pt{};
    ::GetCursorPos(&pt);
    const int id = track_popup_menu(hwnd_, menu, pt);
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);
    return id;
}

void MainWindow::open_with_shell(const std::string& target) {
    shell_open(to_wide(target).c_str());
}

void MainWindow::run_history_viewer(HistoryViewer& viewer) { win32::run_history_viewer(hwnd_, viewer); }

std::optional<std::string> MainWindow::save_file_dialog(const std::string& name) {
    auto path = save_text_file_dialog(hwnd_, to_wide(name));
    if (!path) return std::nullopt;
    return from_wide(*path);
}

void MainWindow::start_new_window() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return;
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return;
        path.resize(path.size() * 2);
    }
    std::wstring command_line = L"\"" + path + L"\"";  // the program's name only: no arguments
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);  // independent: closed at once
}

// ---- message boxes and dialogs, owned by the main window ----
void MainWindow::show_information(const std::string& caption, const std::string& text) {
    information_box(hwnd_, caption, text);
}
bool MainWindow::confirm(const std::string& text) { return confirm_box(hwnd_, text); }
std::optional<std::string> MainWindow::prompt(const std::string& title, const std::string& label,
                                              const std::string& initial) {
    return run_prompt(hwnd_, title, label, initial);
}
void MainWindow::run_connection_manager(ConnectionManager& manager) { win32::run_connection_manager(hwnd_, manager); }

}  // namespace ovelin::win32
