#pragma once

#include <expected>
#include <string>
#include <system_error>
#include <utility>

namespace ovelin {

// Why a connection could not be launched. message() is what the user sees
// (inside the caller's "Cannot connect: ...").
class LaunchError {
public:
    enum class Kind { InvalidProfile, ProgramNotFound, Io };

    static LaunchError invalid_profile(std::string text) { return {Kind::InvalidProfile, std::move(text), {}}; }
    static LaunchError program_not_found(std::string text) { return {Kind::ProgramNotFound, std::move(text), {}}; }
    static LaunchError io(std::error_code ec) { return {Kind::Io, {}, ec}; }

    Kind kind() const { return kind_; }
    // The variant's own text: the failed check's message, the viewer
    // message, or the operating system's description of the error.
    std::string detail() const;
    std::error_code code() const { return code_; }
    // "invalid profile: …", "program not found: …" or "i/o error: …".
    std::string message() const;

    bool operator==(const LaunchError&) const = default;

private:
    LaunchError(Kind kind, std::string text, std::error_code ec) : kind_(kind), text_(std::move(text)), code_(ec) {}

    Kind kind_;
    std::string text_;
    std::error_code code_;
};

using CheckResult = std::expected<void, LaunchError>;

}  // namespace ovelin
