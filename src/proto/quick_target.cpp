#include "proto/quick_target.hpp"

#include <algorithm>

#include "core/quoted.hpp"
#include "proto/checks.hpp"
#include "proto/unicode.hpp"

namespace ovelin {

namespace {
std::unexpected<LaunchError> invalid(std::string text) {
    return std::unexpected(LaunchError::invalid_profile(std::move(text)));
}
}  // namespace

std::expected<QuickTarget, LaunchError> parse_quick_target(std::string_view input) {
    const std::string_view text = trim_white_space(input);
    if (text.empty()) return invalid("quick connect input is empty");
    if (auto ok = check_no_control("quick connect input", text); !ok) return std::unexpected(ok.error());

    QuickTarget target;
    std::string_view rest = text;
    // The last at sign, so that a user name may hold one itself.
    if (auto at = text.rfind('@'); at != std::string_view::npos) {
        if (at == 0) return invalid("user is empty");
        target.user = std::string(text.substr(0, at));
        rest = text.substr(at + 1);
    }

    std::string_view host = rest;
    std::optional<std::string_view> port_text;
    if (rest.starts_with('[')) {
        auto close = rest.find(']', 1);
        if (close == std::string_view::npos) return invalid("unclosed '[' in host");
        host = rest.substr(1, close - 1);
        std::string_view after = rest.substr(close + 1);
        if (after.starts_with(':'))
            port_text = after.substr(1);
        else if (!after.empty())
            return invalid("unexpected text after ']': " + debug_quoted(after));
    } else if (std::count(rest.begin(), rest.end(), ':') == 1) {
        // Two colons or more are a bare IPv6 address: all host, default port.
        auto colon = rest.find(':');
        host = rest.substr(0, colon);
        port_text = rest.substr(colon + 1);
    }

    if (port_text) {
        auto port = parse_port(*port_text);
        if (!port) return std::unexpected(port.error());
        target.port = *port;
    }
    if (auto ok = check_host(host); !ok) return std::unexpected(ok.error());
    if (target.user)
        if (auto ok = check_user_name(*target.user); !ok) return std::unexpected(ok.error());
    target.host = std::string(host);
    return target;
}

}  // namespace ovelin
