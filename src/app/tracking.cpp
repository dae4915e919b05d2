#include "app/tracking.hpp"

#include <vector>

#include "app/input.hpp"
#include "core/history.hpp"
#include "core/utf.hpp"
#include "proto/unicode.hpp"

namespace ovelin {

namespace {

Session* active_session(App& app) {
    return app.active < app.sessions.size() ? &app.sessions[app.active] : nullptr;
}

// Where the last character of the text starts (0 for an empty text).
std::size_t last_char_start(std::string_view text) {
    std::size_t at = text.size();
    while (at > 0) {
        --at;
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) break;
    }
    return at;
}

bool ends_in_white_space(std::string_view text) {
    if (text.empty()) return false;
    std::size_t pos = last_char_start(text);
    auto cp = next_code_point(text, pos);
    return cp && is_white_space(*cp);
}

// Ctrl+Backspace: the trailing white space, then the word before it.
void delete_last_word(std::string& line) {
    while (ends_in_white_space(line)) line.resize(last_char_start(line));
    while (!line.empty() && !ends_in_white_space(line)) line.resize(last_char_start(line));
}

bool is_blank(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        auto cp = next_code_point(text, pos);
        if (!cp || !is_white_space(*cp)) return false;
    }
    return true;
}

// The word the cursor stands after: everything past the last white space.
std::size_t word_start(std::string_view line) {
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < line.size();) {
        auto cp = next_code_point(line, pos);
        if (cp && is_white_space(*cp)) start = pos;
    }
    return start;
}

// A C0 or C1 control or DEL: a line holding one is never offered, since
// the ghost text would hide it and Tab would send it (a line end runs the
// rest unseen, an escape sequence does what it likes).
bool has_control(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return true;
        // U+0080-U+009F are C2 80-C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F) return true;
    }
    return false;
}

std::size_t char_count(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < text.size(); ++n) (void)next_code_point(text, pos);
    return n;
}

bool expand_alias(App& app, Session& s) {
    const std::size_t start = word_start(s.line);
    const std::string_view word = std::string_view(s.line).substr(start);
    if (word.empty()) return false;
    const Alias* alias = nullptr;
    for (const Alias& a : app.aliases)
        if (a.name == word) {
            alias = &a;
            break;
        }
    if (!alias) return false;

    std::string bytes(char_count(word), '\x7f');  // the shell erases the name
    bytes += alias->expansion;
    if (alias->send_enter) bytes += '\r';
    send_input(app, bytes);

    std::string entered = s.line.substr(0, start) + alias->expansion;
    if (alias->send_enter)
        s.line.clear();
    else
        s.line = entered;
    update_suggestion(s, app.settings.autocomplete_history);
    if (alias->send_enter) record_line(app, entered);
    return true;
}

bool accept_suggestion(App& app, Session& s) {
    std::optional<std::string> suggestion = std::exchange(s.pending, std::nullopt);
    if (!suggestion || !suggestion->starts_with(s.line) || suggestion->size() == s.line.size()) return false;
    const std::string rest = suggestion->substr(s.line.size());
    s.line = std::move(*suggestion);
    send_input(app, rest);
    return true;
}

}  // namespace

void update_suggestion(Session& s, bool enabled) {
    s.pending.reset();
    if (!enabled || s.line.empty()) return;
    for (auto it = s.history.rbegin(); it != s.history.rend(); ++it)
        if (it->size() > s.line.size() && it->starts_with(s.line) && !has_control(*it)) {
            s.pending = *it;
            return;
        }
}

void track_input(App& app, std::string_view text) {
    Session* s = active_session(app);
    if (!s) return;
    std::vector<std::string> entered;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t at = pos;
        const auto cp = next_code_point(text, pos);
        if (!cp) continue;  // never produced by the character path
        const char32_t c = *cp;
        if (c == 0x03)
            s->line.clear();
        else if (c == 0x08)
            delete_last_word(s->line);
        else if (c == 0x0A || c == 0x0D)
            entered.push_back(std::exchange(s->line, std::string()));
        else if (c == 0x7F)
            s->line.resize(last_char_start(s->line));
        else if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F))
            s->line.append(text.substr(at, pos - at));
        // Escape and the other C0 and C1 controls edit nothing.
    }
    update_suggestion(*s, app.settings.autocomplete_history);
    for (const std::string& line : entered) record_line(app, line);
}

void record_line(App& app, std::string_view text) {
    Session* s = active_session(app);
    if (!s) return;
    // A quick key's text may hold several commands; each is its own line, so
    // that a later suggestion never carries a line end (Tab would run it).
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (is_blank(line)) continue;
        s->history.emplace_back(line);
        s->pending.reset();
        if (app.settings.track_history && app.config_dir) append_history(*app.config_dir, s->record_id, line);
    }
}

void complete_on_tab(App& app) {
    Session* s = active_session(app);
    if (s && app.settings.alias_trigger_tab && expand_alias(app, *s)) return;
    if (s && app.settings.autocomplete_history && accept_suggestion(app, *s)) return;
    send_input(app, "\t");
}

}  // namespace ovelin
