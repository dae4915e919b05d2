#pragma once
// A profile turned into what the caller starts: a terminal command line
// (local shell, SSH) or an external program (Remote Desktop, VNC viewer).
// Every field is checked first; nothing is started here.

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/records.hpp"
#include "proto/launch_environment.hpp"
#include "proto/launch_error.hpp"

namespace ovelin {

// Run in a new tab's pseudo console, exactly as given.
struct Terminal {
    std::string command_line;
    bool operator==(const Terminal&) const = default;
};

// Started as its own process with no terminal. A temporary file is the
// caller's to delete a few seconds after the program started.
struct External {
    std::string program;
    std::vector<std::string> arguments;
    std::optional<std::filesystem::path> temp_file;
    bool operator==(const External&) const = default;
};

using LaunchPlan = std::variant<Terminal, External>;

// Checks the profile's fields and builds its plan. For Remote Desktop this
// creates a new connection file in the temporary folder and starts the
// system's client by its full path.
std::expected<LaunchPlan, LaunchError> build_launch(const ProfileKind& kind,
                                                    const LaunchEnvironment& env = system_launch_environment());

// The command line an External plan is started with.
std::string external_command_line(const External& plan);

// The full path of the OpenSSH client: the system's (System32\OpenSSH),
// else the first in a PATH folder other than the program's own and the
// current one; when there is none, the system's path all the same, so that
// nothing is searched for when it starts.
std::string ssh_program(const LaunchEnvironment& env = system_launch_environment());

// An installed TightVNC, RealVNC or UltraVNC viewer in the default places.
std::optional<std::string> find_vnc_viewer(const LaunchEnvironment& env = system_launch_environment());

// COMSPEC when it holds something (trimmed, quoted as one path when it has
// spaces), otherwise cmd.exe in its usual place.
std::string default_shell_command(const LaunchEnvironment& env = system_launch_environment());

}  // namespace ovelin
