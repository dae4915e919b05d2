#include "app/groups.hpp"

#include "app/resume.hpp"
#include "app/sessions.hpp"

namespace ovelin {

namespace {
TabGroup* find(App& app, std::uint64_t id) {
    for (TabGroup& g : app.groups)
        if (g.id == id) return &g;
    return nullptr;
}
}  // namespace

std::uint64_t create_group(App& app) {
    const std::uint64_t id = ++app.next_group_id;
    app.groups.push_back(
        TabGroup{std::nullopt, "Group " + std::to_string(id), id, static_cast<std::uint8_t>((id - 1) % 8), false});
    return id;
}

void toggle_broadcast(App& app, std::uint64_t group) {
    if (!app.broadcast_groups.erase(group) && app.find_group(group)) app.broadcast_groups.insert(group);
}

void toggle_collapsed(App& app, std::uint64_t group) {
    if (TabGroup* g = find(app, group)) g->collapsed = !g->collapsed;
}

std::optional<std::size_t> first_tab_of(const App& app, std::uint64_t group) {
    for (std::size_t i = 0; i < app.sessions.size(); ++i)
        if (app.sessions[i].group == group) return i;
    return std::nullopt;
}

std::size_t tab_count(const App& app, std::uint64_t group) {
    std::size_t n = 0;
    for (const Session& s : app.sessions) n += s.group == group;
    return n;
}

bool is_within(const App& app, std::uint64_t group, std::uint64_t ancestor) {
    // Bounded by the number of groups, so a loop in stored parents cannot hang.
    std::optional<std::uint64_t> at = group;
    for (std::size_t steps = 0; at && steps <= app.groups.size(); ++steps) {
        if (*at == ancestor) return true;
        const TabGroup* g = app.find_group(*at);
        at = g ? g->parent : std::nullopt;
    }
    return false;
}

std::vector<std::uint64_t> parent_candidates(const App& app, std::uint64_t group) {
    std::vector<std::uint64_t> out;
    for (const TabGroup& g : app.groups)
        if (!is_within(app, g.id, group)) out.push_back(g.id);
    return out;
}

bool set_group_parent(App& app, std::uint64_t group, std::optional<std::uint64_t> parent) {
    TabGroup* g = find(app, group);
    if (!g) return false;
    if (parent && (!app.find_group(*parent) || is_within(app, *parent, group))) return false;
    g->parent = parent;
    prune_groups(app);  // a former parent may now hold nothing
    return true;
}

void expand_group(AppCell& cell, Host& host, std::uint64_t group) {
    auto app = cell.take();
    TabGroup* g = find(*app, group);
    if (!g) return;
    g->collapsed = false;
    if (auto first = first_tab_of(*app, group)) app->active = *first;
    lay_out(*app, host);
    host.repaint();
}

bool new_tab_in_group(AppCell& cell, Host& host, std::uint64_t group) {
    if (!open_terminal(cell, host, SpawnRequest{}, StartFailure::Report)) return false;
    auto app = cell.take();
    if (!app->find_group(group) || app->active >= app->sessions.size()) return true;
    place_in_group(*app, app->active, group);
    save_open_sessions(*app);  // the saved record names its group
    lay_out(*app, host);
    host.repaint();
    return true;
}

}  // namespace ovelin
