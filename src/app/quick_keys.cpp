#include "app/quick_keys.hpp"

#include "app/help.hpp"
#include "app/input.hpp"
#include "app/rename.hpp"
#include "app/sessions.hpp"
#include "app/tracking.hpp"

namespace ovelin {

namespace {

bool equals_ascii_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

std::optional<unsigned> chord_key(std::string_view k) {
    if (k.size() == 1) {
        const char c = k[0];
        if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<unsigned>(c);
        return std::nullopt;
    }
    if (k.size() < 2 || (k[0] != 'F' && k[0] != 'f') || k.size() > 4) return std::nullopt;
    unsigned n = 0;
    for (char c : k.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n < 1 || n > 12) return std::nullopt;
    return vk::F1 + n - 1;
}

struct Outcome {
    enum class Then { Nothing, Error, OpenProfile, Rename, Help } then = Then::Nothing;
    std::string error;
    ConnectionProfile profile;
};

// The actions that need nothing outside the state run here; the others are
// named for the caller to run once the state is released.
Outcome act(App& app, const QuickAction& action) {
    Outcome out;
    if (const auto* open = std::get_if<OpenProfile>(&action)) {
        for (const ConnectionProfile& p : app.profiles)
            if (p.id == open->profile_id) {
                out.then = Outcome::Then::OpenProfile;
                out.profile = p;
                return out;
            }
        out.then = Outcome::Then::Error;
        out.error = "Quick key points to a deleted profile";
    } else if (const auto* send = std::get_if<SendText>(&action)) {
        if (app.active >= app.sessions.size() || app.sessions[app.active].ended()) return out;  // nowhere to send
        send_input(app, send->text);
        record_line(app, send->text);
    } else if (const auto* run = std::get_if<RunAlias>(&action)) {
        const Alias* alias = nullptr;
        for (const Alias& a : app.aliases)
            if (a.name == run->alias) {
                alias = &a;
                break;
            }
        if (!alias) {
            out.then = Outcome::Then::Error;
            out.error = "Quick key points to a deleted alias";
            return out;
        }
        if (app.active >= app.sessions.size() || app.sessions[app.active].ended()) return out;
        const std::string expansion = alias->expansion;
        send_input(app, alias->send_enter ? expansion + '\r' : expansion);
        record_line(app, expansion);
    } else if (std::holds_alternative<RenameTab>(action)) {
        out.then = Outcome::Then::Rename;
    } else if (std::holds_alternative<ShowHelp>(action)) {
        out.then = Outcome::Then::Help;
    }
    return out;
}

}  // namespace

std::optional<Chord> parse_chord(std::string_view text) {
    Chord chord;
    std::size_t parts = 0;
    for (;;) {
        const std::size_t plus = text.find('+');
        const std::string_view part = text.substr(0, plus);
        ++parts;
        if (plus == std::string_view::npos) {
            if (parts < 2) return std::nullopt;
            auto key = chord_key(part);
            if (!key) return std::nullopt;
            chord.key = *key;
            return chord;
        }
        if (equals_ascii_nocase(part, "ctrl"))
            chord.mods.ctrl = true;
        else if (equals_ascii_nocase(part, "alt"))
            chord.mods.alt = true;
        else if (equals_ascii_nocase(part, "shift"))
            chord.mods.shift = true;
        else
            return std::nullopt;
        text.remove_prefix(plus + 1);
    }
}

bool is_reserved_chord(const Settings& settings, unsigned key, Modifiers mods) {
    if (!mods.ctrl || mods.alt) return false;
    if (mods.shift) {
        switch (key) {
            case 'A': case 'B': case 'E': case 'G': case 'H': case 'O': case 'P':
            case 'R': case 'T': case 'W': case 'Z': case vk::TAB: case vk::INSERT: return true;
            default: return false;
        }
    }
    if (key == vk::TAB || key == vk::INSERT || key == vk::F1 || (key >= '1' && key <= '9')) return true;
    return settings.keys.chrome_tab_keys && (key == 'N' || key == 'T' || key == 'W');
}

bool run_quick_key(AppCell& cell, Host& host, unsigned key, Modifiers mods) {
    Outcome outcome;
    {
        auto app = cell.take();
        if (is_reserved_chord(app->settings, key, mods)) return false;
        const Chord pressed{mods, key};
        const QuickKey* match = nullptr;
        for (const QuickKey& q : app->quick_keys)
            if (parse_chord(q.chord) == pressed) {
                match = &q;
                break;
            }
        if (!match) return false;
        const QuickAction action = match->action;  // the list may change once the state is released
        outcome = act(*app, action);
    }
    switch (outcome.then) {
        case Outcome::Then::Error: host.show_error(outcome.error); break;
        case Outcome::Then::OpenProfile: open_profile(cell, host, outcome.profile); break;
        case Outcome::Then::Rename: rename_active_tab(cell, host); break;
        case Outcome::Then::Help: toggle_help(cell, host); break;
        case Outcome::Then::Nothing: break;
    }
    return true;
}

}  // namespace ovelin
