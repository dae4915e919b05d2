#pragma once
// User-defined chords that run quick actions.

#include <optional>
#include <string_view>

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/keys.hpp"

namespace ovelin {

struct Chord {
    Modifiers mods;
    unsigned key = 0;  // a virtual-key code: 'A'-'Z', '0'-'9' or F1-F12
    bool operator==(const Chord&) const = default;
};

// "Ctrl+Alt+R", "ctrl+shift+f5", "Alt+Ctrl+7": at least one modifier word
// (ctrl, alt, shift in any ASCII case, no spaces), then one letter, one digit
// or F1-F12. Anything else is not a chord.
std::optional<Chord> parse_chord(std::string_view text);

// Chords the built-in shortcuts keep: a quick key bound to one never runs.
bool is_reserved_chord(const Settings& settings, unsigned virtual_key, Modifiers mods);

// Runs the first quick key whose chord is this key with exactly these
// modifiers; true when one ran (the key is then consumed). Takes the state
// itself and gives it up before opening anything.
bool run_quick_key(AppCell& cell, Host& host, unsigned virtual_key, Modifiers mods);

}  // namespace ovelin
