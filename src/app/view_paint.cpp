#include "app/view_paint.hpp"

#include <algorithm>

#include "app/browse.hpp"
#include "app/find.hpp"
#include "app/groups.hpp"
#include "app/selection.hpp"
#include "app/tab_label.hpp"
#include "app/tiling.hpp"
#include "ui/find_bar.hpp"
#include "ui/palette.hpp"
#include "ui/tiles.hpp"

namespace ovelin {

namespace {

// An ended tab shows neither a cursor nor a suggestion, focused or not.
TerminalPane pane(const App& app, Session& s, bool focused, std::optional<Rgb> strip, bool may_lag) {
    TerminalPane p;
    p.label = tab_label(app, s);
    p.strip = strip;
    p.screen = s.pty->screen().get();
    p.view.top = s.view_top;
    p.view.focused = focused && !s.ended();
    p.view.may_lag = may_lag && !focused;
    p.view.ghost = GhostText{s.line, s.pending};
    p.view.selection = selection_range(app, s.id());
    const FindMarks marks = find_marks(app, s.id());
    p.view.found = marks.found;
    p.view.current = marks.current;
    return p;
}

std::optional<Rgb> own_color(const Session& s) {
    if (s.color) return palette::GROUP[*s.color % 8];
    return std::nullopt;
}

void paint_tiles(App& app, Canvas& canvas, ClientSize size, bool others_may_lag) {
    const std::vector<std::size_t> shown = visible_sessions(app);
    const std::vector<Rect> cells = grid(content_rect(size), shown.size());
    const bool alone = shown.size() == 1;
    const std::size_t active = app.sessions.empty() ? 0 : std::min(app.active, app.sessions.size() - 1);
    for (std::size_t k = 0; k < shown.size(); ++k) {
        Session& s = app.sessions[shown[k]];
        std::optional<Rgb> strip = own_color(s);
        if (!strip && s.group)
            if (const TabGroup* g = app.find_group(*s.group)) strip = palette::GROUP[g->color % 8];
        const bool is_active = shown[k] == active;
        paint_tile(canvas, cells[k], pane(app, s, is_active, strip, others_may_lag && !is_active), alone, is_active,
                   app.metrics);
        if (app.find.open && app.find.session_id == s.id())
            draw_find_bar(canvas, find_bar_layout(tile_terminal_area(cells[k], alone), app.metrics), find_count(app));
    }
}

void paint_cards(App& app, Canvas& canvas, ClientSize size, bool others_may_lag) {
    BrowserView view;
    view.top_level = app.browse_path.empty();
    for (std::uint64_t id : app.browse_path)
        if (const TabGroup* g = app.find_group(id)) view.crumbs.push_back(g->name);
    const std::vector<BrowseEntry> entries = browse_entries(app);
    view.highlighted = entries.empty() ? 0 : std::min(app.browse_cursor, entries.size() - 1);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const BrowseEntry& e = entries[k];
        if (e.kind == BrowseEntry::Kind::Tab) {
            Session& s = app.sessions[e.session];
            view.cards.push_back(
                pane(app, s, k == view.highlighted, own_color(s), others_may_lag && e.session != app.active));
            continue;
        }
        const TabGroup* g = app.find_group(e.group);
        std::size_t inner = 0;
        for (const TabGroup& other : app.groups) inner += other.parent == e.group;
        view.cards.push_back(GroupCard{g->name, palette::GROUP[g->color % 8], tab_count(app, e.group), inner});
    }
    paint_browser(canvas, content_rect(size), view, app.metrics);
}

}  // namespace

void paint_view(App& app, Canvas& canvas, ClientSize size, bool others_may_lag) {
    refresh_find(app);
    if (app.view_mode == ViewMode::BrowseGroups)
        paint_cards(app, canvas, size, others_may_lag);
    else
        paint_tiles(app, canvas, size, others_may_lag);
}

}  // namespace ovelin
