#include "proto/launch.hpp"

#include <algorithm>
#include <initializer_list>

#include "core/platform.hpp"
#include "core/quoted.hpp"
#include "proto/checks.hpp"
#include "proto/quote.hpp"
#include "proto/rdp_file.hpp"
#include "proto/unicode.hpp"

namespace ovelin {

namespace fs = std::filesystem;

namespace {

std::unexpected<LaunchError> invalid(std::string text) {
    return std::unexpected(LaunchError::invalid_profile(std::move(text)));
}

// A set variable with something in it; an empty value counts as unset.
std::optional<std::string> non_empty_var(const LaunchEnvironment& env, const std::string& name) {
    auto value = env.env_var(name);
    if (!value || value->empty()) return std::nullopt;
    return value;
}

fs::path join(std::string_view root, std::initializer_list<std::string_view> parts) {
    fs::path p = platform::utf8_path(root);
    for (std::string_view part : parts) p /= platform::utf8_path(part);
    return p;
}

// SystemRoot; an empty one would make paths relative to the current folder.
std::string windows_root(const LaunchEnvironment& env) {
    return non_empty_var(env, "SystemRoot").value_or("C:\\Windows");
}

// A drive-rooted or UNC path: one that names the same place whatever the
// current folder.
bool is_fully_qualified(std::string_view p) {
    const bool drive = p.size() >= 3 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) &&
                       p[1] == ':' && (p[2] == '\\' || p[2] == '/');
    const bool unc = p.size() >= 2 && (p[0] == '\\' || p[0] == '/') && (p[1] == '\\' || p[1] == '/');
    return drive || unc;
}

// A folder as Windows compares it: either separator, "." and ".." resolved,
// no trailing separator, ASCII letters in one case.
std::string folder_key(std::string_view folder) {
    std::vector<std::string> parts;
    std::string part;
    const auto end_part = [&] {
        if (part == "..") {
            if (parts.size() > 1) parts.pop_back();
        } else if (part != "." && !(part.empty() && !parts.empty())) {
            parts.push_back(part);
        }
        part.clear();
    };
    for (char c : folder) {
        if (c == '\\' || c == '/') {
            end_part();
        } else {
            part += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    end_part();
    std::string key;
    for (const std::string& p : parts) key += p + "\\";
    return key;
}

// The first PATH folder holding `name`. Folders that are not fully
// qualified (they follow the current folder), the current folder itself and
// the program's own folder are skipped: a file dropped beside a portable
// copy of this program, or in the folder it was started from, must not run.
std::optional<fs::path> find_on_path(const LaunchEnvironment& env, std::string_view name) {
    const auto path = env.env_var("PATH");
    if (!path) return std::nullopt;
    std::vector<std::string> skipped;
    for (const auto& dir : {env.program_dir(), env.current_dir()})
        if (dir) skipped.push_back(folder_key(platform::path_utf8(*dir)));
    for (std::size_t start = 0; start <= path->size();) {
        const std::size_t end = std::min(path->find(';', start), path->size());
        std::string_view folder = std::string_view(*path).substr(start, end - start);
        start = end + 1;
        if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
            folder = folder.substr(1, folder.size() - 2);
        if (!is_fully_qualified(folder) || std::ranges::find(skipped, folder_key(folder)) != skipped.end()) continue;
        if (fs::path candidate = join(folder, {name}); env.is_regular_file(candidate)) return candidate;
    }
    return std::nullopt;
}

bool ends_with_exe(std::string_view path) {
    if (path.size() < 4) return false;
    std::string tail(path.substr(path.size() - 4));
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".exe";
}

std::expected<LaunchPlan, LaunchError> local_shell(const LocalShell& shell) {
    if (auto ok = check_no_control("command", shell.command); !ok) return std::unexpected(ok.error());
    if (trim_white_space(shell.command).empty()) return invalid("command is empty");
    // The user's own command line: run as written, spaces and all.
    return Terminal{shell.command};
}

std::expected<LaunchPlan, LaunchError> ssh(const Ssh& profile, const LaunchEnvironment& env) {
    if (auto ok = check_host(profile.host); !ok) return std::unexpected(ok.error());
    if (auto ok = check_port(profile.port); !ok) return std::unexpected(ok.error());
    if (profile.user)
        if (auto ok = check_user_name(*profile.user); !ok) return std::unexpected(ok.error());
    if (profile.identity_file) {
        if (auto ok = check_no_control("identity_file", *profile.identity_file); !ok)
            return std::unexpected(ok.error());
        if (profile.identity_file->empty()) return invalid("identity_file is empty");
    }
    if (auto ok = check_ssh_extra_args(profile.extra_args); !ok) return std::unexpected(ok.error());

    std::vector<std::string> args;
    if (profile.port != 22) {
        args.push_back("-p");
        args.push_back(std::to_string(profile.port));
    }
    if (profile.identity_file) {
        args.push_back("-i");
        args.push_back(*profile.identity_file);
    }
    args.insert(args.end(), profile.extra_args.begin(), profile.extra_args.end());
    args.push_back(profile.user ? *profile.user + "@" + profile.host : profile.host);
    return Terminal{command_line(ssh_program(env), args)};
}

std::expected<LaunchPlan, LaunchError> rdp(const Rdp& profile, const LaunchEnvironment& env) {
    if (auto ok = check_host(profile.host); !ok) return std::unexpected(ok.error());
    if (auto ok = check_port(profile.port); !ok) return std::unexpected(ok.error());
    if (profile.user)
        if (auto ok = check_name_value("user", *profile.user); !ok) return std::unexpected(ok.error());
    if (profile.domain)
        if (auto ok = check_name_value("domain", *profile.domain); !ok) return std::unexpected(ok.error());

    auto dir = env.temp_dir();
    if (!dir) return std::unexpected(LaunchError::io(dir.error()));
    const std::string content = rdp_file_content(profile);
    // Only a file this call creates is written: a name already taken (by
    // chance, or planted there to be read by the client) gets the next one.
    std::error_code ec = std::make_error_code(std::errc::file_exists);
    for (int attempt = 0; attempt < 100 && ec; ++attempt) {
        const fs::path file = *dir / platform::utf8_path(rdp_file_name(platform::process_id(),
                                                                      next_connection_file_number(), env.unix_nanos()));
        ec = platform::write_new_file(file, content);
        if (!ec) return External{platform::path_utf8(join(windows_root(env), {"System32", "mstsc.exe"})),
                                 {platform::path_utf8(file)}, file};
        if (!platform::already_exists(ec)) break;
    }
    return std::unexpected(LaunchError::io(ec));
}

std::expected<LaunchPlan, LaunchError> vnc(const Vnc& profile, const LaunchEnvironment& env) {
    if (auto ok = check_host(profile.host); !ok) return std::unexpected(ok.error());
    if (auto ok = check_port(profile.port); !ok) return std::unexpected(ok.error());
    if (auto ok = check_vnc_extra_args(profile.extra_args); !ok) return std::unexpected(ok.error());

    std::string program;
    if (profile.viewer_path) {
        if (auto ok = check_no_control("viewer_path", *profile.viewer_path); !ok) return std::unexpected(ok.error());
        // A configured viewer that is missing is an error, never a silent
        // fall-back to another viewer.
        if (!env.is_regular_file(platform::utf8_path(*profile.viewer_path)))
            return std::unexpected(
                LaunchError::program_not_found("configured VNC viewer not found: " + *profile.viewer_path));
        // A batch file would be run by cmd.exe, which reads its arguments
        // by rules of its own: only a program gets them as quoted.
        if (!ends_with_exe(*profile.viewer_path))
            return invalid("viewer_path is not a program (.exe): " + debug_quoted(*profile.viewer_path));
        program = *profile.viewer_path;
    } else {
        auto found = find_vnc_viewer(env);
        if (!found)
            return std::unexpected(LaunchError::program_not_found(
                "no VNC viewer configured and none autodetected (TightVNC/RealVNC/UltraVNC default install paths)"));
        program = std::move(*found);
    }

    std::vector<std::string> args = profile.extra_args;
    args.push_back(profile.host + ":" + std::to_string(profile.port));
    return External{std::move(program), std::move(args), std::nullopt};
}

}  // namespace

std::expected<LaunchPlan, LaunchError> build_launch(const ProfileKind& kind, const LaunchEnvironment& env) {
    struct Visitor {
        const LaunchEnvironment& env;
        std::expected<LaunchPlan, LaunchError> operator()(const LocalShell& k) const { return local_shell(k); }
        std::expected<LaunchPlan, LaunchError> operator()(const Ssh& k) const { return ssh(k, env); }
        std::expected<LaunchPlan, LaunchError> operator()(const Rdp& k) const { return rdp(k, env); }
        std::expected<LaunchPlan, LaunchError> operator()(const Vnc& k) const { return vnc(k, env); }
    };
    return std::visit(Visitor{env}, kind);
}

std::string external_command_line(const External& plan) { return command_line(plan.program, plan.arguments); }

std::string ssh_program(const LaunchEnvironment& env) {
    fs::path installed = join(windows_root(env), {"System32", "OpenSSH", "ssh.exe"});
    if (env.is_regular_file(installed)) return platform::path_utf8(installed);
    if (auto found = find_on_path(env, "ssh.exe")) return platform::path_utf8(*found);
    // Never a bare name: the start then fails saying where the client belongs.
    return platform::path_utf8(installed);
}

std::optional<std::string> find_vnc_viewer(const LaunchEnvironment& env) {
    std::vector<std::string> roots;
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)"})
        if (auto root = non_empty_var(env, name)) roots.push_back(std::move(*root));

    // Viewer first, then root: a TightVNC anywhere beats a RealVNC anywhere.
    const std::initializer_list<std::string_view> viewers[] = {
        {"TightVNC", "tvnviewer.exe"},
        {"RealVNC", "VNC Viewer", "vncviewer.exe"},
        {"uvnc bvba", "UltraVNC", "vncviewer.exe"},
    };
    for (const auto& viewer : viewers)
        for (const std::string& root : roots)
            if (fs::path p = join(root, viewer); env.is_regular_file(p)) return platform::path_utf8(p);
    return std::nullopt;
}

std::string default_shell_command(const LaunchEnvironment& env) {
    auto comspec = env.env_var("COMSPEC");
    const std::string_view shell = comspec ? trim_white_space(*comspec) : std::string_view();
    if (shell.empty()) return "C:\\Windows\\System32\\cmd.exe";
    // One path, even with spaces: unquoted, "C:\Program Files\x\cmd.exe"
    // would first try to run "C:\Program.exe".
    return shell.starts_with('"') ? std::string(shell) : quote_arg(shell);
}

}  // namespace ovelin
