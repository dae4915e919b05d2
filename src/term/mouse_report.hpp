#pragma once
// The bytes that tell a program about the mouse and the focus, as xterm
// writes them, for the modes the program asked for.

#include <string>

#include "term/modes.hpp"

namespace ovelin::term {

enum class MouseButton : std::uint8_t { Left, Middle, Right, None, WheelUp, WheelDown };

struct MouseEvent {
    enum class Kind : std::uint8_t { Press, Release, Motion };
    Kind kind = Kind::Press;
    // For a motion, the button held (None when none is).
    MouseButton button = MouseButton::Left;
    int row = 0, col = 0;  // the cell, from 0 at the top left
    bool shift = false, alt = false, ctrl = false;
};

// Empty when the modes do not ask for this event, or when the default
// encoding cannot carry the position (past column or row 223).
std::string encode_mouse(const Modes& modes, const MouseEvent& event);

// "CSI I" on gaining the focus, "CSI O" on losing it; empty unless asked for.
std::string encode_focus(const Modes& modes, bool focused);

}  // namespace ovelin::term
