#include "app/scrolling.hpp"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "app/input.hpp"
#include "app/mouse_report.hpp"
#include "app/selection.hpp"
#include "app/tiling.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

namespace {

// Sets the view to `top`, the live screen when it reaches the live top line.
bool place_view(Session& s, const Screen& screen, std::uint64_t top) {
    const std::uint64_t before = view_top(screen, s.view_top);
    top = std::clamp(top, screen.first_line(), screen.top_line());
    if (top >= screen.top_line())
        s.view_top.reset();
    else
        s.view_top = top;
    return top != before;
}

// The rows a session's view shows: those its area fits, at most the screen's.
int view_rows(const App& app, ClientSize size, std::size_t index) {
    const Screen& screen = app.sessions[index].pty->screen()->screen;
    for (const TerminalPlace& p : visible_terminals(app, size)) {
        if (p.index != index) continue;
        const int fit = std::max((p.area.bottom - p.area.top) / std::max(app.metrics.cell_height, 1), 0);
        return std::min<int>(fit, screen.rows());
    }
    return screen.rows();
}

}  // namespace

bool scroll_view(Session& s, std::int64_t lines) {
    LockedScreen& locked = *s.pty->screen();
    std::lock_guard lock(locked.mutex);
    const Screen& screen = locked.screen;
    if (screen.alternate_screen() || lines == 0) return false;
    const std::uint64_t top = view_top(screen, s.view_top);
    const std::uint64_t first = screen.first_line();
    const std::uint64_t to = lines < 0 ? top - std::min<std::uint64_t>(top - first, static_cast<std::uint64_t>(-lines))
                                       : top + static_cast<std::uint64_t>(lines);
    return place_view(s, screen, to);
}

bool scroll_view_to(Session& s, bool oldest) {
    LockedScreen& locked = *s.pty->screen();
    std::lock_guard lock(locked.mutex);
    if (locked.screen.alternate_screen()) return false;
    return place_view(s, locked.screen, oldest ? locked.screen.first_line() : locked.screen.top_line());
}

std::uint64_t view_offset(const Session& s) {
    LockedScreen& locked = *s.pty->screen();
    std::lock_guard lock(locked.mutex);
    return locked.screen.top_line() - view_top(locked.screen, s.view_top);
}

bool scroll_active(App& app, Host& host, ScrollKey key) {
    if (app.active >= app.sessions.size()) return false;
    Session& s = app.sessions[app.active];
    {
        LockedScreen& locked = *s.pty->screen();
        std::lock_guard lock(locked.mutex);
        if (locked.screen.alternate_screen()) return false;
    }
    const std::int64_t page = std::max(view_rows(app, host.client_size(), app.active) - 1, 1);
    bool moved = false;
    switch (key) {
        case ScrollKey::PageBack: moved = scroll_view(s, -page); break;
        case ScrollKey::PageForward: moved = scroll_view(s, page); break;
        case ScrollKey::LineBack: moved = scroll_view(s, -1); break;
        case ScrollKey::LineForward: moved = scroll_view(s, 1); break;
        case ScrollKey::Oldest: moved = scroll_view_to(s, true); break;
        case ScrollKey::Live: moved = scroll_view_to(s, false); break;
    }
    if (moved) host.repaint();
    return true;
}

WheelAction wheel_action(const Screen& screen, bool shift) {
    const bool reporting = screen.modes().mouse_tracking() != term::MouseTracking::None;
    if (reporting && !shift) return WheelAction::Report;
    // Pagers and editors on the alternate screen have no history to show:
    // they get the arrow keys, as other terminals give them.
    if (screen.alternate_screen()) return reporting ? WheelAction::Nothing : WheelAction::Arrows;
    return WheelAction::Scroll;
}

void on_wheel(AppCell& cell, Host& host, int x, int y, int delta, unsigned lines_per_notch, Modifiers mods) {
    int lines = 0;
    {
        auto app = cell.take();
        if (app->view_mode == ViewMode::BrowseGroups || delta == 0 || lines_per_notch == 0) return;
        const ClientSize size = host.client_size();
        const auto place = terminal_at(*app, size, x, y);
        if (!place) return;
        Session& s = app->sessions[place->index];

        // Parts of a notch add up, so fine-grained wheels and touchpads scroll
        // smoothly; turning the other way starts afresh.
        WheelState& w = app->wheel;
        if (w.session_id != s.id() || (w.remainder != 0 && (w.remainder > 0) != (delta > 0))) w = {s.id(), 0};
        const bool page = lines_per_notch == WHEEL_PAGE;
        w.remainder += page ? delta : delta * static_cast<int>(std::min(lines_per_notch, 100u));
        const int steps = w.remainder / WHEEL_NOTCH;
        w.remainder -= steps * WHEEL_NOTCH;
        if (steps == 0) return;
        lines = page ? steps * std::max(view_rows(*app, size, place->index) - 1, 1) : steps;

        WheelAction action;
        {
            LockedScreen& locked = *s.pty->screen();
            std::lock_guard lock(locked.mutex);
            action = wheel_action(locked.screen, mods.shift);
        }
        switch (action) {
            case WheelAction::Report: break;  // below, with the state released
            case WheelAction::Nothing: return;
            case WheelAction::Arrows: {
                const std::string key = *key_sequence(lines > 0 ? vk::UP : vk::DOWN, {});
                std::string bytes;
                for (int k = 0; k < std::abs(lines); ++k) bytes += key;
                send_to_session(s, bytes);
                return;
            }
            case WheelAction::Scroll:
                if (!scroll_view(s, -lines)) return;
                // A drag goes on over the lines the view brought in.
                if (app->selection.state == Selection::State::Selecting && app->selection.session_id == s.id())
                    extend_selection(*app, visible_terminals(*app, size), app->selection.x, app->selection.y);
                host.repaint();
                return;
        }
    }
    // A report a line.
    report_wheel(cell, host, x, y, lines, 1, mods);
}

bool begin_thumb_drag(App& app, ClientSize size, int x, int y) {
    app.thumb_drag = {};
    const auto place = terminal_at(app, size, x, y);
    if (!place) return false;
    const Session& s = app.sessions[place->index];
    const int rows = view_rows(app, size, place->index);
    LockedScreen& locked = *s.pty->screen();
    std::lock_guard lock(locked.mutex);
    const Screen& screen = locked.screen;
    const std::uint64_t offset = screen.top_line() - view_top(screen, s.view_top);
    const auto thumb = scroll_thumb(place->area, offset, screen.top_line() - screen.first_line(), rows);
    if (!thumb || x < thumb->left || x >= thumb->right || y < thumb->top || y >= thumb->bottom) return false;
    app.thumb_drag = {true, s.id(), y - thumb->top};
    return true;
}

bool drag_thumb(App& app, ClientSize size, int y) {
    if (!app.thumb_drag.active) return false;
    Session* s = app.find_session(app.thumb_drag.session_id);
    if (!s) return false;
    const auto index = app.index_of(s->id());
    for (const TerminalPlace& p : visible_terminals(app, size)) {
        if (p.index != *index) continue;
        const int rows = view_rows(app, size, p.index);
        LockedScreen& locked = *s->pty->screen();
        std::lock_guard lock(locked.mutex);
        const Screen& screen = locked.screen;
        const std::uint64_t history = screen.top_line() - screen.first_line();
        const std::uint64_t offset = offset_for_thumb(p.area, history, rows, y - app.thumb_drag.grab);
        return place_view(*s, screen, screen.top_line() - offset);
    }
    return false;
}

bool end_thumb_drag(App& app) { return std::exchange(app.thumb_drag.active, false); }

}  // namespace ovelin
