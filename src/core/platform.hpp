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

// Creates or truncates the file and writes all bytes, flushed to the disk
// unless `flush` is false.
std::error_code write_file(const std::filesystem::path& p, std::string_view bytes, bool flush = true);

// Appends all bytes in one write to the end of the file (created when
// missing), shared with other readers, writers and deleters, so concurrent
// appenders never interleave inside one call.
std::error_code append_file_shared(const std::filesystem::path& p, std::string_view bytes);

// What is at `p` itself. A symbolic link, a junction or any other reparse
// point is a Link: it is never looked through.
enum class EntryKind { Missing, File, Folder, Link, Other };
EntryKind entry_kind(const std::filesystem::path& p);

// The temporary file of one save, held by this writer alone from the moment
// it is opened until it has replaced its target: two writers of one file
// (threads or processes) never write into the same temporary file, and a
// reader of the target finds the old or the new content, never a missing
// or a partial file.
class HeldTemp {
public:
    // Opens `temp` emptied, once no other writer holds it; waits a while
    // for one that does, then gives up with the sharing error.
    static std::expected<HeldTemp, std::error_code> acquire(const std::filesystem::path& temp);
    HeldTemp(HeldTemp&& other) noexcept;
    HeldTemp& operator=(HeldTemp&&) = delete;
    ~HeldTemp();

    // All bytes, flushed to the disk.
    std::error_code write(std::string_view bytes);
    // Renames the file over `target` in one step and lets go of it. A target
    // another program has open without delete sharing is waited for a while.
    std::error_code replace(const std::filesystem::path& target);

private:
    HeldTemp(std::intptr_t handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
    std::intptr_t handle_;  // a file descriptor or a HANDLE
    std::filesystem::path path_;
};

std::uint32_t process_id();

// Creates the file, only when nothing of that name exists, and writes all
// bytes; a file left half-written is removed. An existing name gives an
// error for which already_exists() holds.
std::error_code write_new_file(const std::filesystem::path& p, std::string_view bytes);
bool already_exists(const std::error_code& ec);

// The running program's own file; nullopt when it cannot be read.
std::optional<std::filesystem::path> executable_path();

}  // namespace ovelin::platform
