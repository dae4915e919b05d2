#include "app/resume.hpp"

#include <algorithm>

#include "app/ended_tab.hpp"
#include "app/sessions.hpp"
#include "proto/launch.hpp"

namespace ovelin {

void save_open_sessions(const App& app) {
    if (!app.config_dir) return;
    std::vector<SessionRecord> records;
    records.reserve(app.sessions.size());
    for (const Session& s : app.sessions) {
        SessionRecord r;
        r.id = s.record_id;
        r.profile_id = s.profile_id;
        if (s.custom_title) r.title = s.title;  // an automatic "Terminal N" is not kept
        if (s.group)
            if (const TabGroup* g = app.find_group(*s.group)) r.group = g->name;
        r.color = s.color;
        records.push_back(std::move(r));
    }
    (void)save_sessions(*app.config_dir, records);
}

namespace {

// Starts one waiting tab's program; true when others still wait.
bool start_next_waiting(App& app) {
    Session* next = nullptr;
    if (app.active < app.sessions.size() && app.sessions[app.active].pty->waiting())
        next = &app.sessions[app.active];
    for (Session& s : app.sessions)
        if (!next && s.pty->waiting()) next = &s;
    if (next && next->pty->start()) end_session(*next, std::nullopt);
    return any_waiting(app);
}

}  // namespace

bool any_waiting(const App& app) {
    return std::ranges::any_of(app.sessions, [](const Session& s) { return s.pty->waiting(); });
}

void start_waiting_tabs(AppCell& cell, Host& host) {
    auto app = cell.take();
    const bool more = start_next_waiting(*app);
    host.repaint();
    if (more) host.start_waiting_soon(0);
}

bool restore_sessions(AppCell& cell, Host& host) {
    std::vector<SessionRecord> records;
    std::vector<ConnectionProfile> profiles;
    {
        auto app = cell.take();
        if (!app->config_dir) return false;
        auto file = load_json<SessionsFile>(*app->config_dir, SESSIONS_FILE);
        if (file.problem) app->load_problems.push_back(std::move(*file.problem));
        if (!file.record) return false;
        records = std::move(file.record->sessions);
        profiles = app->profiles;
    }
    bool opened = false;
    for (const SessionRecord& record : records) {
        const ConnectionProfile* profile = nullptr;
        if (record.profile_id)
            for (const ConnectionProfile& p : profiles)
                if (p.id == *record.profile_id) profile = &p;

        SpawnRequest request;
        if (profile) {
            auto plan = build_launch(profile->kind);
            if (!plan) continue;
            const auto* terminal = std::get_if<Terminal>(&*plan);
            if (!terminal) {
                // An external viewer is not started again at start-up; a
                // connection file it may have written is not needed.
                if (const auto* external = std::get_if<External>(&*plan); external && external->temp_file) {
                    std::error_code ec;
                    std::filesystem::remove(*external->temp_file, ec);
                }
                continue;
            }
            request.command = terminal->command_line;
        }
        request.title = record.title ? record.title : profile ? std::optional(profile->name) : std::nullopt;
        request.color = record.color ? record.color : profile ? profile->color : std::nullopt;
        request.group = record.group ? record.group : profile ? profile->group : std::nullopt;
        request.profile_id = record.profile_id;
        request.record_id = record.id;
        // Every tab is shown at once; their programs start one by one after
        // the active tab's, which then has the machine to itself.
        request.start_later = true;
        opened = open_terminal(cell, host, request) || opened;
    }
    if (opened) {
        start_next_waiting(*cell.take());  // the active tab's
        // Should its program stay silent, the others start anyway.
        constexpr unsigned UNLESS_OUTPUT_MS = 2000;
        host.start_waiting_soon(UNLESS_OUTPUT_MS);
    }
    return opened;
}

void open_startup_tabs(AppCell& cell, Host& host) {
    bool restore = false;
    {
        auto app = cell.take();
        restore = app->settings.restore_sessions_on_start && app->config_dir.has_value();
    }
    if (restore && restore_sessions(cell, host)) return;
    open_terminal(cell, host, SpawnRequest{});
}

}  // namespace ovelin
