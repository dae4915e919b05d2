#include "app/clipboard.hpp"

#include <mutex>
#include <optional>

#include "app/input.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

std::string paste_bytes(std::string_view text, bool bracketed) {
    std::string out;
    out.reserve(text.size() + 12);
    if (bracketed) out += "\x1b[200~";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += '\r';
            ++i;
        } else if (c == '\n') {
            out += '\r';
        } else if (c == '\x1b' && bracketed) {
            // A pasted "ESC[201~" would end the paste and run the rest as typed.
        } else {
            out += c;
        }
    }
    if (bracketed) out += "\x1b[201~";
    return out;
}

std::string screen_copy_text(const Screen& screen, std::uint64_t top) {
    std::string text = screen.text_between({top, 0}, {top + screen.rows() - 1, screen.cols()});
    const std::size_t last = text.find_last_not_of("\n \t");
    text.resize(last == std::string::npos ? 0 : last + 1);
    return text;
}

namespace {

// Lines in a pasted text: its line endings, plus an unended last line.
std::size_t pasted_lines(std::string_view text) {
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        ++lines;
    }
    const bool ends_open = !text.empty() && text.back() != '\r' && text.back() != '\n';
    return lines + (ends_open ? 1 : 0);
}

std::string paste_question(std::size_t lines, std::size_t tabs) {
    return "Paste " + std::to_string(lines) + (lines == 1 ? " line" : " lines") + " into " + std::to_string(tabs) +
           " tabs?";
}

// The live sessions a write from the active tab reaches (as send_input does).
std::size_t reached_sessions(const App& app) {
    const Session& active = app.sessions[app.active];
    if (active.ended()) return 0;
    if (!active.group || !app.broadcast_groups.contains(*active.group)) return 1;
    std::size_t n = 0;
    for (const Session& s : app.sessions) n += s.group == active.group && !s.ended();
    return n;
}

void send_paste(App& app, std::string_view text) {
    bool bracketed = false;
    {
        LockedScreen& locked = *app.sessions[app.active].pty->screen();
        std::lock_guard lock(locked.mutex);
        bracketed = locked.screen.bracketed_paste();
    }
    // The session's writer takes it from here: the window never waits on a
    // program that does not read its input.
    send_input(app, paste_bytes(text, bracketed));
}

}  // namespace

void paste_clipboard(AppCell& cell, Host& host) {
    // The clipboard is read before the state is taken: a large text takes a while.
    const std::optional<std::string> text = host.clipboard_text();
    if (!text) return;
    std::string question;
    std::uint64_t active_id = 0;
    {
        auto app = cell.take();
        if (app->active >= app->sessions.size()) return;
        // Lines would run on every host of a broadcasting group at once: the
        // user sees how many first.
        const std::size_t tabs = reached_sessions(*app);
        if (tabs < 2 || text->find_first_of("\r\n") == std::string::npos) {
            send_paste(*app, *text);
            return;
        }
        question = paste_question(pasted_lines(*text), tabs);
        active_id = app->sessions[app->active].id();
    }
    if (!host.confirm(question)) return;
    auto app = cell.take();
    // Where the answer no longer fits (the tab closed meanwhile), nothing goes.
    if (app->active >= app->sessions.size() || app->sessions[app->active].id() != active_id) return;
    send_paste(*app, *text);
}

void copy_screen(AppCell& cell, Host& host) {
    std::string text;
    {
        auto app = cell.take();
        if (app->active >= app->sessions.size()) return;
        LockedScreen& locked = *app->sessions[app->active].pty->screen();
        std::lock_guard lock(locked.mutex);
        const Session& s = app->sessions[app->active];
        text = screen_copy_text(locked.screen, view_top(locked.screen, s.view_top));
    }
    if (!text.empty()) host.set_clipboard_text(text);
}

}  // namespace ovelin
