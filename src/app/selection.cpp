#include "app/selection.hpp"

#include <algorithm>
#include <limits>
#include <mutex>

#include "app/tiling.hpp"
#include "ui/tiles.hpp"

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

}  // namespace

Point terminal_origin(const Rect& cell, bool tiled) {
    const Rect area = tile_terminal_area(cell, !tiled);
    return {area.left, area.top};
}

std::vector<TerminalPlace> visible_terminals(const App& app, ClientSize size) {
    const std::vector<std::size_t> shown = visible_sessions(app);
    const std::vector<Rect> cells = grid(content_rect(size), shown.size());
    std::vector<TerminalPlace> places;
    for (std::size_t k = 0; k < shown.size() && k < cells.size(); ++k)
        places.push_back({shown[k], cells[k], shown.size() > 1});
    return places;
}

bool begin_selection(App& app, std::span<const TerminalPlace> places, int x, int y) {
    app.selection = Selection{};
    for (const TerminalPlace& p : places) {
        if (!contains(p.cell, x, y)) continue;
        if (p.index >= app.sessions.size()) return false;
        const Point origin = terminal_origin(p.cell, p.tiled);
        if (x < origin.x || y < origin.y) return false;  // the margin or a title bar
        const CellPoint at{cell_index(y - origin.y, app.cell_height), cell_index(x - origin.x, app.cell_width)};
        app.selection = {Selection::State::Selecting, app.sessions[p.index].id(), at, at};
        return true;
    }
    return false;
}

bool extend_selection(App& app, std::span<const TerminalPlace> places, int x, int y) {
    Selection& s = app.selection;
    if (s.state != Selection::State::Selecting) return false;
    const TerminalPlace* p = place_of(app, places, s.session_id);
    if (!p) return false;
    const Point origin = terminal_origin(p->cell, p->tiled);
    const int max_x = p->cell.right - 7, max_y = p->cell.bottom - 3;
    // A tile too small for any cell: the end stays where it was.
    if (max_x < origin.x || max_y < origin.y) return false;
    x = std::clamp(x, origin.x, max_x);
    y = std::clamp(y, origin.y, max_y);
    const CellPoint at{cell_index(y - origin.y, app.cell_height), cell_index(x - origin.x, app.cell_width)};
    if (at == s.end) return false;
    s.end = at;
    return true;
}

std::optional<std::string> finish_selection(App& app) {
    Selection& s = app.selection;
    if (s.state != Selection::State::Selecting) return std::nullopt;
    s.state = Selection::State::Done;
    if (s.anchor == s.end) {
        s.state = Selection::State::None;
        return std::nullopt;
    }
    const Session* session = app.find_session(s.session_id);
    if (!session) return std::nullopt;
    const CellPoint from = std::min(s.anchor, s.end), to = std::max(s.anchor, s.end);
    const std::uint16_t past = to.col == std::numeric_limits<std::uint16_t>::max() ? to.col : to.col + 1;
    std::string text;
    {
        LockedScreen& locked = *session->pty->screen();
        std::lock_guard lock(locked.mutex);
        text = locked.screen.contents_between(from.row, from.col, to.row, past);
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
    const CellPoint from = std::min(s.anchor, s.end), to = std::max(s.anchor, s.end);
    return {true, from.row, from.col, to.row, to.col};
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
    // program): releasing it here would take it from them.
    finish_drag(cell, host);
}

}  // namespace ovelin
