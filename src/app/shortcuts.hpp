#pragma once
// The built-in shortcut keys as one table: key dispatch finds a key's
// command in it, and the help overlay lists its rows (the README's key
// table follows the same rows). Like a key-bindings list that also prints
// itself, nothing about a shortcut is written down twice.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/keys.hpp"

namespace ovelin {

enum class Shortcut {
    NewTab, CloseTab, NewWindow, NextTab, PreviousTab, SelectTab, RenameTab, Broadcast, BrowseGroups,
    TileGroup, TileAll, Collapse, ConnectionManager, QuickConnect, HistoryViewer, CopyScreen, Paste, Help,
    PageBack, PageForward, LineBack, LineForward, Oldest, Live, Find,
};

// A chord: Ctrl as given, Shift as given (or either when unset), Alt up;
// keys from `key` to `last_key` (a range such as Ctrl+1 ... Ctrl+9).
struct KeyBinding {
    unsigned key = 0, last_key = 0;
    bool ctrl = false;
    std::optional<bool> shift;
    bool only_with_chrome_tab_keys = false;  // the plain Ctrl+T / Ctrl+W / Ctrl+N
    Shortcut command{};
};

// One row of the help: what it shows, and the chords it stands for (none
// for what is not a key-down shortcut: the arrow chord, Tab, the mouse).
struct KeyRow {
    std::string_view keys;
    std::string_view what;
    std::vector<KeyBinding> bindings;
};

// In the help overlay's order. The first row's keys are a template: "{}"
// stands for the navigation modifier.
std::span<const KeyRow> key_rows();

struct ShortcutHit {
    Shortcut command;
    unsigned index = 0;  // the key's place in its binding's range
};
// The built-in shortcut a key-down is, if any; none with Alt held.
std::optional<ShortcutHit> find_shortcut(unsigned key, Modifiers mods, bool chrome_tab_keys);

// The help overlay's rows: key text and description. The first names the
// navigation modifier as stored, "Alt" when the setting is empty.
std::vector<std::pair<std::string, std::string>> help_rows(std::string_view nav_modifier);

}  // namespace ovelin
