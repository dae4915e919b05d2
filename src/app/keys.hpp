#pragma once
// Virtual-key codes as the platform numbers them (the window passes its
// key messages' codes through unchanged), and the modifier state.

#include <cstdint>

namespace ovelin::vk {

inline constexpr unsigned BACK = 0x08;
inline constexpr unsigned TAB = 0x09;
inline constexpr unsigned RETURN = 0x0D;
inline constexpr unsigned ESCAPE = 0x1B;
inline constexpr unsigned PRIOR = 0x21;  // Page Up
inline constexpr unsigned NEXT = 0x22;   // Page Down
inline constexpr unsigned END = 0x23;
inline constexpr unsigned HOME = 0x24;
inline constexpr unsigned LEFT = 0x25;
inline constexpr unsigned UP = 0x26;
inline constexpr unsigned RIGHT = 0x27;
inline constexpr unsigned DOWN = 0x28;
inline constexpr unsigned INSERT = 0x2D;
inline constexpr unsigned DELETE_KEY = 0x2E;
inline constexpr unsigned F1 = 0x70;
inline constexpr unsigned F10 = 0x79;
inline constexpr unsigned F12 = 0x7B;

}  // namespace ovelin::vk

namespace ovelin {

struct Modifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    bool operator==(const Modifiers&) const = default;
};

}  // namespace ovelin
