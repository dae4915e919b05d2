#pragma once
// The few operating-system services the portable layers need, with UTF-8
// names. One implementation per platform, chosen by the build.

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace ovelin::platform {

// An environment variable as UTF-8; nullopt when it is not set.
std::optional<std::string> env_var(const std::string& name);

std::filesystem::path utf8_path(std::string_view utf8);
std::string path_utf8(const std::filesystem::path& p);

// The whole file. A missing file gives an error for which is_missing() holds.
std::expected<std::string, std::error_code> read_file(const std::filesystem::path& p);
bool is_missing(const std::error_code& ec);

// Creates or truncates the file and writes all bytes, flushed to the disk.
std::error_code write_file(const std::filesystem::path& p, std::string_view bytes);

// Appends all bytes in one write to the end of the file (created when
// missing), shared with other readers, writers and deleters, so concurrent
// appenders never interleave inside one call.
std::error_code append_file_shared(const std::filesystem::path& p, std::string_view bytes);

// Renames `from` to `to`, replacing `to` when the platform allows.
std::error_code rename_replacing(const std::filesystem::path& from, const std::filesystem::path& to);

std::uint32_t process_id();

// Creates the file, only when nothing of that name exists, and writes all
// bytes; a file left half-written is removed. An existing name gives an
// error for which already_exists() holds.
std::error_code write_new_file(const std::filesystem::path& p, std::string_view bytes);
bool already_exists(const std::error_code& ec);

// The running program's own file; nullopt when it cannot be read.
std::optional<std::filesystem::path> executable_path();

}  // namespace ovelin::platform
