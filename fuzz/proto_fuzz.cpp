// Any bytes as a quick-connect target, as arguments to quote and as a
// history file: never a crash, and each result keeps its promise.
//   - a target that parses makes an SSH command line that splits back into
//     exactly the client, the port and user@host;
//   - any argument list (NUL-separated) survives quoting and splitting, by
//     the runtime's rules and our own, and one that the ssh checks accept
//     reaches the client unchanged;
//   - history entries that load write back to lines that load the same.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/history.hpp"
#include "core/records_json.hpp"
#include "proto/checks.hpp"
#include "proto/launch.hpp"
#include "proto/quick_target.hpp"
#include "proto/quote.hpp"
#include "proto/windows_argv.hpp"

namespace {

using namespace ovelin;

class NoMachine : public LaunchEnvironment {
public:
    std::optional<std::string> env_var(const std::string&) const override { return std::nullopt; }
    bool is_regular_file(const std::filesystem::path&) const override { return false; }
    std::expected<std::filesystem::path, std::error_code> temp_dir() const override {
        return std::unexpected(std::make_error_code(std::errc::no_such_file_or_directory));
    }
    std::optional<std::filesystem::path> program_dir() const override { return std::nullopt; }
    std::optional<std::filesystem::path> current_dir() const override { return std::nullopt; }
    std::uint64_t unix_nanos() const override { return 0; }
};

void check(bool ok) {
    if (!ok) std::abort();
}

void quick_target(std::string_view text) {
    auto target = parse_quick_target(text);
    if (!target) return;
    check(check_host(target->host).has_value() && target->port != 0);
    auto plan = build_launch(target->to_ssh(), NoMachine{});
    check(plan.has_value() && std::holds_alternative<Terminal>(*plan));
    std::vector<std::string> expected{ssh_program(NoMachine{})};
    if (target->port != 22) expected.insert(expected.end(), {"-p", std::to_string(target->port)});
    expected.push_back(target->user ? *target->user + "@" + target->host : target->host);
    check(ovelin::testing::split_windows_command_line(std::get<Terminal>(*plan).command_line) == expected);
}

void quoting(std::string_view text) {
    std::vector<std::string> args;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\0', start);
        args.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    std::vector<std::string> expected{"prog.exe"};
    expected.insert(expected.end(), args.begin(), args.end());
    check(ovelin::testing::split_windows_command_line(command_line("prog.exe", args)) == expected);
    check(split_arguments(join_arguments(args)) == args);
    (void)check_extra_args(args);
    (void)check_vnc_extra_args(args);
    // Arguments ssh would take reach it exactly, before the host.
    if (check_ssh_extra_args(args)) {
        auto plan = build_launch(Ssh{"h", 22, {}, {}, args}, NoMachine{});
        check(plan.has_value());
        expected[0] = ssh_program(NoMachine{});
        expected.push_back("h");
        check(ovelin::testing::split_windows_command_line(std::get<Terminal>(*plan).command_line) == expected);
    }
}

void history(std::string_view text) {
    auto entries = parse_history(text, "s-1");
    if (!entries) return;
    std::string rewritten;
    for (const auto& e : *entries) {
        auto line = to_compact_json(e);
        if (!line) return;  // invalid UTF-8 inside a string cannot be written
        rewritten += *line + "\n";
    }
    auto again = parse_history(rewritten, "s-1");
    check(again.has_value() && *again == *entries);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    quick_target(text);
    quoting(text);
    history(text);
    return 0;
}
