#include "app/sessions.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>

#include "app/ended_tab.hpp"
#include "app/resume.hpp"
#include "app/tiling.hpp"
#include "core/history.hpp"
#include "core/ids.hpp"
#include "core/platform.hpp"
#include "proto/launch.hpp"
#include "ui/tiles.hpp"

namespace ovelin {

namespace {

std::atomic<std::uint64_t> next_session_id{1};



std::uint64_t find_or_create_group(App& app, const std::string& name) {
    for (const TabGroup& g : app.groups)
        if (g.name == name) return g.id;
    const std::uint64_t id = ++app.next_group_id;
    app.groups.push_back(TabGroup{std::nullopt, name, id, static_cast<std::uint8_t>((id - 1) % 8), false});
    return id;
}

std::vector<std::string> seeded_history(const App& app, const std::string& record_id) {
    if (!app.settings.autocomplete_history || !app.config_dir) return {};
    return seed_history_lines(*app.config_dir, record_id);
}

bool equals_ascii_nocase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == y; });
}

// The tab in place, or the reason its program could not start.
std::expected<void, std::error_code> start_tab(AppCell& cell, Host& host, const SpawnRequest& request,
                                               const std::string& command) {
    auto app = cell.take();
    const std::uint64_t id = next_session_id.fetch_add(1);
    const ClientSize size = host.client_size();
    PtyOptions options;
    options.id = id;
    options.command_line = command;
    options.working_dir = start_directory(app->settings);
    // The single view's area: every tab is sized to it (see lay_out).
    const CellCount cells = cells_in(tile_terminal_area(content_rect(size), true), app->metrics);
    options.rows = cells.rows;
    options.cols = cells.cols;
    options.start_later = request.start_later;
    auto pty = host.spawn_session(options);
    if (!pty) return std::unexpected(pty.error());

    std::optional<std::uint64_t> group;
    if (request.group) group = find_or_create_group(*app, *request.group);

    Session s;
    s.color = request.color;
    s.record_id = request.record_id ? *request.record_id : new_id("s");
    s.history = seeded_history(*app, s.record_id);
    s.custom_title = request.title.has_value();
    s.title = request.title ? *request.title : "Terminal " + std::to_string(app->sessions.size() + 1);
    s.profile_id = request.profile_id;
    s.pty = std::move(*pty);
    s.command = command;
    app->sessions.push_back(std::move(s));
    if (group) place_in_group(*app, app->sessions.size() - 1, group);
    app->active = app->index_of(id).value_or(0);

    save_open_sessions(*app);
    lay_out(*app, host);
    host.repaint();
    return {};
}

}  // namespace

std::optional<std::string> start_directory(const Settings& settings) {
    const std::optional<std::string>& dir = settings.default_working_dir;
    if (!dir) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_directory(platform::utf8_path(*dir), ec)) return std::nullopt;
    return dir;
}

std::string start_failure_text(std::string_view command_line, const std::error_code& error) {
    // The first word as Windows reads it: quoted, or up to white space.
    std::string_view program = command_line;
    program.remove_prefix(std::min(program.find_first_not_of(" \t"), program.size()));
    if (program.starts_with('"')) {
        program.remove_prefix(1);
        program = program.substr(0, program.find('"'));
    } else {
        program = program.substr(0, program.find_first_of(" \t"));
    }
    std::string reason = error.message();
    while (!reason.empty() && std::isspace(static_cast<unsigned char>(reason.back()))) reason.pop_back();
    std::string text = "Cannot start " + std::string(program) + ": " + reason;
    const std::string_view file = program.substr(program.find_last_of("\\/") + 1);
    if (equals_ascii_nocase(file, "ssh.exe") || equals_ascii_nocase(file, "ssh"))
        text += "\nThe OpenSSH client is an optional Windows feature: add it in Settings \u203a Apps \u203a "
                "Optional features.";
    return text;
}

bool open_terminal(AppCell& cell, Host& host, const SpawnRequest& request, StartFailure on_failure) {
    const std::string command = request.command ? *request.command : default_shell_command();
    const auto started = start_tab(cell, host, request, command);
    // Shown once the state is given up: a message box runs its own loop.
    if (!started && on_failure == StartFailure::Report) host.show_error(start_failure_text(command, started.error()));
    return started.has_value();
}

void place_in_group(App& app, std::size_t index, std::optional<std::uint64_t> group) {
    if (index >= app.sessions.size()) return;
    std::optional<std::uint64_t> active_id;
    if (app.active < app.sessions.size()) active_id = app.sessions[app.active].id();

    app.sessions[index].group = group;
    if (group) {
        Session moving = std::move(app.sessions[index]);
        app.sessions.erase(app.sessions.begin() + static_cast<std::ptrdiff_t>(index));
        std::size_t at = std::min(index, app.sessions.size());
        for (std::size_t i = app.sessions.size(); i-- > 0;) {
            if (app.sessions[i].group == group) {
                at = i + 1;
                break;
            }
        }
        app.sessions.insert(app.sessions.begin() + static_cast<std::ptrdiff_t>(at), std::move(moving));
    }
    if (active_id) app.active = app.index_of(*active_id).value_or(app.active);
    prune_groups(app);
}

