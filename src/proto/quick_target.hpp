#pragma once
// The quick-connect target a user types: [user@]host[:port], with the host
// in square brackets when it holds colons and a port follows.

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "core/records.hpp"
#include "proto/launch_error.hpp"

namespace ovelin {

struct QuickTarget {
    std::string host;
    std::uint16_t port = 22;
    std::optional<std::string> user;

    // The SSH profile it opens: no identity file, no additional arguments.
    Ssh to_ssh() const { return Ssh{host, port, user, std::nullopt, {}}; }

    bool operator==(const QuickTarget&) const = default;
};

std::expected<QuickTarget, LaunchError> parse_quick_target(std::string_view input);

}  // namespace ovelin
