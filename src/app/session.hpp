#pragma once
// One open tab, what an opener asks for, and the groups tabs belong to.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pty/pty_session.hpp"

namespace ovelin {

struct Session {
    std::optional<std::uint8_t> color;
    std::optional<std::uint64_t> group;  // the group it belongs to directly
    std::string title;
    std::string record_id;  // names its history file and its saved record
    std::string line;       // the command line being typed
    std::vector<std::string> history;
    std::optional<std::string> profile_id;
    std::optional<std::string> pending;  // the current suggestion
    std::unique_ptr<PtySession> pty;
    std::string command;  // the command line it runs, started again by a restart
    bool custom_title = false;  // given by the opener or the user: the program's title never replaces it
    // Set when the program ended with a failure status: the tab stays open,
    // showing its last output, until the user closes it.
    std::optional<std::uint32_t> exit_code;
    // Ended, but its status could not be read (exit_code then holds 0).
    bool exit_status_unknown = false;
    // The history line at the top of its view while scrolled back; none on
    // the live screen. A line number, so output arriving meanwhile leaves the
    // view on its text.
    std::optional<std::uint64_t> view_top;

    std::uint64_t id() const { return pty->id(); }
    bool ended() const { return exit_code.has_value(); }
};

struct SpawnRequest {
    std::optional<std::uint8_t> color;
    std::optional<std::string> command;
    std::optional<std::string> title;
    std::optional<std::string> group;
    std::optional<std::string> profile_id;
    std::optional<std::string> record_id;
    // The tab opens now, its program when start_waiting_tabs reaches it.
    bool start_later = false;
};

struct TabGroup {
    std::optional<std::uint64_t> parent;
    std::string name;
    std::uint64_t id = 0;
    std::uint8_t color = 0;
    bool collapsed = false;
};

}  // namespace ovelin
