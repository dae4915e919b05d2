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

void paste_clipboard(AppCell& cell, Host& host) {
    // The clipboard is read before the state is taken: a large text takes a while.
    const std::optional<std::string> text = host.clipboard_text();
    if (!text) return;
    auto app = cell.take();
    if (app->active >= app->sessions.size()) return;
    bool bracketed = false;
    {
        LockedScreen& locked = *app->sessions[app->active].pty->screen();
        std::lock_guard lock(locked.mutex);
        bracketed = locked.screen.bracketed_paste();
    }
    // The session's writer takes it from here: the window never waits on a
    // program that does not read its input.
    send_input(*app, paste_bytes(*text, bracketed));
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
