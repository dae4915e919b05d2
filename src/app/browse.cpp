#include "app/browse.hpp"

#include <algorithm>
#include <optional>

#include "app/sessions.hpp"
#include "ui/tiles.hpp"

namespace ovelin {

namespace {
std::size_t clamped_cursor(const App& app, std::size_t count) { return std::min(app.browse_cursor, count - 1); }
}  // namespace

std::vector<BrowseEntry> browse_entries(const App& app) {
    std::optional<std::uint64_t> level;
    if (!app.browse_path.empty()) level = app.browse_path.back();
    std::vector<BrowseEntry> out;
    for (const TabGroup& g : app.groups)
        if (g.parent == level) out.push_back({BrowseEntry::Kind::Group, g.id, 0});
    for (std::size_t i = 0; i < app.sessions.size(); ++i)
        if (app.sessions[i].group == level) out.push_back({BrowseEntry::Kind::Tab, 0, i});
    return out;
}

void browse_open(App& app, Host& host) {
    const std::vector<BrowseEntry> entries = browse_entries(app);
    if (!entries.empty()) {
        const BrowseEntry& e = entries[clamped_cursor(app, entries.size())];
        if (e.kind == BrowseEntry::Kind::Tab) {
            app.active = e.session;
            app.view_mode = ViewMode::Single;
        } else {
            app.browse_path.push_back(e.group);
            app.browse_cursor = 0;
        }
    }
    lay_out(app, host);
    host.repaint();
}

void browse_up(App& app, Host& host) {
    if (app.view_mode != ViewMode::BrowseGroups || app.browse_path.empty()) return;
    app.browse_path.pop_back();
    app.browse_cursor = 0;
    lay_out(app, host);
    host.repaint();
}

void browse_move(App& app, int dx, int dy) {
    const std::size_t n = browse_entries(app).size();
    app.browse_cursor = n == 0 ? 0 : move_in_grid(n, clamped_cursor(app, n), dx, dy);
}

void browse_step(App& app, bool back) {
    const std::size_t n = browse_entries(app).size();
    if (n == 0) return;
    const std::size_t at = clamped_cursor(app, n);
    app.browse_cursor = back ? (at + n - 1) % n : (at + 1) % n;
}

BrowseHit browse_at_point(const App& app, ClientSize size, int x, int y) {
    if (app.view_mode != ViewMode::BrowseGroups) return {};
    const Rect up = up_button_rect(0, size.width);
    // The dim button at the top level does not react.
    if (!app.browse_path.empty() && y >= up.top && y < up.bottom && x >= up.left && x < up.right)
        return {BrowseHit::Kind::Up, 0};
    const std::vector<Rect> cells = grid({0, BROWSE_TOP, size.width, size.height}, browse_entries(app).size());
    if (auto k = cell_at(cells, x, y)) return {BrowseHit::Kind::Card, *k};
    return {};
}

void browse_press(AppCell& cell, Host& host, int x, int y, bool open) {
    auto app = cell.take();
    const BrowseHit hit = browse_at_point(*app, host.client_size(), x, y);
    if (hit.kind == BrowseHit::Kind::Up) {
        browse_up(*app, host);
    } else if (hit.kind == BrowseHit::Kind::Card) {
        app->browse_cursor = hit.card;
        if (open)
            browse_open(*app, host);
        else
            host.repaint();
    }
}

}  // namespace ovelin
