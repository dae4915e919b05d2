#include "app/input.hpp"

#include <algorithm>

#include "app/browse.hpp"
#include "app/clipboard.hpp"
#include "app/dialogs.hpp"
#include "app/ended_tab.hpp"
#include "app/find.hpp"
#include "app/groups.hpp"
#include "app/help.hpp"
#include "app/history_viewer.hpp"
#include "app/quick_keys.hpp"
#include "app/rename.hpp"
#include "app/scrolling.hpp"
#include "app/selection.hpp"
#include "app/sessions.hpp"
#include "app/shortcuts.hpp"
#include "app/tiling.hpp"
#include "app/tracking.hpp"
#include "app/view_mode.hpp"
#include "core/utf.hpp"

namespace ovelin {

void send_to_session(Session& s, std::string_view bytes) {
    if (s.ended()) return;  // nothing can be written to a dead console
    s.view_top.reset();     // the user looks where the input goes
    s.pty->write(bytes);
}

void send_input(App& app, std::string_view bytes) {
    if (app.sessions.empty() || app.active >= app.sessions.size()) return;
    Session& active = app.sessions[app.active];
    if (active.ended()) return;
    if (active.group && app.broadcast_groups.contains(*active.group)) {
        const std::optional<std::uint64_t> group = active.group;
        for (Session& s : app.sessions)
            if (s.group == group) send_to_session(s, bytes);
        return;
    }
    send_to_session(active, bytes);
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

// What a key-down asks for once the state is given up: the commands that
// may open windows, start processes or end the window.
enum class Command {
    None,  // not handled: quick keys, then the terminal
    Done,  // handled with the state held
    NewTab,
    CloseTab,
    NewWindow,
    RenameTab,
    Paste,
    CopyScreen,
    Help,
    ConnectionManager,
    QuickConnect,
    HistoryViewer,
    Find,
};

int arrow_dx(unsigned k) { return k == vk::LEFT ? -1 : k == vk::RIGHT ? 1 : 0; }
int arrow_dy(unsigned k) { return k == vk::UP ? -1 : k == vk::DOWN ? 1 : 0; }

std::optional<std::uint64_t> active_group(const App& app) {
    if (app.active >= app.sessions.size()) return std::nullopt;
    return app.sessions[app.active].group;
}

// Browser keys without Ctrl or Shift.
bool browse_key(App& app, Host& host, unsigned key) {
    switch (key) {
        case vk::BACK: browse_up(app, host); return true;
        case vk::RETURN: browse_open(app, host); return true;
        case vk::ESCAPE: toggle_browsing(app, host); return true;
        default: break;
    }
    if (!is_arrow(key)) return false;
    browse_move(app, arrow_dx(key), arrow_dy(key));
    host.repaint();
    return true;
}

// Moves the active tab: forward or back by one (wrapping), or to an index.
void step_active(App& app, Host& host, std::size_t to) {
    app.active = to;
    lay_out(app, host);
    host.repaint();
}

// The built-in shortcuts (Alt up); those that only change the state run here.
Command shortcut(App& app, Host& host, unsigned key, Modifiers m) {
    const auto hit = find_shortcut(key, m, app.settings.keys.chrome_tab_keys);
    if (!hit) return Command::None;
    auto scroll = [&](ScrollKey k) { return scroll_active(app, host, k) ? Command::Done : Command::None; };
    const std::size_t n = app.sessions.size();
    switch (hit->command) {
        case Shortcut::NewTab: return Command::NewTab;
        case Shortcut::CloseTab: return Command::CloseTab;
        case Shortcut::NewWindow: return Command::NewWindow;
        case Shortcut::RenameTab: return Command::RenameTab;
        case Shortcut::Paste: return Command::Paste;
        case Shortcut::CopyScreen: return Command::CopyScreen;
        case Shortcut::Help: return Command::Help;
        case Shortcut::ConnectionManager: return Command::ConnectionManager;
        case Shortcut::QuickConnect: return Command::QuickConnect;
        case Shortcut::HistoryViewer: return Command::HistoryViewer;
        case Shortcut::Find: return Command::Find;
        case Shortcut::Broadcast:
            if (auto g = active_group(app)) {
                toggle_broadcast(app, *g);
                host.repaint();
            }
            return Command::Done;
        case Shortcut::Collapse:
            if (auto g = active_group(app)) {
                toggle_collapsed(app, *g);
                host.repaint();
            }
            return Command::Done;
        case Shortcut::BrowseGroups: toggle_browsing(app, host); return Command::Done;
        case Shortcut::TileGroup: set_view_mode(app, host, ViewMode::TileGroup, true); return Command::Done;
        case Shortcut::TileAll: set_view_mode(app, host, ViewMode::TileAll, true); return Command::Done;
        case Shortcut::NextTab:
            if (n > 0) step_active(app, host, (app.active + 1) % n);
            return Command::Done;
        case Shortcut::PreviousTab:
            if (n > 0) step_active(app, host, (app.active + n - 1) % n);
            return Command::Done;
        case Shortcut::SelectTab:
            if (hit->index < n) step_active(app, host, hit->index);
            return Command::Done;
        // On the alternate screen these go to the program instead.
        case Shortcut::PageBack: return scroll(ScrollKey::PageBack);
        case Shortcut::PageForward: return scroll(ScrollKey::PageForward);
        case Shortcut::LineBack: return scroll(ScrollKey::LineBack);
        case Shortcut::LineForward: return scroll(ScrollKey::LineForward);
        case Shortcut::Oldest: return scroll(ScrollKey::Oldest);
        case Shortcut::Live: return scroll(ScrollKey::Live);
    }
    return Command::None;
}

// Browser keys, the navigation chord, then the shortcuts, as far as they
// can go with the state held.
Command key_down_with_state(App& app, Host& host, unsigned key, Modifiers m) {
    if (app.view_mode == ViewMode::BrowseGroups && !m.alt) {
        if (m.ctrl && key == vk::TAB) {
            browse_step(app, m.shift);
            host.repaint();
            return Command::Done;
        }
        if (!m.ctrl && !m.shift && browse_key(app, host, key)) return Command::Done;
    }
    if (is_arrow(key)) {
        if (auto chord = nav_chord(app.settings.keys.nav_modifier); chord && *chord == m) {
            move_active(app, host, arrow_dx(key), arrow_dy(key));
            return Command::Done;  // the arrow is consumed whatever happens
        }
    }
    if (m.alt) return Command::None;  // Alt chords are for quick keys alone
    return shortcut(app, host, key, m);
}

}  // namespace

void on_key_down(AppCell& cell, Host& host, unsigned key, Modifiers mods) {
    Command command = Command::None;
    std::size_t active = 0;
    bool any_tab = false;
    {
        auto app = cell.take();
        // Taken until it reaches the terminal below; set before anything runs,
        // as a dialog's loop may deliver the character meanwhile.
        app->key_taken = true;
        command = key_down_with_state(*app, host, key, mods);
        active = app->active;
        any_tab = !app->sessions.empty();
    }
    switch (command) {
        case Command::Done: return;
        case Command::None: break;
        case Command::NewTab: open_terminal(cell, host, SpawnRequest{}, StartFailure::Report); return;
        case Command::CloseTab:
            if (any_tab) close_tab(cell, host, active);
            return;
        case Command::NewWindow: host.start_new_window(); return;
        case Command::RenameTab: rename_active_tab(cell, host); return;
        case Command::Paste: paste_clipboard(cell, host); return;
        case Command::CopyScreen: copy_screen(cell, host); return;
        case Command::Help: toggle_help(cell, host); return;
        case Command::ConnectionManager: open_connection_manager(cell, host); return;
        case Command::QuickConnect: open_quick_connect(cell, host); return;
        case Command::HistoryViewer: open_history_viewer(cell, host); return;
        case Command::Find: toggle_find(cell, host); return;
    }
    if (run_quick_key(cell, host, key, mods)) return;
    if (ended_tab_key(cell, host, key, mods)) return;

    auto app = cell.take();
    if (app->view_mode == ViewMode::BrowseGroups) return;  // nothing reaches a terminal while browsing
    app->key_taken = false;
    if (active_tab_ended(*app)) return;
    if (auto bytes = key_sequence(key, mods)) send_input(*app, *bytes);
}

bool on_system_key_down(AppCell& cell, Host& host, unsigned key, Modifiers mods) {
    // Windows sends plain F10 as a system key; here it is a terminal key.
    if (key == vk::F10 && !mods.alt) {
        on_key_down(cell, host, key, mods);
        return true;
    }
    if (!is_arrow(key)) return false;
    auto app = cell.take();
    auto chord = nav_chord(app->settings.keys.nav_modifier);
    if (!chord || *chord != mods) return false;
    move_active(*app, host, arrow_dx(key), arrow_dy(key));
    return true;
}

void on_key_up(AppCell& cell) {
    // A key's characters come before any later key-up: what follows is typed.
    cell.take()->key_taken = false;
}

void on_char(AppCell& cell, Host& host, char16_t unit, Modifiers mods) {
    // Backspace gives 0x08 and Ctrl+Backspace 0x7F; terminals expect the reverse.
    if (unit == 0x7F)
        unit = 0x08;
    else if (unit == 0x08)
        unit = 0x7F;
    auto app = cell.take();
    if (app->key_taken) return;
    if (unit == 0x1B && app->help_visible) {
        app->help_visible = false;
        host.repaint();
        return;
    }
    if (app->view_mode == ViewMode::BrowseGroups) return;
    if (active_tab_ended(*app)) return;  // no input but the keys that restart or close it

    if (mods.ctrl) {
        if (mods.shift || unit == 0x09) return;  // shortcut chords
        if ((unit == 0x0E || unit == 0x14 || unit == 0x17) && app->settings.keys.chrome_tab_keys) return;
    } else if (unit == 0x09) {
        if (mods.shift) return;  // key-down already sent back-tab
        complete_on_tab(*app);
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
    if (end_selection(*app)) host.repaint();  // typing ends a mouse selection
    track_input(*app, *utf8);
    send_input(*app, *utf8);
}

}  // namespace ovelin
