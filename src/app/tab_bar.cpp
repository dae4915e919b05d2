#include "app/tab_bar.hpp"

#include <utility>

#include "app/groups.hpp"
#include "app/menus.hpp"
#include "app/rename.hpp"
#include "app/sessions.hpp"
#include "app/tab_label.hpp"
#include "ui/palette.hpp"

namespace ovelin {

namespace {

Rgb group_color(const TabGroup& g) { return palette::GROUP[g.color % 8]; }

TabBarItem tab_item(const App& app, std::size_t index) {
    const Session& s = app.sessions[index];
    TabBarItem item;
    item.kind = TabBarItem::Kind::Tab;
    item.session = index;
    item.label = tab_label(app, s);
    const TabGroup* g = s.group ? app.find_group(*s.group) : nullptr;
    if (s.color)
        item.stripe = palette::GROUP[*s.color % 8];
    else if (g)
        item.stripe = group_color(*g);
    if (g) item.underline = group_color(*g);
    item.active = index == app.active;
    return item;
}

TabBarItem group_item(const App& app, std::uint64_t id) {
    TabBarItem item;
    item.kind = TabBarItem::Kind::Group;
    item.group = id;
    const TabGroup* g = app.find_group(id);
    item.label = "\u25b8 ";
    if (app.broadcast_groups.contains(id)) item.label += "\u00bb ";
    item.label += g ? g->name : "Group";
    item.label += " (" + std::to_string(tab_count(app, id)) + ")";
    if (g) item.stripe = item.underline = group_color(*g);
    item.active = app.active < app.sessions.size() && app.sessions[app.active].group == id;
    return item;
}

// What a press at (x, y) reached, resolved against the items as they are now.
struct BarTarget {
    BarHit hit;
    std::optional<TabBarItem> item;
    std::size_t slot = 0;
};

BarTarget target_at(AppCell& cell, Host& host, int x, int y) {
    auto app = cell.take();
    const std::vector<TabBarItem> items = build_bar_items(*app);
    BarTarget t;
    t.hit = hit_test_bar(host.client_size().width, items.size(), x, y);
    t.slot = t.hit.slot;
    if (t.hit.kind == BarHit::Kind::Body || t.hit.kind == BarHit::Kind::Close) t.item = items[t.hit.slot];
    return t;
}

bool is_tab(const BarTarget& t) { return t.item && t.item->kind == TabBarItem::Kind::Tab; }
bool is_group(const BarTarget& t) { return t.item && t.item->kind == TabBarItem::Kind::Group; }

}  // namespace

std::vector<TabBarItem> build_bar_items(const App& app) {
    std::vector<TabBarItem> items;
    std::set<std::uint64_t> shown;  // collapsed groups already given their item
    for (std::size_t i = 0; i < app.sessions.size(); ++i) {
        const Session& s = app.sessions[i];
        const TabGroup* g = s.group ? app.find_group(*s.group) : nullptr;
        if (g && g->collapsed) {
            if (shown.insert(g->id).second) items.push_back(group_item(app, g->id));
            continue;
        }
        items.push_back(tab_item(app, i));
    }
    return items;
}

std::size_t slot_of_session(std::span<const TabBarItem> items, const App& app, std::size_t index) {
    for (std::size_t k = 0; k < items.size(); ++k)
        if (items[k].kind == TabBarItem::Kind::Tab && items[k].session == index) return k;
    if (index < app.sessions.size() && app.sessions[index].group) {
        for (std::size_t k = 0; k < items.size(); ++k)
            if (items[k].kind == TabBarItem::Kind::Group && items[k].group == *app.sessions[index].group) return k;
    }
    return 0;
}

std::size_t slot_of_session(const App& app, std::size_t index) {
    return slot_of_session(build_bar_items(app), app, index);
}

void paint_bar(const App& app, Canvas& canvas, int client_width) {
    const std::vector<TabBarItem> items = build_bar_items(app);
    paint_tab_bar(canvas, items, client_width);
}

void on_bar_left_down(AppCell& cell, Host& host, int x, int y) {
    const BarTarget t = target_at(cell, host, x, y);
    {
        auto app = cell.take();
        app->press_expansion.reset();
        if (is_group(t) && t.hit.kind == BarHit::Kind::Body) {
            std::optional<std::uint64_t> active;
            if (app->active < app->sessions.size()) active = app->sessions[app->active].id();
            app->press_expansion = PressExpansion{t.item->group, active};
        }
    }
    if (t.hit.kind == BarHit::Kind::Plus) {
        open_terminal(cell, host, SpawnRequest{}, StartFailure::Report);
    } else if (is_tab(t)) {
        if (t.hit.kind == BarHit::Kind::Close)
            close_tab(cell, host, t.item->session);
        else
            activate(cell, host, t.item->session);
    } else if (is_group(t)) {
        if (t.hit.kind == BarHit::Kind::Close)
            close_group(cell, host, t.item->group);
        else
            expand_group(cell, host, t.item->group);
    }
}

namespace {
// The double click's first press expanded a collapsed group and the second
// lands on that group's first tab: the group collapses again, the tab that
// was active before is active again, and the answer is the group's slot.
struct GroupSlot {
    std::size_t slot = 0;
    std::uint64_t group = 0;
};
std::optional<GroupSlot> undo_press_expansion(AppCell& cell, Host& host, const BarTarget& t) {
    auto app = cell.take();
    const std::optional<PressExpansion> undo = std::exchange(app->press_expansion, std::nullopt);
    if (!undo || !is_tab(t) || t.hit.kind != BarHit::Kind::Body) return std::nullopt;
    const TabGroup* g = app->find_group(undo->group);
    if (!g || g->collapsed || first_tab_of(*app, undo->group) != t.item->session) return std::nullopt;
    toggle_collapsed(*app, undo->group);
    if (undo->active_before)
        if (auto index = app->index_of(*undo->active_before)) app->active = *index;
    lay_out(*app, host);
    host.repaint();
    return GroupSlot{slot_of_session(*app, t.item->session), undo->group};
}
}  // namespace

void on_bar_double_click(AppCell& cell, Host& host, int x, int y) {
    const BarTarget t = target_at(cell, host, x, y);
    if (auto undone = undo_press_expansion(cell, host, t)) {
        begin_rename(cell, host, undone->slot, RenameState::Target::Group, undone->group);
        return;
    }
    if (t.hit.kind != BarHit::Kind::Body) return;
    if (is_tab(t)) {
        std::uint64_t id = 0;
        {
            auto app = cell.take();
            id = app->sessions[t.item->session].id();
        }
        begin_rename(cell, host, t.slot, RenameState::Target::Tab, id);
    } else if (is_group(t)) {
        begin_rename(cell, host, t.slot, RenameState::Target::Group, t.item->group);
    }
}

void on_bar_right_down(AppCell& cell, Host& host, int x, int y) {
    const BarTarget t = target_at(cell, host, x, y);
    if (is_tab(t))
        open_tab_menu(cell, host, t.item->session, x, y);
    else if (is_group(t))
        open_group_menu(cell, host, t.item->group, x, y);
}

void on_bar_middle_down(AppCell& cell, Host& host, int x, int y) {
    const BarTarget t = target_at(cell, host, x, y);
    if (is_tab(t))
        close_tab(cell, host, t.item->session);
    else if (is_group(t))
        close_group(cell, host, t.item->group);
}

}  // namespace ovelin
