#include "proto/launch.hpp"

#include <initializer_list>

#include "core/ids.hpp"
#include "core/platform.hpp"
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
        if (auto ok = check_name_value("user", *profile.user); !ok) return std::unexpected(ok.error());
    if (profile.identity_file) {
        if (auto ok = check_no_control("identity_file", *profile.identity_file); !ok)
            return std::unexpected(ok.error());
        if (profile.identity_file->empty()) return invalid("identity_file is empty");
    }
    if (auto ok = check_extra_args(profile.extra_args); !ok) return std::unexpected(ok.error());

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
    const fs::path file =
        *dir / platform::utf8_path(rdp_file_name(platform::process_id(), next_connection_file_number(), unix_nanos()));
    if (auto ec = platform::write_file(file, rdp_file_content(profile))) return std::unexpected(LaunchError::io(ec));
    return External{"mstsc.exe", {platform::path_utf8(file)}, file};
}

std::expected<LaunchPlan, LaunchError> vnc(const Vnc& profile, const LaunchEnvironment& env) {
    if (auto ok = check_host(profile.host); !ok) return std::unexpected(ok.error());
    if (auto ok = check_port(profile.port); !ok) return std::unexpected(ok.error());
    if (auto ok = check_extra_args(profile.extra_args); !ok) return std::unexpected(ok.error());

    std::string program;
    if (profile.viewer_path) {
        if (auto ok = check_no_control("viewer_path", *profile.viewer_path); !ok) return std::unexpected(ok.error());
        // A configured viewer that is missing is an error, never a silent
        // fall-back to another viewer.
        if (!env.is_regular_file(platform::utf8_path(*profile.viewer_path)))
            return std::unexpected(
                LaunchError::program_not_found("configured VNC viewer not found: " + *profile.viewer_path));
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
    // An empty SystemRoot would make the path relative to the current folder.
    const std::string root = non_empty_var(env, "SystemRoot").value_or("C:\\Windows");
    fs::path installed = join(root, {"System32", "OpenSSH", "ssh.exe"});
    if (env.is_regular_file(installed)) return platform::path_utf8(installed);
    return "ssh.exe";
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
    if (comspec && !trim_white_space(*comspec).empty()) return *comspec;
    return "C:\\Windows\\System32\\cmd.exe";
}

}  // namespace ovelin
