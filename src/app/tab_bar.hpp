#pragma once
// The tab bar built from the application state, and what the mouse does
// there. Items are rebuilt for every paint and every click: nothing about
// slots is kept between them.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/tab_bar.hpp"

namespace ovelin {

// In tab order; the tabs of a collapsed group share one item at the place
// of the first of them. Only a tab's own group hides it.
std::vector<TabBarItem> build_bar_items(const App& app);

// The slot showing the session: its own, its collapsed group's, else 0.
std::size_t slot_of_session(std::span<const TabBarItem> items, const App& app, std::size_t index);
std::size_t slot_of_session(const App& app, std::size_t index);

void paint_bar(const App& app, Canvas& canvas, int client_width);

// Mouse presses at a point of the strip (y < 34).
void on_bar_left_down(AppCell& cell, Host& host, int x, int y);
void on_bar_double_click(AppCell& cell, Host& host, int x, int y);
void on_bar_right_down(AppCell& cell, Host& host, int x, int y);
void on_bar_middle_down(AppCell& cell, Host& host, int x, int y);

}  // namespace ovelin
