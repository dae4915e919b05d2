#pragma once
// The mouse reported to a program that asked for it (its DEC mouse modes),
// instead of selecting: presses, releases, drags and moves, and the wheel,
// to the one session under the pointer, never to a broadcast group. Shift
// held keeps the mouse ours (selecting and pasting), so text can always be
// copied. Each answers true when it reported (or swallowed) the event, and
// the caller then does nothing else with it.

#include <cstdint>

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/keys.hpp"

namespace ovelin {

enum class PointerButton : std::uint8_t { Left, Middle, Right };

// A press in the main area (after the tile under it was made active).
bool report_press(AppCell& cell, Host& host, PointerButton button, int x, int y, Modifiers mods);
// The release of a button whose press was reported.
bool report_release(AppCell& cell, Host& host, PointerButton button, int x, int y, Modifiers mods);
// A move: a drag of a reported press (outside the terminal too, while the
// mouse is captured: the nearest cell), or any move over a session whose
// program asked for every move. Within one cell nothing is reported again.
bool report_move(AppCell& cell, Host& host, int x, int y, Modifiers mods);
// The mouse capture went elsewhere (another window took it) with buttons
// still held: the program hears them released where it last heard of them,
// so no button stays down for it.
void report_capture_lost(AppCell& cell);
// Wheel notches, up when positive, of `lines_per_notch` lines each (0: a
// screen's rows): one report a line.
bool report_wheel(AppCell& cell, Host& host, int x, int y, int notches, int lines_per_notch, Modifiers mods);

}  // namespace ovelin
