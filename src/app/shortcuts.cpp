#include "app/shortcuts.hpp"

namespace ovelin {

namespace {

KeyBinding ctrl(unsigned key, Shortcut command) { return {key, key, true, false, false, command}; }
KeyBinding ctrl_shift(unsigned key, Shortcut command) { return {key, key, true, true, false, command}; }
KeyBinding shift(unsigned key, Shortcut command) { return {key, key, false, true, false, command}; }
KeyBinding chrome(unsigned key, Shortcut command) { return {key, key, true, false, true, command}; }

const std::vector<KeyRow>& table() {
    using enum Shortcut;
    static const std::vector<KeyRow> rows{
        {"{}+Arrows", "Move selection (wraps; 4-way tiled)", {}},
        {"Ctrl+Shift+Z", "Browse groups (Enter in, Bksp up)", {ctrl_shift('Z', BrowseGroups)}},
        {"Ctrl+T / Ctrl+W", "New tab / close tab",
         {chrome('T', NewTab), chrome('W', CloseTab), ctrl_shift('T', NewTab), ctrl_shift('W', CloseTab)}},
        {"Ctrl+N", "New window", {chrome('N', NewWindow)}},
        {"Ctrl+Tab / Ctrl+Shift+Tab", "Next / previous tab", {ctrl(vk::TAB, NextTab), ctrl_shift(vk::TAB, PreviousTab)}},
        {"Ctrl+1..9", "Select tab", {{'1', '9', true, false, false, SelectTab}}},
        {"Ctrl+Shift+R", "Rename tab", {ctrl_shift('R', RenameTab)}},
        {"Ctrl+Shift+O", "Connection manager", {ctrl_shift('O', ConnectionManager)}},
        {"Ctrl+Shift+P", "Quick connect (user@host)", {ctrl_shift('P', QuickConnect)}},
        {"Ctrl+Shift+H", "History viewer", {ctrl_shift('H', HistoryViewer)}},
        {"Tab", "Expand alias / accept suggestion", {}},
        {"Ctrl+Shift+B", "Broadcast input to group", {ctrl_shift('B', Broadcast)}},
        {"Ctrl+Shift+G / Ctrl+Shift+A", "Tile group / tile all",
         {ctrl_shift('G', TileGroup), ctrl_shift('A', TileAll)}},
        {"Ctrl+Shift+E", "Collapse / expand group", {ctrl_shift('E', Collapse)}},
        {"Ctrl+Ins", "Copy screen", {ctrl(vk::INSERT, CopyScreen)}},
        {"Shift+Ins / Ctrl+Shift+Ins", "Paste", {shift(vk::INSERT, Paste), ctrl_shift(vk::INSERT, Paste)}},
        {"Drag / right-click", "Copy selection / paste", {}},
        // Ctrl+Shift+F1 is left to quick keys.
        {"Ctrl+F1", "This help (Esc closes)", {ctrl(vk::F1, Help)}},
        {"Shift+PgUp / PgDn, wheel", "Scroll back / forward",
         {shift(vk::PRIOR, PageBack), shift(vk::NEXT, PageForward)}},
        {"Ctrl+Shift+Up/Down/Home/End", "Scroll a line / to oldest / live",
         {ctrl_shift(vk::UP, LineBack), ctrl_shift(vk::DOWN, LineForward), ctrl_shift(vk::HOME, Oldest),
          ctrl_shift(vk::END, Live)}},
        {"Ctrl+Shift+F", "Find (F3 older, Shift+F3 newer)", {ctrl_shift('F', Find)}},
    };
    return rows;
}

}  // namespace

std::span<const KeyRow> key_rows() { return table(); }

std::optional<ShortcutHit> find_shortcut(unsigned key, Modifiers mods, bool chrome_tab_keys) {
    if (mods.alt) return std::nullopt;  // Alt chords are for quick keys alone
    for (const KeyRow& row : table()) {
        for (const KeyBinding& b : row.bindings) {
            if (key < b.key || key > b.last_key || mods.ctrl != b.ctrl) continue;
            if (b.shift && *b.shift != mods.shift) continue;
            if (b.only_with_chrome_tab_keys && !chrome_tab_keys) continue;
            return ShortcutHit{b.command, key - b.key};
        }
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> help_rows(std::string_view nav_modifier) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const KeyRow& row : table()) {
        std::string keys(row.keys);
        if (const auto at = keys.find("{}"); at != std::string::npos)
            keys.replace(at, 2, nav_modifier.empty() ? std::string_view("Alt") : nav_modifier);
        rows.emplace_back(std::move(keys), std::string(row.what));
    }
    return rows;
}

}  // namespace ovelin
