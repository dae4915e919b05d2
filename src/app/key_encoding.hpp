#pragma once
// The bytes a special key sends by itself, from one table: cursor, editing
// and function keys, plain or with xterm's modifier parameter.

#include <optional>
#include <string>

#include "app/keys.hpp"

namespace ovelin {

// The plain form without modifiers (cursor keys always as CSI, F1-F4 as
// SS3); with Shift, Alt or Ctrl the modifier parameter m = 1 + Shift +
// 2 Alt + 4 Ctrl, as "\e[1;mA", "\e[5;m~" and "\e[1;mP". Shift+Tab is
// back-tab; other keys send nothing from key-down.
std::optional<std::string> key_sequence(unsigned virtual_key, Modifiers mods);

}  // namespace ovelin
