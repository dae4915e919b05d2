#include "app/dialogs.hpp"

#include "app/sessions.hpp"
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

void open_connection_manager(AppCell& cell, Host& host) {
    std::optional<ConnectionManager> manager;
    {
        auto app = cell.take();
        manager.emplace(app->profiles);
    }
    host.run_connection_manager(*manager);

    std::optional<ConnectionProfile> chosen;
    std::optional<std::string> save_failure;
    {
        auto app = cell.take();
        // Every action edited the working list at once, so a closed dialog
        // keeps its changes whichever way it was left.
        if (manager->changed()) {
            app->profiles = manager->profiles();
            if (app->config_dir)
                if (auto saved = save_profiles(*app->config_dir, app->profiles); !saved)
                    save_failure = saved.error().message();
        }
        if (const auto& id = manager->chosen())
            for (const ConnectionProfile& p : manager->profiles())
                if (p.id == *id) chosen = p;
    }
    // Edits that will not survive a restart must not pass in silence.
    if (save_failure) host.show_error("Cannot save profiles: " + *save_failure);
    if (chosen) open_profile(cell, host, *chosen);
}

}  // namespace ovelin
