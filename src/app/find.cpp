#include "app/find.hpp"

#include <algorithm>
#include <mutex>

#include "app/tiling.hpp"
#include "ui/find_bar.hpp"

namespace ovelin {

namespace {

Session* find_session(App& app) {
    if (!app.find.open) return nullptr;
    return app.find_session(app.find.session_id);
}

std::optional<TerminalPlace> place_of(const App& app, ClientSize size, std::uint64_t id) {
    for (const TerminalPlace& p : visible_terminals(app, size))
        if (app.sessions[p.index].id() == id) return p;
    return std::nullopt;
}

std::optional<std::size_t> current_index(const FindState& f) {
    if (!f.current) return std::nullopt;
    auto it = std::lower_bound(f.matches.begin(), f.matches.end(), *f.current,
                               [](const FoundSpan& m, const LinePoint& p) { return m.start < p; });
    if (it == f.matches.end() || it->start != *f.current) return std::nullopt;
    return static_cast<std::size_t>(it - f.matches.begin());
}

void refresh(FindState& f, const Screen& screen) {
    if (!f.needle) return;
    const bool same = f.screen == screen.serial() && f.alternate == screen.alternate_screen();
    if (same && f.clock == screen.clock() && f.searched_top == screen.top_line()) return;
    std::uint64_t from = screen.first_line();
    if (same) {
        // Lines that went into the scrollback do not change: their matches stay.
        from = text_start(screen, std::min(f.searched_top, screen.top_line()));
        const std::uint64_t first = screen.first_line();
        std::erase_if(f.matches, [&](const FoundSpan& m) { return m.start.line >= from || m.start.line < first; });
    } else {
        f.matches.clear();
    }
    find_matches(screen, *f.needle, from, f.matches);
    f.screen = screen.serial();
    f.alternate = screen.alternate_screen();
    f.clock = screen.clock();
    f.searched_top = screen.top_line();
    if (f.current && !current_index(f)) {
        // The match gone to is gone: the nearest older one, if any.
        auto it = std::lower_bound(f.matches.begin(), f.matches.end(), *f.current,
                                   [](const FoundSpan& m, const LinePoint& p) { return m.start < p; });
        f.current = it == f.matches.begin() ? std::nullopt : std::optional<LinePoint>((it - 1)->start);
    }
}

// The least scroll that shows the current match below the bar; a match
// above the view comes to the first row the bar leaves uncovered.
void show_current(App& app, Host& host) {
    Session* s = find_session(app);
    if (!s || !app.find.current) return;
    const auto index = current_index(app.find);
    if (!index) return;
    const FoundSpan& m = app.find.matches[*index];
    const auto place = place_of(app, host.client_size(), s->id());
    LockedScreen& locked = *s->pty->screen();
    std::lock_guard lock(locked.mutex);
    const Screen& screen = locked.screen;
    if (screen.alternate_screen()) return;  // every line it has is on the screen
    int rows = screen.rows();
    if (place) rows = std::min(rows, std::max((place->area.bottom - place->area.top) / std::max(app.metrics.cell_height, 1), 1));
    const auto hidden = static_cast<std::uint64_t>(std::min(find_bar_rows(app.metrics), rows - 1));
    const std::uint64_t top = view_top(screen, s->view_top);
    std::uint64_t to = top;
    if (m.start.line < top + hidden)
        to = m.start.line - std::min(m.start.line, hidden);
    else if (m.end.line >= top + static_cast<std::uint64_t>(rows))
        to = std::min(m.end.line - static_cast<std::uint64_t>(rows - 1), m.start.line - hidden);
    to = std::clamp(to, screen.first_line(), screen.top_line());
    if (to >= screen.top_line())
        s->view_top.reset();
    else
        s->view_top = to;
}

void search(App& app) {
    FindState& f = app.find;
    f.matches.clear();
    f.current.reset();
    f.screen = 0;
    f.needle.reset();
    if (f.text.empty()) return;
    f.needle.emplace(f.text);
    if (Session* s = find_session(app)) {
        LockedScreen& locked = *s->pty->screen();
        std::lock_guard lock(locked.mutex);
        refresh(f, locked.screen);
    }
    if (!f.matches.empty()) f.current = f.matches.back().start;
}

}  // namespace

void toggle_find(AppCell& cell, Host& host) {
    auto app = cell.take();
    if (app->find.open) {
        close_find(*app, host);
        return;
    }
    if (app->view_mode == ViewMode::BrowseGroups || app->active >= app->sessions.size()) return;
    const std::uint64_t id = app->sessions[app->active].id();
    const auto place = place_of(*app, host.client_size(), id);
    if (!place) return;
    app->find = FindState{};
    app->find.open = true;
    app->find.session_id = id;
    if (!host.begin_find_edit(find_bar_layout(place->area, app->metrics).edit)) app->find = FindState{};
    host.repaint();
}

void on_find_text(AppCell& cell, Host& host, const std::string& text) {
    auto app = cell.take();
    if (!app->find.open) return;
    app->find.text = text;
    search(*app);
    show_current(*app, host);
    host.repaint();
}

void on_find_key(AppCell& cell, Host& host, FindKey key) {
    auto app = cell.take();
    FindState& f = app->find;
    if (!f.open) return;
    if (key == FindKey::Close) {
        close_find(*app, host);
        return;
    }
    if (Session* s = find_session(*app)) {
        LockedScreen& locked = *s->pty->screen();
        std::lock_guard lock(locked.mutex);
        refresh(f, locked.screen);
    }
    if (f.matches.empty()) return;
    const std::size_t n = f.matches.size();
    std::size_t k = n - 1;  // nothing gone to yet: the newest
    if (const auto at = current_index(f)) k = key == FindKey::Older ? (*at + n - 1) % n : (*at + 1) % n;
    f.current = f.matches[k].start;
    show_current(*app, host);
    host.repaint();
}

void place_find_bar(App& app, Host& host) {
    if (!app.find.open) return;
    const bool active = app.active < app.sessions.size() && app.sessions[app.active].id() == app.find.session_id;
    const auto place = active ? place_of(app, host.client_size(), app.find.session_id) : std::nullopt;
    if (!place || app.view_mode == ViewMode::BrowseGroups) {
        close_find(app, host);
        return;
    }
    host.move_find_edit(find_bar_layout(place->area, app.metrics).edit);
}

void close_find(App& app, Host& host) {
    if (!app.find.open) return;
    app.find = FindState{};
    host.end_find_edit();
    host.repaint();
}

bool find_bar_at(const App& app, ClientSize size, int x, int y) {
    if (!app.find.open) return false;
    const auto place = place_of(app, size, app.find.session_id);
    if (!place) return false;
    const Rect strip = find_bar_layout(place->area, app.metrics).strip;
    return strip.left <= x && x < strip.right && strip.top <= y && y < strip.bottom;
}

void refresh_find(App& app) {
    if (Session* s = find_session(app)) {
        LockedScreen& locked = *s->pty->screen();
        std::lock_guard lock(locked.mutex);
        refresh(app.find, locked.screen);
    }
}

FindMarks find_marks(const App& app, std::uint64_t session_id) {
    const FindState& f = app.find;
    if (!f.open || f.session_id != session_id) return {};
    return {f.matches, current_index(f)};
}

std::string find_count(const App& app) {
    const FindState& f = app.find;
    const auto at = current_index(f);
    return find_count_text(!f.text.empty(), at ? f.matches.size() - *at : 0, f.matches.size());
}

}  // namespace ovelin
