#include "proto/checks.hpp"

#include <algorithm>

#include "core/quoted.hpp"
#include "core/utf.hpp"
#include "proto/quick_target.hpp"
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

// What a shell (cmd.exe included) acts on inside a word.
constexpr std::string_view SHELL_CHARACTERS = "'\"`&|;<>()$\\^%!";

// ssh flags that take no value and change nothing but the connection's own
// behaviour, and options whose value is an address, a spec or a name.
constexpr std::string_view SSH_FLAGS = "46AaCgKkNqTtvXxYy";
constexpr std::string_view SSH_VALUE_OPTIONS = "BDJLRWbceilmopw";

// -o names that run a program or load a library, or read more
// configuration; names ending in "command" or "provider" are refused too.
constexpr std::string_view FORBIDDEN_CONFIG_NAMES[] = {"include", "match", "host", "proxyusefdpass",
                                                       "xauthlocation"};

std::string ascii_lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool is_ascii_alnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// ProxyJump's value: "none", or a comma-separated list of
// [ssh://][user@]host[:port], each part as strict as a profile's.
CheckResult check_jump_hosts(std::string_view value) {
    if (value == "none") return {};
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        std::string_view hop = value.substr(start, comma - start);
        if (hop.starts_with("ssh://")) hop.remove_prefix(6);
        if (hop.empty() || trim_white_space(hop) != hop) return invalid("jump host is empty or padded");
        if (auto target = parse_quick_target(hop); !target) return std::unexpected(target.error());
        if (comma == value.size()) return {};
        start = comma + 1;
    }
}

// No control characters, none of the words of a command-running option.
CheckResult check_extra_arg(std::string_view arg) {
    if (auto ok = check_no_control("extra_args entry", arg); !ok) return ok;
    const std::string lower = to_lower_full(arg);
    for (std::string_view word : FORBIDDEN_OPTIONS)
        if (lower.find(word) != std::string::npos)
            return invalid("extra_args entry " + debug_quoted(arg) + " contains forbidden option (" +
                           std::string(word) + ")");
    return {};
}

std::unexpected<LaunchError> refused(std::string_view entry, std::string_view why) {
    return invalid("extra_args entry " + debug_quoted(entry) + " " + std::string(why));
}

// The value of a value-taking option, `entry` being the argument that holds
// it. For -o: "Name=value" or "Name value", the name read as ssh reads it.
CheckResult check_option_value(char option, std::string_view entry, std::string_view value) {
    if (option == 'o') {
        std::size_t n = 0;
        while (n < value.size() && is_ascii_alnum(value[n])) ++n;
        if (n == 0 || (n < value.size() && value[n] != '=' && value[n] != ' ' && value[n] != '\t'))
            return refused(entry, "is not an allowed ssh option");
        const std::string name = ascii_lower(value.substr(0, n));
        if (name.ends_with("command") || name.ends_with("provider") ||
            std::ranges::find(FORBIDDEN_CONFIG_NAMES, name) != std::end(FORBIDDEN_CONFIG_NAMES))
            return refused(entry, "contains forbidden option (" + name + ")");
        value.remove_prefix(n);
        const auto skip_blanks = [&] {
            while (value.starts_with(' ') || value.starts_with('\t')) value.remove_prefix(1);
        };
        skip_blanks();
        if (value.starts_with('=')) value.remove_prefix(1);
        skip_blanks();
        option = name == "user" ? 'l' : name == "proxyjump" ? 'J' : name == "hostname" ? 'H' : 'o';
    }
    CheckResult ok;
    if (option == 'l') ok = check_user_name(value);
    if (option == 'J') ok = check_jump_hosts(value);
    if (option == 'H') ok = check_host(value);
    if (!ok) return refused(entry, "has an invalid value: " + ok.error().detail());
    return ok;
}

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

CheckResult check_user_name(std::string_view value) {
    if (auto ok = check_name_value("user", value); !ok) return ok;
    for (std::size_t pos = 0; pos < value.size();) {
        const std::size_t at = pos;
        const auto cp = next_code_point(value, pos);
        const bool shell = pos - at == 1 && SHELL_CHARACTERS.find(value[at]) != std::string_view::npos;
        if (shell || (cp && is_white_space(*cp)))
            return invalid("user contains invalid characters: " + debug_quoted(value));
    }
    return {};
}

CheckResult check_extra_args(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (auto ok = check_extra_arg(arg); !ok) return ok;
    return {};
}

CheckResult check_ssh_extra_args(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& entry = args[i];
        if (auto ok = check_extra_arg(entry); !ok) return ok;
        // "--" would end the options, and a lone "-" or a word is a host.
        if (entry.size() < 2 || entry[0] != '-') return refused(entry, "is not an allowed ssh option");
        for (std::size_t k = 1; k < entry.size(); ++k) {
            const char option = entry[k];
            if (SSH_FLAGS.find(option) != std::string_view::npos) continue;
            if (SSH_VALUE_OPTIONS.find(option) == std::string_view::npos)
                return refused(entry, "is not an allowed ssh option");
            // The rest of the entry is the value, or else the next entry is.
            if (k + 1 < entry.size()) {
                if (auto ok = check_option_value(option, entry, std::string_view(entry).substr(k + 1)); !ok) return ok;
            } else if (i + 1 < args.size()) {
                ++i;
                if (auto ok = check_extra_arg(args[i]); !ok) return ok;
                if (auto ok = check_option_value(option, args[i], args[i]); !ok) return ok;
            } else {
                return refused(entry, "needs a value");
            }
            break;
        }
    }
    return {};
}

CheckResult check_vnc_extra_args(const std::vector<std::string>& args) {
    for (const std::string& entry : args) {
        if (auto ok = check_extra_arg(entry); !ok) return ok;
        if (entry.starts_with('@')) return refused(entry, "must not start with '@'");
    }
    return {};
}

}  // namespace ovelin
