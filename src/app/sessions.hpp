#pragma once
// Opening, closing and activating tabs, and what follows each change.
// Every function takes the application state itself and gives it up before
// anything that may re-enter the window (message boxes, process start,
// window destruction).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// What becomes of a program that cannot start: an open the user asked for
// says why; restore and the start-up tab stay silent.
enum class StartFailure { Silent, Report };

// Opens a tab; false when its program could not start (nothing then
// changes but the session id, which is used up).
bool open_terminal(AppCell& cell, Host& host, const SpawnRequest& request,
                   StartFailure on_failure = StartFailure::Silent);

// "Cannot start {program}: {reason}", the program as the command line's
// first word; for the OpenSSH client a second line says where to add it.
std::string start_failure_text(std::string_view command_line, const std::error_code& error);

// Where a tab's program starts: the configured folder when it exists.
std::optional<std::string> start_directory(const Settings& settings);

// A stored profile: a tab, or an external viewer; failures in a message box.
void open_profile(AppCell& cell, Host& host, const ConnectionProfile& profile);

void close_tab(AppCell& cell, Host& host, std::size_t index);
void close_group(AppCell& cell, Host& host, std::uint64_t group_id);
void activate(AppCell& cell, Host& host, std::size_t index);

// Reader notifications; unknown ids (tabs already closed) are ignored. A
// program that ended with status 0 closes its tab; any other status (or
// none) keeps the tab, ended, until the user closes it.
// The active tab's output, while other tabs wait to start, has them start
// soon (it is shown first).
void on_session_output(AppCell& cell, Host& host, std::uint64_t id);
void on_session_exit(AppCell& cell, Host& host, std::uint64_t id, ExitStatus status);

// Moves the tab into the group (after the group's last tab) or out of every
// group, keeping the active tab, then drops groups nothing refers to.
void place_in_group(App& app, std::size_t index, std::optional<std::uint64_t> group);
void prune_groups(App& app);

// Fits every pseudo console to the space the current view gives it.
void lay_out(App& app, Host& host);

}  // namespace ovelin
