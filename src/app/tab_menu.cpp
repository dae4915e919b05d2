// The menu of one tab (right button on its slot).

#include "app/ended_tab.hpp"
#include "app/groups.hpp"
#include "app/history_viewer.hpp"
#include "app/menus.hpp"
#include "app/rename.hpp"
#include "app/resume.hpp"
#include "app/save_output.hpp"
#include "app/sessions.hpp"
#include "app/tab_bar.hpp"
#include "app/view_mode.hpp"
#include "ui/palette.hpp"

namespace ovelin {

std::optional<ViewMode> view_of_item(int id) {
    switch (id) {
        case menu_id::VIEW_SINGLE: return ViewMode::Single;
        case menu_id::VIEW_TILE_GROUP: return ViewMode::TileGroup;
        case menu_id::VIEW_TILE_ALL: return ViewMode::TileAll;
        case menu_id::VIEW_BROWSE: return ViewMode::BrowseGroups;
        default: return std::nullopt;
    }
}

namespace {

// The tab's group when it names one that exists.
const TabGroup* own_group(const App& app, const Session& s) { return s.group ? app.find_group(*s.group) : nullptr; }

}  // namespace

void append_view_menu(Menu& menu, ViewMode current) {
    using enum ViewMode;
    menu.items.push_back(MenuItem::submenu(
        "View", {
                    MenuItem::command(menu_id::VIEW_SINGLE, "Single", current == Single),
                    MenuItem::command(menu_id::VIEW_TILE_GROUP, "Tile group\tCtrl+Shift+G", current == TileGroup),
                    MenuItem::command(menu_id::VIEW_TILE_ALL, "Tile all\tCtrl+Shift+A", current == TileAll),
                    MenuItem::command(menu_id::VIEW_BROWSE, "Browse groups\tCtrl+Shift+Z", current == BrowseGroups),
                }));
}

TabMenu build_tab_menu(const App& app, std::size_t index) {
    TabMenu m;
    const Session& s = app.sessions.at(index);
    m.session_id = s.id();
    const TabGroup* g = own_group(app, s);
    auto& items = m.menu.items;

    items.push_back(MenuItem::command(menu_id::RENAME, "Rename\tCtrl+Shift+R"));
    items.push_back(MenuItem::command(menu_id::HISTORY, "History\u2026\tCtrl+Shift+H"));

    std::vector<MenuItem> colors{MenuItem::command(menu_id::COLOR_DEFAULT, "Default", !s.color)};
    for (int i = 0; i < 8; ++i)
        colors.push_back(MenuItem::command(menu_id::COLOR_FIRST + i, palette::GROUP_NAMES[static_cast<std::size_t>(i)],
                                           s.color && *s.color % 8 == i));
    items.push_back(MenuItem::submenu("Color", std::move(colors)));

    std::vector<MenuItem> groups{MenuItem::command(menu_id::NO_GROUP, "No group", !g)};
    for (const TabGroup& each : app.groups) {
        groups.push_back(MenuItem::command(menu_id::GROUP_FIRST + static_cast<int>(m.groups.size()), each.name,
                                           g && g->id == each.id));
        m.groups.push_back(each.id);
    }
    groups.push_back(MenuItem::separator());
    groups.push_back(MenuItem::command(menu_id::NEW_GROUP, "New group"));
    items.push_back(MenuItem::submenu("Group", std::move(groups)));

    append_view_menu(m.menu, app.view_mode);

    if (g) {
        items.push_back(MenuItem::command(menu_id::NEW_TAB_IN_GROUP, "New tab in group"));
        items.push_back(MenuItem::command(menu_id::RENAME_GROUP, "Rename group"));
        items.push_back(MenuItem::command(menu_id::COLLAPSE,
                                          g->collapsed ? "Expand group\tCtrl+Shift+E" : "Collapse group\tCtrl+Shift+E"));
        items.push_back(MenuItem::command(menu_id::BROADCAST, "Broadcast input to group\tCtrl+Shift+B",
                                          app.broadcast_groups.contains(g->id)));
        if (group_has_ended_tab(app, g->id))
            items.push_back(MenuItem::command(menu_id::RESTART_ENDED, "Restart ended tabs"));
    }
    // Above the separator before "Close", so the items before it and "Close" keep their places.
    items.push_back(MenuItem::command(menu_id::SAVE_OUTPUT, "Save output\u2026"));
    items.push_back(MenuItem::separator());
    items.push_back(MenuItem::command(menu_id::CLOSE, "Close\tCtrl+Shift+W"));
    return m;
}

void open_tab_menu(AppCell& cell, Host& host, std::size_t index, int x, int y) {
    TabMenu m;
    {
        auto app = cell.take();
        if (index >= app->sessions.size()) return;
        m = build_tab_menu(*app, index);
    }
    const int choice = host.show_popup_menu(m.menu, x, y);
    if (choice == 0) return;

    // What needs the state released is done after the switch.
    enum class Then { Repaint, Rename, RenameGroup, Close, NewTabInGroup, History, View, Restart, SaveOutput };
    Then then = Then::Repaint;
    std::size_t at = 0, slot = 0;
    std::uint64_t group = 0;
    {
        auto app = cell.take();
        const auto found = app->index_of(m.session_id);
        if (!found) return;  // closed while the menu was open
        at = *found;
        Session& s = app->sessions[at];
        const TabGroup* g = own_group(*app, s);
        if (g) group = g->id;
        const bool in_group = g != nullptr;

        auto regroup = [&](std::optional<std::uint64_t> to) {
            place_in_group(*app, at, to);
            save_open_sessions(*app);
            lay_out(*app, host);
        };
        if (choice == menu_id::RENAME) {
            then = Then::Rename;
            slot = slot_of_session(*app, at);
        } else if (choice == menu_id::CLOSE) {
            then = Then::Close;
        } else if (choice == menu_id::NEW_GROUP) {
            regroup(create_group(*app));
        } else if (choice == menu_id::NO_GROUP) {
            regroup(std::nullopt);
        } else if (choice >= menu_id::GROUP_FIRST && choice < menu_id::GROUP_FIRST + static_cast<int>(m.groups.size())) {
            const std::uint64_t to = m.groups[static_cast<std::size_t>(choice - menu_id::GROUP_FIRST)];
            if (app->find_group(to)) regroup(to);
        } else if (choice == menu_id::COLOR_DEFAULT) {
            s.color.reset();
            save_open_sessions(*app);
        } else if (choice >= menu_id::COLOR_FIRST && choice < menu_id::COLOR_FIRST + 8) {
            s.color = static_cast<std::uint8_t>(choice - menu_id::COLOR_FIRST);
            save_open_sessions(*app);
        } else if (choice == menu_id::RENAME_GROUP && in_group) {
            then = Then::RenameGroup;
            slot = slot_of_session(*app, at);
        } else if (choice == menu_id::BROADCAST && in_group) {
            toggle_broadcast(*app, group);
        } else if (choice == menu_id::NEW_TAB_IN_GROUP && in_group) {
            then = Then::NewTabInGroup;
        } else if (choice == menu_id::COLLAPSE && in_group) {
            toggle_collapsed(*app, group);
        } else if (choice == menu_id::RESTART_ENDED && in_group) {
            then = Then::Restart;
        } else if (choice == menu_id::HISTORY) {
            then = Then::History;
        } else if (choice == menu_id::SAVE_OUTPUT) {
            then = Then::SaveOutput;
        } else if (view_of_item(choice)) {
            then = Then::View;
        }
    }
    switch (then) {
        case Then::Rename: begin_rename(cell, host, slot, RenameState::Target::Tab, m.session_id); break;
        case Then::RenameGroup: begin_rename(cell, host, slot, RenameState::Target::Group, group); break;
        case Then::Close: close_tab(cell, host, at); return;  // may end the window
        case Then::NewTabInGroup: new_tab_in_group(cell, host, group); break;
        case Then::History: open_history_viewer(cell, host); break;
        case Then::View: set_view_mode(cell, host, *view_of_item(choice), false); break;
        case Then::Restart: restart_ended_tabs(cell, host, group); break;
        case Then::SaveOutput: save_output(cell, host, m.session_id); break;
        case Then::Repaint: break;
    }
    host.repaint();
}

}  // namespace ovelin
