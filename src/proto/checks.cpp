#include "proto/checks.hpp"

#include "core/quoted.hpp"
#include "core/utf.hpp"
#include "proto/unicode.hpp"

namespace ovelin {

namespace {

std::unexpected<LaunchError> invalid(std::string text) {
    return std::unexpected(LaunchError::invalid_profile(std::move(text)));
}

bool is_host_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == ':' || c == '_';
}

// Options that make the SSH client run a command of the profile's choosing.
constexpr std::string_view FORBIDDEN_OPTIONS[] = {"proxycommand", "localcommand", "remotecommand"};

}  // namespace

CheckResult check_no_control(std::string_view label, std::string_view value) {
    std::size_t pos = 0;
    while (pos < value.size()) {
        auto cp = next_code_point(value, pos);
        if (cp && is_control(*cp)) return invalid(std::string(label) + " contains control characters");
    }
    return {};
}

CheckResult check_host(std::string_view host) {
    if (host.empty()) return invalid("host is empty");
    if (host.front() == '-') return invalid("host must not start with '-'");
    for (char c : host)
        if (!is_host_char(c)) return invalid("host contains invalid characters: " + debug_quoted(host));
    return {};
}

CheckResult check_port(std::uint16_t port) {
    if (port == 0) return invalid("port must be non-zero");
    return {};
}

std::expected<std::uint16_t, LaunchError> parse_port(std::string_view text) {
    std::string_view digits = text;
    if (digits.starts_with('+')) digits.remove_prefix(1);
    std::uint32_t value = 0;
    bool ok = !digits.empty();
    for (char c : digits) {
        if (c < '0' || c > '9') {
            ok = false;
            break;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 65535) {
            ok = false;
            break;
        }
    }
    if (!ok) return invalid("bad port: " + debug_quoted(text));
    const auto port = static_cast<std::uint16_t>(value);
    if (auto checked = check_port(port); !checked) return std::unexpected(checked.error());
    return port;
}

CheckResult check_name_value(std::string_view label, std::string_view value) {
    if (auto ok = check_no_control(label, value); !ok) return ok;
    if (value.empty()) return invalid(std::string(label) + " is empty");
    if (value.front() == '-') return invalid(std::string(label) + " must not start with '-'");
    return {};
}

CheckResult check_extra_args(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (auto ok = check_no_control("extra_args entry", arg); !ok) return ok;
        const std::string lower = to_lower_full(arg);
        for (std::string_view word : FORBIDDEN_OPTIONS)
            if (lower.find(word) != std::string::npos)
                return invalid("extra_args entry " + debug_quoted(arg) + " contains forbidden option (" +
                               std::string(word) + ")");
    }
    return {};
}

}  // namespace ovelin