void prune_groups(App& app) {
    std::set<std::uint64_t> keep;
    for (const Session& s : app.sessions) {
        // The tab's group and every group enclosing it.
        std::optional<std::uint64_t> g = s.group;
        while (g && keep.insert(*g).second) {
            const TabGroup* group = app.find_group(*g);
            g = group ? group->parent : std::nullopt;
        }
    }
    std::erase_if(app.groups, [&](const TabGroup& g) { return !keep.contains(g.id); });
    std::erase_if(app.broadcast_groups, [&](std::uint64_t id) { return !app.find_group(id); });
    for (std::size_t i = 0; i < app.browse_path.size(); ++i) {
        if (!app.find_group(app.browse_path[i])) {
            app.browse_path.resize(i);
            app.browse_cursor = 0;
            break;
        }
    }
}

void open_profile(AppCell& cell, Host& host, const ConnectionProfile& profile) {
    auto plan = build_launch(profile.kind);
    if (!plan) {
        host.show_error("Cannot connect: " + plan.error().message());
        return;
    }
    if (const auto* terminal = std::get_if<Terminal>(&*plan)) {
        SpawnRequest request;
        request.color = profile.color;
        request.command = terminal->command_line;
        request.title = profile.name;
        request.group = profile.group;
        request.profile_id = profile.id;
        open_terminal(cell, host, request, StartFailure::Report);
        return;
    }
    const auto& external = std::get<External>(*plan);
    const bool started = host.start_program(external.program, external_command_line(external));
    if (external.temp_file) {
        std::error_code ec;
        if (started)
            cell.take()->connection_files.add(*external.temp_file);
        else
            std::filesystem::remove(*external.temp_file, ec);
    }
    if (!started) host.show_error("Failed to start " + external.program);
}

void close_tab(AppCell& cell, Host& host, std::size_t index) {
    bool last = false;
    {
        auto app = cell.take();
        if (index < app->sessions.size()) {
            Session closing = std::move(app->sessions[index]);
            app->sessions.erase(app->sessions.begin() + static_cast<std::ptrdiff_t>(index));
            closing.pty.reset();  // ends the child, closes its console
            app->selection = Selection{};
            if (app->sessions.empty())
                app->active = 0;
            else if (app->active >= app->sessions.size())
                app->active = app->sessions.size() - 1;
            prune_groups(*app);
        }
        save_open_sessions(*app);
        last = app->sessions.empty();
        if (!last) {
            lay_out(*app, host);
            host.repaint();
        }
    }
    // Never an empty window: the last tab takes the program with it.
    if (last) host.destroy_window();
}

void close_group(AppCell& cell, Host& host, std::uint64_t group_id) {
    std::vector<std::uint64_t> ids;
    {
        auto app = cell.take();
        for (const Session& s : app->sessions)
            if (s.group == group_id) ids.push_back(s.id());
    }
    for (std::uint64_t id : ids) {
        std::optional<std::size_t> index;
        {
            auto app = cell.take();
            index = app->index_of(id);
        }
        if (index) close_tab(cell, host, *index);
    }
}

void activate(AppCell& cell, Host& host, std::size_t index) {
    auto app = cell.take();
    if (index >= app->sessions.size()) return;
    app->active = index;
    lay_out(*app, host);
    host.repaint();
}

void on_session_output(AppCell& cell, Host& host, std::uint64_t id) {
    auto app = cell.take();
    if (!app->find_session(id)) return;
    const bool active = app->active < app->sessions.size() && app->sessions[app->active].id() == id;
    if (!active) {
        host.repaint_others_soon();
        return;
    }
    host.repaint_active();
    // A moment for the rest of its first lines; the others' start-up no
    // longer delays what the user looks at.
    constexpr unsigned AFTER_FIRST_OUTPUT_MS = 100;
    if (any_waiting(*app)) host.start_waiting_soon(AFTER_FIRST_OUTPUT_MS);
}


void on_session_exit(AppCell& cell, Host& host, std::uint64_t id, ExitStatus status) {
    std::optional<std::size_t> index;
    {
        auto app = cell.take();
        Session* s = app->find_session(id);
        if (!s || s->ended()) return;
        // A failure stays readable, and its saved record is kept, until the
        // user closes the tab.
        if (status != 0u) {
            end_session(*s, status);
            host.repaint();
            return;
        }
        index = app->index_of(id);
    }
    close_tab(cell, host, *index);
}

}  // namespace ovelin
