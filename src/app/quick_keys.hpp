#pragma once
// User-defined chords that run quick actions.

#include "app/app.hpp"
#include "app/host.hpp"
#include "app/keys.hpp"

namespace ovelin {

// Runs the first quick key whose chord is this key with exactly these
// modifiers; true when one ran (the key is then consumed).
bool run_quick_key(AppCell& cell, Host& host, unsigned virtual_key, Modifiers mods);

}  // namespace ovelin
