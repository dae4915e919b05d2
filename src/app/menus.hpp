#pragma once
// The context menus of the tab bar: a tab's menu and a collapsed group's,
// both with a "View" submenu. Built as models from the state, shown by the
// host with the state released, then acted on after looking the subject
// (and any group the choice names) up again by id.

#include <cstdint>
#include <optional>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/menu.hpp"

namespace ovelin::menu_id {
inline constexpr int RENAME = 1;
inline constexpr int CLOSE = 2;
inline constexpr int NEW_GROUP = 3;
inline constexpr int NO_GROUP = 4;
inline constexpr int RENAME_GROUP = 5;
inline constexpr int BROADCAST = 6;
inline constexpr int NEW_TAB_IN_GROUP = 7;
inline constexpr int COLLAPSE = 8;
inline constexpr int EXPAND = 9;
inline constexpr int CLOSE_GROUP = 10;
inline constexpr int VIEW_SINGLE = 11;
inline constexpr int VIEW_TILE_GROUP = 12;
inline constexpr int VIEW_TILE_ALL = 13;
inline constexpr int HISTORY = 14;
inline constexpr int VIEW_BROWSE = 15;
inline constexpr int RESTART_ENDED = 16;
inline constexpr int SAVE_OUTPUT = 17;
inline constexpr int COLOR_DEFAULT = 100;
inline constexpr int COLOR_FIRST = 101;   // + colour index 0..7
inline constexpr int GROUP_FIRST = 200;   // + position in the tab menu's group list
inline constexpr int TOP_LEVEL = 400;
inline constexpr int PARENT_FIRST = 401;  // + position among the eligible parents
}  // namespace ovelin::menu_id

namespace ovelin {

void append_view_menu(Menu& menu, ViewMode current);
// The mode a "View" item stands for.
std::optional<ViewMode> view_of_item(int id);

struct TabMenu {
    Menu menu;
    std::uint64_t session_id = 0;
    std::vector<std::uint64_t> groups;  // the group each GROUP_FIRST + k names
};
TabMenu build_tab_menu(const App& app, std::size_t index);

struct GroupMenu {
    Menu menu;
    std::uint64_t group_id = 0;
    std::vector<std::uint64_t> parents;  // the group each PARENT_FIRST + k names
};
GroupMenu build_group_menu(const App& app, std::uint64_t group);

// Shows the menu at a client point and carries out the choice.
void open_tab_menu(AppCell& cell, Host& host, std::size_t index, int x, int y);
void open_group_menu(AppCell& cell, Host& host, std::uint64_t group, int x, int y);

}  // namespace ovelin
