#include "app/mouse_report.hpp"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

#include "app/selection.hpp"
#include "term/mouse_report.hpp"

namespace ovelin {

namespace {

unsigned bit(PointerButton b) { return 1u << static_cast<unsigned>(b); }

term::MouseButton term_button(PointerButton b) {
    switch (b) {
        case PointerButton::Left: return term::MouseButton::Left;
        case PointerButton::Middle: return term::MouseButton::Middle;
        case PointerButton::Right: return term::MouseButton::Right;
    }
    return term::MouseButton::Left;
}

// The lowest button held, as a drag reports it.
term::MouseButton held_button(unsigned buttons) {
    for (PointerButton b : {PointerButton::Left, PointerButton::Middle, PointerButton::Right})
        if (buttons & bit(b)) return term_button(b);
    return term::MouseButton::None;
}

// A session's terminal on screen, and the cell under a point of it.
struct Target {
    Session* session = nullptr;
    int left = 0, top = 0;  // the terminal area's top-left corner
    bool inside = false;  // the point lies on the terminal (not its margin, a title bar or another tile)
};

bool contains(const Rect& r, int x, int y) { return r.left <= x && x < r.right && r.top <= y && y < r.bottom; }

Target place_of(App& app, const TerminalPlace& p, int x, int y) {
    Target t;
    t.session = &app.sessions[p.index];
    t.left = p.area.left, t.top = p.area.top;
    t.inside = contains(p.cell, x, y) && x >= t.left && y >= t.top;
    return t;
}

// The terminal under the point, if its session can still take input.
Target under(App& app, ClientSize size, int x, int y) {
    if (app.view_mode == ViewMode::BrowseGroups) return {};
    for (const TerminalPlace& p : visible_terminals(app, size)) {
        if (p.index >= app.sessions.size() || !contains(p.cell, x, y)) continue;
        Target t = place_of(app, p, x, y);
        if (!t.inside || t.session->ended()) return {};
        return t;
    }
    return {};
}

// The session a held button reports to, wherever the pointer is now.
Target held(App& app, ClientSize size, int x, int y) {
    for (const TerminalPlace& p : visible_terminals(app, size))
        if (p.index < app.sessions.size() && app.sessions[p.index].id() == app.mouse_report.session_id) {
            Target t = place_of(app, p, x, y);
            if (t.session->ended()) return {};
            return t;
        }
    return {};
}

// The bytes that report the event at the point's cell (clamped to the
// screen) under the session's modes; nullopt when its program did not ask
// for the mouse. With `only_new_cell`, a move within the cell last reported
// gives no bytes.
std::optional<std::string> encode(App& app, const Target& t, int x, int y, term::MouseEvent e, bool only_new_cell) {
    LockedScreen& locked = *t.session->pty->screen();
    std::lock_guard lock(locked.mutex);
    const Screen& screen = locked.screen;
    if (screen.modes().mouse_tracking() == term::MouseTracking::None) return std::nullopt;
    e.col = std::clamp((x - t.left) / std::max(app.metrics.cell_width, 1), 0, screen.cols() - 1);
    e.row = std::clamp((y - t.top) / std::max(app.metrics.cell_height, 1), 0, screen.rows() - 1);
    MouseReportState& s = app.mouse_report;
    if (only_new_cell && s.last_session == t.session->id() && s.last_row == e.row && s.last_col == e.col)
        return std::string();
    s.last_session = t.session->id(), s.last_row = e.row, s.last_col = e.col;
    return term::encode_mouse(screen.modes(), e);
}

// A report belongs to its one session: never through the broadcast.
void write(const Target& t, const std::string& bytes) {
    if (!bytes.empty()) t.session->pty->write(bytes);
}

term::MouseEvent event(term::MouseEvent::Kind kind, term::MouseButton button, Modifiers mods) {
    return {kind, button, 0, 0, mods.shift, mods.alt, mods.ctrl};
}

}  // namespace

bool report_press(AppCell& cell, Host& host, PointerButton button, int x, int y, Modifiers mods) {
    bool repaint = false;
    {
        auto app = cell.take();
        MouseReportState& s = app->mouse_report;
        // Another button while one is held goes to the same session.
        const Target t = s.buttons ? held(*app, host.client_size(), x, y) : under(*app, host.client_size(), x, y);
        if (!t.session || (mods.shift && !s.buttons)) return false;
        const auto bytes = encode(*app, t, x, y, event(term::MouseEvent::Kind::Press, term_button(button), mods), false);
        if (!bytes) return false;
        write(t, *bytes);
        s.session_id = t.session->id();
        s.buttons |= bit(button);
        repaint = end_selection(*app);  // the program has the mouse now
    }
    // So that the release arrives even outside the window.
    host.capture_mouse();
    if (repaint) host.repaint();
    return true;
}

bool report_release(AppCell& cell, Host& host, PointerButton button, int x, int y, Modifiers mods) {
    bool last = false;
    {
        auto app = cell.take();
        MouseReportState& s = app->mouse_report;
        if (!(s.buttons & bit(button))) return false;
        const Target t = held(*app, host.client_size(), x, y);
        if (t.session)
            write(t, encode(*app, t, x, y, event(term::MouseEvent::Kind::Release, term_button(button), mods), false)
                         .value_or(""));
        s.buttons &= ~bit(button);
        if (s.buttons == 0) s.session_id = 0, last = true;
    }
    if (last) host.release_mouse();
    return true;
}

void report_capture_lost(AppCell& cell) {
    auto app = cell.take();
    MouseReportState& s = app->mouse_report;
    if (!s.buttons) return;
    Session* session = app->find_session(s.session_id);
    std::string bytes;
    if (session && !session->ended() && s.last_session == s.session_id) {
        LockedScreen& locked = *session->pty->screen();
        std::lock_guard lock(locked.mutex);
        for (PointerButton b : {PointerButton::Left, PointerButton::Middle, PointerButton::Right})
            if (s.buttons & bit(b))
                bytes += term::encode_mouse(locked.screen.modes(), {term::MouseEvent::Kind::Release, term_button(b),
                                                                     s.last_row, s.last_col});
    }
    if (session && !bytes.empty()) session->pty->write(bytes);
    s.buttons = 0;
    s.session_id = 0;
}

bool report_move(AppCell& cell, Host& host, int x, int y, Modifiers mods) {
    auto app = cell.take();
    MouseReportState& s = app->mouse_report;
    if (s.buttons) {
        const Target t = held(*app, host.client_size(), x, y);
        if (t.session)
            write(t, encode(*app, t, x, y, event(term::MouseEvent::Kind::Motion, held_button(s.buttons), mods), true)
                         .value_or(""));
        return true;
    }
    if (app->selection.state == Selection::State::Selecting) return false;
    const Target t = under(*app, host.client_size(), x, y);
    if (!t.session) return false;
    // Only a program that asked for every move hears one without a button.
    {
        LockedScreen& locked = *t.session->pty->screen();
        std::lock_guard lock(locked.mutex);
        if (locked.screen.modes().mouse_tracking() != term::MouseTracking::Motion) return false;
    }
    write(t, encode(*app, t, x, y, event(term::MouseEvent::Kind::Motion, term::MouseButton::None, mods), true)
                 .value_or(""));
    return true;
}

bool report_wheel(AppCell& cell, Host& host, int x, int y, int notches, int lines_per_notch, Modifiers mods) {
    if (notches == 0 || mods.shift) return false;
    auto app = cell.take();
    const Target t = under(*app, host.client_size(), x, y);
    if (!t.session) return false;
    const auto button = notches > 0 ? term::MouseButton::WheelUp : term::MouseButton::WheelDown;
    const auto one = encode(*app, t, x, y, event(term::MouseEvent::Kind::Press, button, mods), false);
    if (!one) return false;
    int lines = lines_per_notch;
    if (lines <= 0) {
        std::lock_guard lock(t.session->pty->screen()->mutex);
        lines = t.session->pty->screen()->screen.rows();
    }
    lines *= std::abs(notches);
    std::string bytes;
    for (int i = 0; i < lines; ++i) bytes += *one;
    write(t, bytes);
    return true;
}

}  // namespace ovelin
