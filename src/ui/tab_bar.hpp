#pragma once
// The strip along the top of the window: one slot per item, then the "+"
// button in the last 40 pixels. Geometry, hit test and painting share one
// set of numbers, so what is drawn is what a click reaches. All sizes are
// device pixels and do not scale with the DPI.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "ui/canvas.hpp"

namespace ovelin {

inline constexpr int BAR_HEIGHT = 34;
inline constexpr int BAR_PLUS_WIDTH = 40;

// One slot: a tab, or a collapsed group standing for all its tabs.
struct TabBarItem {
    enum class Kind { Tab, Group };
    Kind kind = Kind::Tab;
    std::size_t session = 0;   // a tab's index in the tab order
    std::uint64_t group = 0;   // a group item's group id
    std::string label;         // UTF-8
    std::optional<Rgb> stripe;     // 3 pixels along the top
    std::optional<Rgb> underline;  // 2 pixels along the bottom
    bool active = false;
};

// 180 with no items; otherwise an equal share of the width left of the
// "+", kept to 72..180.
int slot_width(int client_width, std::size_t item_count);

// How many slots are drawn and reachable: those that start left of the "+".
std::size_t visible_slots(int client_width, std::size_t item_count);

// Slot i, its right edge cut at the "+" button.
Rect slot_rect(int client_width, std::size_t item_count, std::size_t slot);

struct BarHit {
    enum class Kind { None, Body, Close, Plus };
    Kind kind = Kind::None;
    std::size_t slot = 0;
    bool operator==(const BarHit&) const = default;
};

BarHit hit_test_bar(int client_width, std::size_t item_count, int x, int y);

// Draws on the window background with the current (bar) font.
void paint_tab_bar(Canvas& canvas, std::span<const TabBarItem> items, int client_width);

}  // namespace ovelin
