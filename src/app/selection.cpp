#include "app/selection.hpp"

#include <algorithm>
#include <limits>
#include <mutex>

namespace ovelin {

namespace {

std::uint16_t cell_index(int offset, std::int32_t size) {
    const long n = std::max(offset, 0) / std::max<std::int32_t>(size, 1);
    return static_cast<std::uint16_t>(std::min<long>(n, std::numeric_limits<std::uint16_t>::max()));
}

const TerminalPlace* place_of(const App& app, std::span<const TerminalPlace> places, std::uint64_t id) {
    for (const TerminalPlace& p : places)
        if (p.index < app.sessions.size() && app.sessions[p.index].id() == id) return &p;
    return nullptr;
}

bool contains(const Rect& r, int x, int y) { return r.left <= x && x < r.right && r.top <= y && y < r.bottom; }

// The history cell under a point of the session's area, as its view shows it now.
LinePoint cell_at(const App& app, const Session& s, const Rect& area, int x, int y, bool& alternate) {
    LockedScreen& locked = *s.pty->screen();
    std::lock_guard lock(locked.mutex);
    alternate = locked.screen.alternate_screen();
    const std::uint64_t top = view_top(locked.screen, s.view_top);
    return {top + cell_index(y - area.top, app.metrics.cell_height), cell_index(x - area.left, app.metrics.cell_width)};
}

}  // namespace

bool begin_selection(App& app, std::span<const TerminalPlace> places, int x, int y) {
    app.selection = Selection{};
    for (const TerminalPlace& p : places) {
        if (!contains(p.cell, x, y)) continue;
        if (p.index >= app.sessions.size()) return false;
        if (x < p.area.left || y < p.area.top) return false;  // the margin or a title bar
        const Session& s = app.sessions[p.index];
        bool alternate = false;
        const LinePoint at = cell_at(app, s, p.area, x, y, alternate);
        app.selection = {Selection::State::Selecting, s.id(), at, at, alternate, x, y};
        return true;
    }
    return false;
}

bool extend_selection(App& app, std::span<const TerminalPlace> places, int x, int y) {
    Selection& sel = app.selection;
    if (sel.state != Selection::State::Selecting) return false;
    sel.x = x, sel.y = y;
    const TerminalPlace* p = place_of(app, places, sel.session_id);
    if (!p) return false;
    const int max_x = p->area.right - 1, max_y = p->area.bottom - 1;
    // A tile too small for any cell: the end stays where it was.
    if (max_x < p->area.left || max_y < p->area.top) return false;
    bool alternate = false;
    const LinePoint at = cell_at(app, app.sessions[p->index], p->area, std::clamp(x, p->area.left, max_x),
                                 std::clamp(y, p->area.top, max_y), alternate);
    if (at == sel.end || alternate != sel.alternate) return false;
    sel.end = at;
    return true;
}

std::optional<std::string> finish_selection(App& app) {
    Selection& sel = app.selection;
    if (sel.state != Selection::State::Selecting) return std::nullopt;
    sel.state = Selection::State::Done;
    if (sel.anchor == sel.end) {
        sel.state = Selection::State::None;
        return std::nullopt;
    }
    const Session* session = app.find_session(sel.session_id);
    if (!session) return std::nullopt;
    const LinePoint from = std::min(sel.anchor, sel.end), to = std::max(sel.anchor, sel.end);
    const std::uint16_t past = to.col == std::numeric_limits<std::uint16_t>::max() ? to.col : to.col + 1;
    std::string text;
    {
        LockedScreen& locked = *session->pty->screen();
        std::lock_guard lock(locked.mutex);
        if (locked.screen.alternate_screen() != sel.alternate) return std::nullopt;
        text = locked.screen.text_between(from, {to.line, past});
    }
    if (text.find_first_not_of(" \t\r\n\v\f") == std::string::npos) return std::nullopt;
    return text;
}

bool end_selection(App& app) {
    const bool showing = app.selection.state != Selection::State::None;
    app.selection = Selection{};
    return showing;
}

SelectionRange selection_range(const App& app, std::uint64_t session_id) {
    const Selection& s = app.selection;
    if (s.state == Selection::State::None || s.anchor == s.end || s.session_id != session_id) return {};
    return {true, std::min(s.anchor, s.end), std::max(s.anchor, s.end), s.alternate};
}

void begin_selection(AppCell& cell, Host& host, int x, int y) {
    bool capture = false;
    {
        auto app = cell.take();
        if (app->view_mode == ViewMode::BrowseGroups) return;
        capture = begin_selection(*app, visible_terminals(*app, host.client_size()), x, y);
    }
    // So that the moves and the release arrive even outside the window.
    if (capture) host.capture_mouse();
    host.repaint();
}

void extend_selection(AppCell& cell, Host& host, int x, int y) {
    auto app = cell.take();
    if (app->selection.state != Selection::State::Selecting) return;
    if (extend_selection(*app, visible_terminals(*app, host.client_size()), x, y)) host.repaint();
}

namespace {
void finish_drag(AppCell& cell, Host& host) {
    std::optional<std::string> text;
    {
        auto app = cell.take();
        text = finish_selection(*app);
    }
    if (text) host.set_clipboard_text(*text);
    host.repaint();
}
}  // namespace

void finish_selection(AppCell& cell, Host& host) {
    host.release_mouse();
    finish_drag(cell, host);
}

void on_capture_lost(AppCell& cell, Host& host) {
    // The capture now belongs to someone else (a menu, a dialog, another
    // program): releasing it here would take it from them. A drag of the
    // scroll thumb ends with it too.
    cell.take()->thumb_drag = {};
    finish_drag(cell, host);
}

}  // namespace ovelin
