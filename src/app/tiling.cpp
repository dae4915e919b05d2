#include "app/tiling.hpp"

#include <algorithm>

#include "app/browse.hpp"
#include "app/find.hpp"
#include "app/focus_report.hpp"
#include "app/sessions.hpp"
#include "ui/tiles.hpp"

namespace ovelin {

namespace {

void fit(const App& app, Session& s, const Rect& area) {
    const CellCount n = cells_in(area, app.metrics);
    s.pty->resize(n.rows, n.cols);
}

}  // namespace

Rect content_rect(ClientSize size) { return {0, CONTENT_TOP, size.width, size.height}; }

std::vector<TerminalPlace> visible_terminals(const App& app, ClientSize size) {
    const std::vector<std::size_t> shown = visible_sessions(app);
    const std::vector<Rect> cells = grid(content_rect(size), shown.size());
    const bool tiled = shown.size() > 1;
    std::vector<TerminalPlace> places;
    for (std::size_t k = 0; k < shown.size() && k < cells.size(); ++k)
        places.push_back({shown[k], cells[k], tile_terminal_area(cells[k], !tiled), tiled});
    return places;
}

std::optional<TerminalPlace> terminal_at(const App& app, ClientSize size, int x, int y) {
    for (const TerminalPlace& p : visible_terminals(app, size))
        if (p.cell.left <= x && x < p.cell.right && p.cell.top <= y && y < p.cell.bottom) return p;
    return std::nullopt;
}

std::vector<std::size_t> visible_sessions(const App& app) {
    const std::size_t n = app.sessions.size();
    std::vector<std::size_t> out;
    if (n == 0) return out;
    const std::size_t shown = std::min(app.active, n - 1);
    switch (app.view_mode) {
        case ViewMode::Single: out.push_back(shown); break;
        case ViewMode::TileGroup:
            if (app.active < n && app.sessions[app.active].group) {
                for (std::size_t i = 0; i < n; ++i)
                    if (app.sessions[i].group == app.sessions[app.active].group) out.push_back(i);
            } else {
                out.push_back(shown);
            }
            break;
        case ViewMode::TileAll:
            for (std::size_t i = 0; i < n; ++i) out.push_back(i);
            break;
        case ViewMode::BrowseGroups: break;
    }
    return out;
}

void lay_out(App& app, Host& host) {
    // The find bar follows its session's area, and goes with it.
    place_find_bar(app, host);
    report_focus(app);  // the active session or the view may have changed
    if (app.sessions.empty()) return;
    const ClientSize size = host.client_size();
    // Minimised: the client area is empty, and fitting to it would tell every
    // program it has one cell. The restore lays out again.
    if (size.width <= 0 || size.height <= 0) return;
    const Rect area = content_rect(size);
    switch (app.view_mode) {
        case ViewMode::Single:
            // Every tab gets the whole area, so switching tabs needs no resize.
            for (Session& s : app.sessions) fit(app, s, tile_terminal_area(area, true));
            break;
        case ViewMode::TileGroup:
        case ViewMode::TileAll:
            // Tabs not shown keep their size.
            for (const TerminalPlace& p : visible_terminals(app, size)) fit(app, app.sessions[p.index], p.area);
            break;
        case ViewMode::BrowseGroups: {
            const std::vector<BrowseEntry> entries = browse_entries(app);
            const std::vector<Rect> cells = grid({area.left, BROWSE_TOP, area.right, area.bottom}, entries.size());
            for (std::size_t k = 0; k < entries.size(); ++k)
                if (entries[k].kind == BrowseEntry::Kind::Tab)
                    fit(app, app.sessions[entries[k].session], tile_terminal_area(cells[k], false));
            break;
        }
    }
}

std::optional<std::size_t> tile_at_point(const App& app, ClientSize size, int x, int y) {
    if (app.view_mode == ViewMode::BrowseGroups) return std::nullopt;
    const std::vector<std::size_t> shown = visible_sessions(app);
    if (shown.size() < 2) return std::nullopt;
    const std::vector<Rect> cells = grid(content_rect(size), shown.size());
    if (auto k = cell_at(cells, x, y)) return shown[*k];
    return std::nullopt;
}

void move_active(App& app, Host& host, int dx, int dy) {
    const std::size_t n = app.sessions.size();
    if (n == 0) return;
    if (app.view_mode == ViewMode::Single) {
        if (dx == 0) return;
        const std::size_t from = std::min(app.active, n - 1);
        app.active = dx < 0 ? (from + n - 1) % n : (from + 1) % n;
    } else {
        const std::vector<std::size_t> shown = visible_sessions(app);
        if (shown.empty()) return;
        const auto at = std::find(shown.begin(), shown.end(), app.active);
        const std::size_t pos = at == shown.end() ? 0 : static_cast<std::size_t>(at - shown.begin());
        app.active = shown[move_in_grid(shown.size(), pos, dx, dy)];
    }
    lay_out(app, host);
    host.repaint();
}

}  // namespace ovelin
