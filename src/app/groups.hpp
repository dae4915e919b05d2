#pragma once
// What the menus, the bar and the shortcuts do to tab groups.

#include <cstdint>
#include <optional>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// A new top-level group "Group N" (N its id) coloured (N - 1) mod 8.
std::uint64_t create_group(App& app);

void toggle_broadcast(App& app, std::uint64_t group);
void toggle_collapsed(App& app, std::uint64_t group);

// The first tab (in tab order) whose own group it is.
std::optional<std::size_t> first_tab_of(const App& app, std::uint64_t group);
// Tabs whose own group it is (not those of groups inside it).
std::size_t tab_count(const App& app, std::uint64_t group);

// Whether `group` is `ancestor` or lies somewhere below it.
bool is_within(const App& app, std::uint64_t group, std::uint64_t ancestor);
// The groups `group` may move into: all but itself and those below it.
std::vector<std::uint64_t> parent_candidates(const App& app, std::uint64_t group);
// Moves the group (nullopt: to the top level); false, changing nothing,
// when the new parent is the group itself or lies below it.
bool set_group_parent(App& app, std::uint64_t group, std::optional<std::uint64_t> parent);

// Shows the group's tabs again and makes its first tab active.
void expand_group(AppCell& cell, Host& host, std::uint64_t group);
// A plain new tab, placed in the group; false when it could not start.
bool new_tab_in_group(AppCell& cell, Host& host, std::uint64_t group);

}  // namespace ovelin
