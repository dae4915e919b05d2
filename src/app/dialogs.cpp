#include "app/dialogs.hpp"

#include "app/sessions.hpp"
#include "core/platform.hpp"
#include "core/profile_merge.hpp"
#include "core/records_json.hpp"
#include "core/store.hpp"
#include "proto/launch.hpp"
#include "proto/quick_target.hpp"
#include "proto/unicode.hpp"
#include "ui/prompt.hpp"

namespace ovelin {

void open_quick_connect(AppCell& cell, Host& host) {
    // A failed attempt reopens the prompt holding what was typed.
    std::string text;
    for (;;) {
        auto typed = host.prompt(std::string(QUICK_CONNECT_TITLE), std::string(QUICK_CONNECT_LABEL), text);
        if (!typed) return;
        text = *typed;
        auto target = parse_quick_target(text);
        if (!target) {
            host.show_error(target.error().message());
            continue;
        }
        auto plan = build_launch(target->to_ssh());
        if (!plan) {
            host.show_error("Cannot connect: " + plan.error().message());
            continue;
        }
        SpawnRequest request;
        request.command = std::get<Terminal>(*plan).command_line;
        request.title = std::string(trim_white_space(text));
        open_terminal(cell, host, request, StartFailure::Report);
        return;
    }
}

namespace {

// Another window may have saved profiles since this one last looked: the
// manager opens on what is there now (when it loads).
void catch_up_on_profiles(App& app) {
    if (!app.config_dir) return;
    auto bytes = platform::read_file(*app.config_dir / platform::utf8_path(PROFILES_FILE));
    if (!bytes || (app.profiles_seen.known && app.profiles_seen.bytes == *bytes)) return;
    auto file = parse_record<ProfilesFile>(*bytes);
    if (!file || !check_schema(PROFILES_FILE, file->schema_version)) return;
    app.profiles = std::move(file->profiles);
    app.profiles_seen = SeenFile{true, std::move(*bytes)};
}

// Writes the manager's changes over what is in the file now, which another
// window may have changed since this one read it.
StoreResult save_manager_changes(App& app, const ConnectionManager& manager) {
    app.profiles = manager.profiles();
    if (!app.config_dir) return {};
    return save_json_merging<ProfilesFile>(
        *app.config_dir, PROFILES_FILE, app.profiles_seen, [&](const ProfilesFile* meanwhile) {
            if (meanwhile)
                app.profiles = merge_profile_changes(manager.original(), manager.profiles(), meanwhile->profiles);
            return std::optional<ProfilesFile>(ProfilesFile{SUPPORTED_SCHEMA_VERSION, app.profiles});
        });
}

}  // namespace

void open_connection_manager(AppCell& cell, Host& host) {
    std::optional<ConnectionManager> manager;
    {
        auto app = cell.take();
        catch_up_on_profiles(*app);
        manager.emplace(app->profiles);
    }
    host.run_connection_manager(*manager);

    std::optional<ConnectionProfile> chosen;
    std::optional<std::string> save_failure;
    {
        auto app = cell.take();
        // Every action edited the working list at once, so a closed dialog
        // keeps its changes whichever way it was left.
        if (manager->changed())
            if (auto saved = save_manager_changes(*app, *manager); !saved) save_failure = saved.error().message();
        if (const ConnectionProfile* p = manager->chosen()) chosen = *p;
    }
    // Edits that will not survive a restart must not pass in silence.
    if (save_failure) host.show_error("Cannot save profiles: " + *save_failure);
    if (chosen) open_profile(cell, host, *chosen);
}

}  // namespace ovelin
