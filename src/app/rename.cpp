#include "app/rename.hpp"

#include "app/resume.hpp"
#include "app/tab_bar.hpp"
#include "app/tab_label.hpp"
#include "core/utf.hpp"

namespace ovelin {

namespace {

bool white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

TabGroup* find_group(App& app, std::uint64_t id) {
    for (TabGroup& g : app.groups)
        if (g.id == id) return &g;
    return nullptr;
}

}  // namespace

std::string trim_white_space(std::string_view text) {
    std::size_t begin = text.size(), end = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t at = pos;
        const auto cp = next_code_point(text, pos);
        if (!cp || !white_space(*cp)) {
            begin = std::min(begin, at);
            end = pos;
        }
    }
    return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

Rect rename_box(int client_width, std::size_t item_count, std::size_t slot) {
    const int w = slot_width(client_width, item_count);
    // A slot scrolled past the "+" would put the edit out of sight while it
    // takes the keys: it goes over the last slot that is drawn instead.
    const std::size_t shown = visible_slots(client_width, item_count);
    if (shown > 0 && slot >= shown) slot = shown - 1;
    const int left = static_cast<int>(slot) * w + 6;
    return {left, 5, left + w - 32, 5 + 24};
}

void begin_rename(AppCell& cell, Host& host, std::size_t slot, RenameState::Target target, std::uint64_t id) {
    end_rename(cell, host, true);
    std::string text;
    Rect box;
    {
        auto app = cell.take();
        if (target == RenameState::Target::Tab) {
            const Session* s = app->find_session(id);
            if (!s) return;
            text = session_title(*s);
        } else if (target == RenameState::Target::Group) {
            const TabGroup* g = app->find_group(id);
            if (!g) return;
            text = g->name;
        } else {
            return;
        }
        box = rename_box(host.client_size().width, build_bar_items(*app).size(), slot);
    }
    // Making the edit and focusing it sends messages to the window.
    if (!host.begin_rename_edit(box, text)) return;
    auto app = cell.take();
    app->rename = RenameState{target, id};
}

void rename_active_tab(AppCell& cell, Host& host) {
    std::size_t slot = 0;
    std::uint64_t id = 0;
    {
        auto app = cell.take();
        if (app->active >= app->sessions.size()) return;
        id = app->sessions[app->active].id();
        slot = slot_of_session(*app, app->active);
    }
    begin_rename(cell, host, slot, RenameState::Target::Tab, id);
}

void end_rename(AppCell& cell, Host& host, bool commit) {
    RenameState target;
    {
        auto app = cell.take();
        if (app->rename.target == RenameState::Target::None) return;
        // Cleared first: removing the edit below reports its focus loss here again.
        target = std::exchange(app->rename, RenameState{});
    }
    std::string text;
    if (commit) text = trim_white_space(host.rename_edit_text());
    if (!text.empty()) {
        auto app = cell.take();
        bool changed = false;
        if (target.target == RenameState::Target::Group) {
            if (TabGroup* g = find_group(*app, target.id)) {
                g->name = text;
                changed = true;
            }
        } else if (Session* s = app->find_session(target.id)) {
            s->title = text;
            s->custom_title = true;  // the program's own title no longer replaces it
            changed = true;
        }
        if (changed) save_open_sessions(*app);
    }
    host.end_rename_edit();
    host.repaint();
}

}  // namespace ovelin
