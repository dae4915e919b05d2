#include "app/input.hpp"

#include <algorithm>

#include "app/clipboard.hpp"
#include "app/ended_tab.hpp"
#include "app/help.hpp"
#include "app/history_viewer.hpp"
#include "app/rename.hpp"
#include "app/selection.hpp"
#include "app/sessions.hpp"
#include "core/utf.hpp"

namespace ovelin {

void send_input(App& app, std::string_view bytes) {
    if (app.sessions.empty() || app.active >= app.sessions.size()) return;
    const Session& active = app.sessions[app.active];
    if (active.ended()) return;  // nothing can be written to a dead console
    if (active.group && app.broadcast_groups.contains(*active.group)) {
        for (Session& s : app.sessions)
            if (s.group == active.group && !s.ended()) s.pty->write(bytes);
        return;
    }
    active.pty->write(bytes);
}

std::optional<std::string> key_sequence(unsigned virtual_key, Modifiers mods) {
    switch (virtual_key) {
        case vk::UP: return "\x1b[A";
        case vk::DOWN: return "\x1b[B";
        case vk::RIGHT: return "\x1b[C";
        case vk::LEFT: return "\x1b[D";
        case vk::HOME: return "\x1b[H";
        case vk::END: return "\x1b[F";
        case vk::INSERT: return "\x1b[2~";
        case vk::DELETE_KEY: return "\x1b[3~";
        case vk::PRIOR: return "\x1b[5~";
        case vk::NEXT: return "\x1b[6~";
        case vk::F1: return "\x1bOP";
        case vk::F1 + 1: return "\x1bOQ";
        case vk::F1 + 2: return "\x1bOR";
        case vk::F1 + 3: return "\x1bOS";
        case vk::F1 + 4: return "\x1b[15~";
        case vk::F1 + 5: return "\x1b[17~";
        case vk::F1 + 6: return "\x1b[18~";
        case vk::F1 + 7: return "\x1b[19~";
        case vk::F1 + 8: return "\x1b[20~";
        case vk::F1 + 9: return "\x1b[21~";
        case vk::F1 + 10: return "\x1b[23~";
        case vk::F1 + 11: return "\x1b[24~";
        case vk::TAB:
            if (mods.shift) return "\x1b[Z";
            return std::nullopt;
        default: return std::nullopt;
    }
}

namespace {

bool is_arrow(unsigned k) { return k >= vk::LEFT && k <= vk::DOWN; }

// The navigation chord from "alt", "ctrl+shift" and the like; nullopt when
// any part names no modifier (arrow navigation is then off).
std::optional<Modifiers> nav_chord(const std::string& text) {
    Modifiers m;
    std::size_t start = 0;
    bool any = false;
    for (;;) {
        std::size_t plus = text.find('+', start);
        std::string part = text.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        std::transform(part.begin(), part.end(), part.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        if (part == "ctrl")
            m.ctrl = true;
        else if (part == "alt")
            m.alt = true;
        else if (part == "shift")
            m.shift = true;
        else
            return std::nullopt;
        any = true;
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    if (!any) return std::nullopt;
    return m;
}

enum class Shortcut { None, NewTab, CloseTab, RenameTab, NextTab, PreviousTab, SelectTab, CopyScreen, Paste, Help, History };

Shortcut shortcut(const App& app, unsigned key, Modifiers m) {
    if (key == vk::INSERT && m.shift) return Shortcut::Paste;
    if (!m.ctrl) return Shortcut::None;
    if (key == vk::INSERT) return Shortcut::CopyScreen;
    if (key == vk::F1 && !m.shift) return Shortcut::Help;
    if (m.shift && key == 'H') return Shortcut::History;
    if (app.settings.keys.chrome_tab_keys && !m.shift) {
        if (key == 'T') return Shortcut::NewTab;
        if (key == 'W') return Shortcut::CloseTab;
    }
    if (m.shift && key == 'T') return Shortcut::NewTab;
    if (m.shift && key == 'W') return Shortcut::CloseTab;
    if (m.shift && key == 'R') return Shortcut::RenameTab;
    if (key == vk::TAB) return m.shift ? Shortcut::PreviousTab : Shortcut::NextTab;
    if (!m.shift && key >= '1' && key <= '9') return Shortcut::SelectTab;
    return Shortcut::None;
}

}  // namespace

void on_key_down(AppCell& cell, Host& host, unsigned key, Modifiers mods) {
    Shortcut command = Shortcut::None;
    std::size_t select_index = 0;
    {
        auto app = cell.take();
        const bool browsing = app->view_mode == ViewMode::BrowseGroups;
        // (group-browser keys are handled here once browsing exists)

        if (is_arrow(key)) {
            if (auto chord = nav_chord(app->settings.keys.nav_modifier); chord && *chord == mods) {
                const std::size_t n = app->sessions.size();
                if (n > 0 && app->view_mode == ViewMode::Single && (key == vk::LEFT || key == vk::RIGHT)) {
                    app->active = key == vk::LEFT ? (app->active + n - 1) % n : (app->active + 1) % n;
                    lay_out(*app, host);
                    host.repaint();
                }
                return;  // the arrow is consumed whatever happens
            }
        }

        if (!mods.alt) {
            command = shortcut(*app, key, mods);
            if (command == Shortcut::SelectTab) select_index = key - '1';
        }
        if (command == Shortcut::None) {
            // (quick keys are tried here)
            if (browsing) return;
            if (active_tab_ended(*app)) return;  // its closing keys act on their characters
            if (auto bytes = key_sequence(key, mods)) send_input(*app, *bytes);
            return;
        }
        const std::size_t n = app->sessions.size();
        if (command == Shortcut::NextTab || command == Shortcut::PreviousTab) {
            if (n == 0) return;
            app->active = command == Shortcut::NextTab ? (app->active + 1) % n : (app->active + n - 1) % n;
            lay_out(*app, host);
            host.repaint();
            return;
        }
        if (command == Shortcut::CloseTab) select_index = app->active;
    }
    // Commands that may end the window or open things run with the state released.
    switch (command) {
        case Shortcut::NewTab: open_terminal(cell, host, SpawnRequest{}); break;
        case Shortcut::CloseTab: close_tab(cell, host, select_index); break;
        case Shortcut::SelectTab: activate(cell, host, select_index); break;
        case Shortcut::RenameTab: rename_active_tab(cell, host); break;
        case Shortcut::CopyScreen: copy_screen(cell, host); break;
        case Shortcut::Paste: paste_clipboard(cell, host); break;
        case Shortcut::Help: toggle_help(cell, host); break;
        case Shortcut::History: open_history_viewer(cell, host); break;
        default: break;
    }
}

void on_char(AppCell& cell, Host& host, char16_t unit, Modifiers mods) {
    // Backspace gives 0x08 and Ctrl+Backspace 0x7F; terminals expect the reverse.
    if (unit == 0x7F)
        unit = 0x08;
    else if (unit == 0x08)
        unit = 0x7F;
    if (ended_tab_takes_char(cell, host, unit, mods)) return;

    auto app = cell.take();
    if (unit == 0x1B && app->help_visible) {
        app->help_visible = false;
        host.repaint();
        return;
    }
    if (app->view_mode == ViewMode::BrowseGroups) return;

    if (mods.ctrl) {
        if (mods.shift || unit == 0x09) return;  // shortcut chords
        if ((unit == 0x0E || unit == 0x14 || unit == 0x17) && app->settings.keys.chrome_tab_keys) return;
    } else if (unit == 0x09) {
        if (mods.shift) return;  // key-down already sent back-tab
        // (alias expansion and suggestions take Tab here)
        send_input(*app, "\t");
        return;
    }

    if (unit >= 0xD800 && unit <= 0xDBFF) {
        app->pending_high_surrogate = unit;
        return;
    }
    std::u16string text;
    if (app->pending_high_surrogate) text += *app->pending_high_surrogate;
    app->pending_high_surrogate.reset();
    text += unit;
    auto utf8 = utf16_to_utf8(text);
    if (!utf8) return;  // an unpaired surrogate
    // (command-line tracking sees the text here, and ends a mouse selection)
    if (end_selection(*app)) host.repaint();
    send_input(*app, *utf8);
}

}  // namespace ovelin
