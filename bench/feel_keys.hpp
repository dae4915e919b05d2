#pragma once
// Keystroke to pixels, from outside: a key sent with SendInput to the
// terminal's window, and the time until the display shows its echo.

#include <cstdint>
#include <optional>
#include <vector>

#include "feel_setup.hpp"

namespace feel {

// Where and how the echo of "x" shows in a terminal at its prompt: the
// pixels that change, as they are before and after.
struct Echo {
    Region where;
    std::vector<std::uint32_t> before, after;
};

// Types "x" once and erases it again, watching `area` (client coordinates):
// nullopt when no change showed within 10 s.
std::optional<Echo> find_echo(const Terminal& t, const Region& area);

// One keystroke: milliseconds from SendInput to the frame showing the echo
// (nullopt: not within 5 s); `sent` gets the moment of SendInput. The echo
// is erased again before the call returns.
std::optional<double> keystroke(const Terminal& t, const Echo& echo, std::int64_t& sent);

}  // namespace feel
