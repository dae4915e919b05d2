#pragma once
// The main window's fixed colours.

#include <array>
#include <cstdint>

#include "term/screen.hpp"
#include "ui/canvas.hpp"

namespace ovelin::palette {

inline constexpr Rgb BACKGROUND{12, 14, 18};
inline constexpr Rgb FOREGROUND{220, 223, 228};
inline constexpr Rgb SELECTED_TEXT{240, 244, 250};
inline constexpr Rgb SELECTED_BACKGROUND{52, 101, 164};
inline constexpr Rgb GHOST_TEXT{120, 126, 138};
inline constexpr Rgb CURSOR{225, 229, 237};
inline constexpr Rgb FOUND_TEXT{12, 14, 18};
inline constexpr Rgb FOUND_BACKGROUND{193, 156, 0};
inline constexpr Rgb CURRENT_FOUND_BACKGROUND{249, 241, 165};
inline constexpr Rgb SCROLL_THUMB{120, 126, 138};

inline constexpr std::array<Rgb, 16> ANSI{{
    {12, 12, 12},    {197, 15, 31},   {19, 161, 14},   {193, 156, 0},
    {0, 55, 218},    {136, 23, 152},  {58, 150, 221},  {204, 204, 204},
    {118, 118, 118}, {231, 72, 86},   {22, 198, 12},   {249, 241, 165},
    {59, 120, 255},  {180, 0, 158},   {97, 214, 214},  {242, 242, 242},
}};

// The eight group colours, by stored index (reduced modulo 8).
inline constexpr std::array<Rgb, 8> GROUP{{
    {231, 72, 86}, {247, 140, 60}, {249, 241, 165}, {22, 198, 12},
    {97, 214, 214}, {59, 120, 255}, {200, 80, 200}, {150, 150, 150},
}};

// Their names in menus, by the same index.
inline constexpr std::array<const char*, 8> GROUP_NAMES{
    "Red", "Orange", "Yellow", "Green", "Cyan", "Blue", "Purple", "Gray",
};

// Indexed colours past the sixteen: xterm's 6 x 6 x 6 cube (16-231), then
// its grey ramp (232-255).
constexpr Rgb indexed_color(std::uint8_t i) {
    if (i < 16) return ANSI[i];
    if (i >= 232) {
        const auto grey = static_cast<std::uint8_t>(8 + 10 * (i - 232));
        return {grey, grey, grey};
    }
    constexpr std::uint8_t levels[6] = {0, 95, 135, 175, 215, 255};
    const int cube = i - 16;
    return {levels[cube / 36], levels[cube / 6 % 6], levels[cube % 6]};
}

inline Rgb cell_color(const Color& c, bool foreground) {
    switch (c.kind) {
        case Color::Kind::Default: return foreground ? FOREGROUND : BACKGROUND;
        case Color::Kind::Indexed: return indexed_color(c.index);
        case Color::Kind::Rgb: return {c.r, c.g, c.b};
    }
    return foreground ? FOREGROUND : BACKGROUND;
}

}  // namespace ovelin::palette
