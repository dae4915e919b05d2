#pragma once
// Each session's view over its history: scrolled back by keys, the wheel and
// the thumb; any input sent to the session brings it back to the live screen
// (send_input). Offsets count lines above the live screen.

#include <cstdint>

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/keys.hpp"

namespace ovelin {

// Moves the session's view `lines` lines (negative: back into the history),
// within the history; nothing while the alternate screen is on. True when
// the view moved.
bool scroll_view(Session& s, std::int64_t lines);
// To the oldest line kept, or back to the live screen.
bool scroll_view_to(Session& s, bool oldest);
std::uint64_t view_offset(const Session& s);

enum class ScrollKey { PageBack, PageForward, LineBack, LineForward, Oldest, Live };
// A scroll key for the active session: false while its alternate screen is on
// (the key then goes to the program, as if no shortcut had it).
bool scroll_active(App& app, Host& host, ScrollKey key);

inline constexpr int WHEEL_NOTCH = 120;

// What the wheel does over a session: its one decision point. A program that
// asked for the mouse hears it (Shift keeps it the window's); a program on
// the alternate screen that did not gets arrow keys; else the view scrolls.
enum class WheelAction { Report, Arrows, Scroll, Nothing };
WheelAction wheel_action(const Screen& screen, bool shift);

// The wheel over the window: `delta` in 120ths of a notch (positive: away
// from the user), `lines_per_notch` as the system is set (0: none,
// WHEEL_PAGE: a page). Parts of a notch add up per session.
void on_wheel(AppCell& cell, Host& host, int x, int y, int delta, unsigned lines_per_notch, Modifiers mods = {});

// The scroll thumb: a press on it starts a drag (true: the press is taken),
// a move while dragging scrolls (true when the view moved), the release ends it.
bool begin_thumb_drag(App& app, ClientSize size, int x, int y);
bool drag_thumb(App& app, ClientSize size, int y);
bool end_thumb_drag(App& app);

}  // namespace ovelin
