#include "app/focus_report.hpp"

#include <mutex>

#include "term/mouse_report.hpp"

namespace ovelin {

namespace {

// The session typed keys go to, if any.
Session* receiving_keys(App& app) {
    if (!app.focus_report.window_focused || app.view_mode == ViewMode::BrowseGroups) return nullptr;
    if (app.active >= app.sessions.size() || app.sessions[app.active].ended()) return nullptr;
    return &app.sessions[app.active];
}

void tell(Session& s, bool focused) {
    std::string bytes;
    {
        LockedScreen& locked = *s.pty->screen();
        std::lock_guard lock(locked.mutex);
        bytes = term::encode_focus(locked.screen.modes(), focused);
    }
    if (!bytes.empty()) s.pty->write(bytes);
}

}  // namespace

void report_focus(App& app) {
    Session* now = receiving_keys(app);
    const std::uint64_t id = now ? now->id() : 0;
    if (id == app.focus_report.told) return;
    // A closed session hears nothing; an ended one cannot.
    if (Session* before = app.find_session(app.focus_report.told); before && !before->ended()) tell(*before, false);
    if (now) tell(*now, true);
    app.focus_report.told = id;
}

void on_focus_changed(AppCell& cell, Host&, bool focused) {
    auto app = cell.take();
    app->focus_report.window_focused = focused;
    report_focus(*app);
}

}  // namespace ovelin
