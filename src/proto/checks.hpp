#pragma once
// The checks every text passes before it reaches an external command line.
// Each gives the first failure only, as an InvalidProfile message.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "proto/launch_error.hpp"

namespace ovelin {

// "{label} contains control characters" at the first control character.
CheckResult check_no_control(std::string_view label, std::string_view value);

// Not empty, no leading '-', only ASCII letters, digits and "-.:_".
CheckResult check_host(std::string_view host);

// A port of 0 is refused.
CheckResult check_port(std::uint16_t port);

// An unsigned decimal 0..65535 with an optional leading '+', then check_port.
std::expected<std::uint16_t, LaunchError> parse_port(std::string_view text);

// User names and domains: no control characters, not empty, no leading '-'.
CheckResult check_name_value(std::string_view label, std::string_view value);

// A user name that reaches ssh (a profile's, a quick-connect target's, one
// given in extra arguments): a name value without white space or any of
// ' " ` & | ; < > ( ) $ \ ^ % !. ssh puts it into the commands of the user's
// own configuration (%r), which a shell runs.
CheckResult check_user_name(std::string_view value);

// Additional client arguments: no control characters and none of the SSH
// options that run a local or remote command, in any letter case.
CheckResult check_extra_args(const std::vector<std::string>& args);

// Additional ssh arguments: check_extra_args, then each entry must be an
// option of a known-safe set, read as ssh reads them (flags may be
// combined, an option's value follows in the same entry or the next one).
// -o takes no name that ends in "Command" or "Provider" nor Include, Match,
// Host, ProxyUseFdpass or XAuthLocation; a user given by -l or -o User, a
// jump host by -J or -o ProxyJump and a HostName pass the profile's checks.
// Anything else (a plain word would become the host) is refused.
CheckResult check_ssh_extra_args(const std::vector<std::string>& args);

// Additional VNC viewer arguments: check_extra_args, and none starting with
// '@' (a response file the viewer would read more arguments from).
CheckResult check_vnc_extra_args(const std::vector<std::string>& args);

}  // namespace ovelin
