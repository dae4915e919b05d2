#pragma once
// From key and character messages to the bytes a session receives.

#include <optional>
#include <string>
#include <string_view>

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/key_encoding.hpp"
#include "app/keys.hpp"

namespace ovelin {

// The one way bytes reach sessions: the active session, or every session of
// its group when that group broadcasts; one write each, in tab order. Each
// session written to shows its live screen again.
void send_input(App& app, std::string_view bytes);
// Bytes for one session alone (never broadcast), on the same terms.
void send_to_session(Session& s, std::string_view bytes);

// WM_KEYDOWN, in order: the group browser's keys, the navigation chord with
// an arrow, the built-in shortcuts (Alt up), the quick keys, then the key's
// sequence for the terminal (never while browsing).
void on_key_down(AppCell& cell, Host& host, unsigned virtual_key, Modifiers mods);

// WM_SYSKEYDOWN: an arrow that is the navigation chord, and F10 without Alt
// (which Windows sends as a system key), are ours; true when consumed. Every
// other system key stays with the platform (Alt+F4, Alt+Space, the menu).
bool on_system_key_down(AppCell& cell, Host& host, unsigned virtual_key, Modifiers mods);

// WM_KEYUP. The characters of a key-down the window took (a shortcut, a
// quick key, a browser or ended-tab key) arrive between it and the next
// key-down or key-up, and are not typed.
void on_key_up(AppCell& cell);

// WM_CHAR: one UTF-16 code unit.
void on_char(AppCell& cell, Host& host, char16_t unit, Modifiers mods);

}  // namespace ovelin
