// The menu of a collapsed group (right button on its slot).

#include "app/ended_tab.hpp"
#include "app/groups.hpp"
#include "app/menus.hpp"
#include "app/rename.hpp"
#include "app/sessions.hpp"
#include "app/tab_bar.hpp"
#include "app/view_mode.hpp"

namespace ovelin {

GroupMenu build_group_menu(const App& app, std::uint64_t group) {
    GroupMenu m;
    m.group_id = group;
    const TabGroup* g = app.find_group(group);
    auto& items = m.menu.items;
    items.push_back(MenuItem::command(menu_id::EXPAND, "Expand group\tCtrl+Shift+E"));
    items.push_back(MenuItem::command(menu_id::NEW_TAB_IN_GROUP, "New tab in group"));
    items.push_back(MenuItem::command(menu_id::RENAME_GROUP, "Rename group"));
    items.push_back(MenuItem::command(menu_id::BROADCAST, "Broadcast input to group\tCtrl+Shift+B",
                                      app.broadcast_groups.contains(group)));

    const std::optional<std::uint64_t> parent = g ? g->parent : std::nullopt;
    std::vector<MenuItem> into{MenuItem::command(menu_id::TOP_LEVEL, "Top level", !parent)};
    m.parents = parent_candidates(app, group);
    for (std::size_t k = 0; k < m.parents.size(); ++k)
        into.push_back(MenuItem::command(menu_id::PARENT_FIRST + static_cast<int>(k),
                                         app.find_group(m.parents[k])->name, parent == m.parents[k]));
    items.push_back(MenuItem::submenu("Move group into", std::move(into)));

    append_view_menu(m.menu, app.view_mode);
    if (group_has_ended_tab(app, group))
        items.push_back(MenuItem::command(menu_id::RESTART_ENDED, "Restart ended tabs"));
    items.push_back(MenuItem::separator());
    items.push_back(MenuItem::command(menu_id::CLOSE_GROUP, "Close group"));
    return m;
}

void open_group_menu(AppCell& cell, Host& host, std::uint64_t group, int x, int y) {
    GroupMenu m;
    {
        auto app = cell.take();
        if (!app->find_group(group)) return;
        m = build_group_menu(*app, group);
    }
    const int choice = host.show_popup_menu(m.menu, x, y);
    if (choice == 0) return;

    enum class Then { Repaint, Rename, Expand, NewTab, Close, View, Restart } then = Then::Repaint;
    std::size_t slot = 0;
    {
        auto app = cell.take();
        if (!app->find_group(group)) return;  // gone while the menu was open
        const std::optional<std::size_t> first = first_tab_of(*app, group);
        if (choice == menu_id::RENAME_GROUP) {
            then = Then::Rename;
            if (first) slot = slot_of_session(*app, *first);
        } else if (choice == menu_id::BROADCAST) {
            toggle_broadcast(*app, group);
        } else if (choice == menu_id::NEW_TAB_IN_GROUP) {
            then = Then::NewTab;
        } else if (choice == menu_id::EXPAND) {
            then = Then::Expand;
        } else if (choice == menu_id::CLOSE_GROUP) {
            then = Then::Close;
        } else if (choice == menu_id::RESTART_ENDED) {
            then = Then::Restart;
        } else if (choice == menu_id::TOP_LEVEL) {
            set_group_parent(*app, group, std::nullopt);
        } else if (choice >= menu_id::PARENT_FIRST &&
                   choice < menu_id::PARENT_FIRST + static_cast<int>(m.parents.size())) {
            // Checked again: the tree may have changed while the menu was open.
            set_group_parent(*app, group, m.parents[static_cast<std::size_t>(choice - menu_id::PARENT_FIRST)]);
        } else if (view_of_item(choice)) {
            // Tiling a group shows it around its first tab.
            if (choice == menu_id::VIEW_TILE_GROUP && first) app->active = *first;
            then = Then::View;
        }
    }
    switch (then) {
        case Then::Rename: begin_rename(cell, host, slot, RenameState::Target::Group, group); break;
        case Then::Expand: expand_group(cell, host, group); break;
        case Then::NewTab: new_tab_in_group(cell, host, group); break;
        case Then::Close: close_group(cell, host, group); return;  // may end the window
        case Then::View: set_view_mode(cell, host, *view_of_item(choice), false); break;
        case Then::Restart: restart_ended_tabs(cell, host, group); break;
        case Then::Repaint: break;
    }
    host.repaint();
}

}  // namespace ovelin
