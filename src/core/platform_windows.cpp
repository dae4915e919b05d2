#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "core/platform.hpp"
#include "core/utf.hpp"

namespace ovelin::platform {

namespace {
std::error_code last_error() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

std::wstring wide(std::string_view utf8) {
    std::u16string u = utf8_to_utf16(utf8);
    return std::wstring(u.begin(), u.end());
}

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
};

std::error_code write_all(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr)) return last_error();
        if (written == 0) return std::make_error_code(std::errc::io_error);
        bytes.remove_prefix(written);
    }
    return {};
}
}  // namespace

std::optional<std::string> env_var(const std::string& name) {
    std::wstring wname = wide(name);
    DWORD needed = ::GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::vector<wchar_t> buf(needed);
    DWORD got = ::GetEnvironmentVariableW(wname.c_str(), buf.data(), needed);
    if (got == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    std::u16string u(buf.data(), buf.data() + got);
    return utf16_to_utf8(u).value_or(std::string());
}

std::filesystem::path utf8_path(std::string_view utf8) { return std::filesystem::path(wide(utf8)); }

std::string path_utf8(const std::filesystem::path& p) {
    const std::wstring& w = p.native();
    return utf16_to_utf8(std::u16string(w.begin(), w.end())).value_or(std::string());
}

std::expected<std::string, std::error_code> read_file(const std::filesystem::path& p) {
    Handle f{::CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return std::unexpected(last_error());
    std::string out;
    char buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(f.h, buf, sizeof buf, &got, nullptr)) return std::unexpected(last_error());
        if (got == 0) break;
        out.append(buf, got);
    }
    return out;
}

bool is_missing(const std::error_code& ec) {
    return ec.category() == std::system_category() &&
           (ec.value() == ERROR_FILE_NOT_FOUND || ec.value() == ERROR_PATH_NOT_FOUND);
}

std::error_code write_file(const std::filesystem::path& p, std::string_view bytes, bool flush) {
    Handle f{::CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return last_error();
    if (auto ec = write_all(f.h, bytes)) return ec;
    if (flush && !::FlushFileBuffers(f.h)) return last_error();
    return {};
}

std::error_code append_file_shared(const std::filesystem::path& p, std::string_view bytes) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end
    // of the file as one piece, whoever else appends. Read access is only
    // there for the lock below, which Windows refuses on a handle that has
    // neither read nor write data access.
    Handle f{::CreateFileW(p.c_str(), GENERIC_READ | FILE_APPEND_DATA | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return last_error();
    // Appenders also take turns on a byte far past any content: where the
    // platform's append is a size query and a write (Wine), two processes
    // could otherwise write at the same offset. Readers are not affected.
    OVERLAPPED turn{};
    turn.Offset = 0xFFFFFFFEu;
    turn.OffsetHigh = 0x7FFFFFFFu;
    const bool locked = ::LockFileEx(f.h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != FALSE;
    std::error_code ec = write_all(f.h, bytes);
    if (locked) ::UnlockFileEx(f.h, 0, 1, 0, &turn);
    return ec;
}

EntryKind entry_kind(const std::filesystem::path& p) {
    const DWORD attributes = ::GetFileAttributesW(p.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::Missing
                                                                              : EntryKind::Other;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::Other;
    return EntryKind::File;
}

std::expected<HeldTemp, std::error_code> HeldTemp::acquire(const std::filesystem::path& temp) {
    // Shared for reading only: while we hold the file no other writer can
    // open it, and once it is the target, readers can. DELETE access lets
    // the same handle rename it over the target.
    const auto give_up = ::GetTickCount64() + 10000;
    for (int attempt = 0;; ++attempt) {
        HANDLE h = ::CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return HeldTemp(reinterpret_cast<std::intptr_t>(h), temp);
        const DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION || ::GetTickCount64() >= give_up) {
            ::SetLastError(error);
            return std::unexpected(last_error());
        }
        ::Sleep(attempt < 50 ? 1 : 10);
    }
}

HeldTemp::HeldTemp(HeldTemp&& other) noexcept
    : handle_(std::exchange(other.handle_, reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE))),
      path_(std::move(other.path_)) {}

HeldTemp::~HeldTemp() {
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
}

std::error_code HeldTemp::write(std::string_view bytes) {
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    if (auto ec = write_all(h, bytes)) return ec;
    if (!::FlushFileBuffers(h)) return last_error();
    return {};
}

std::error_code HeldTemp::replace(const std::filesystem::path& target) {
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    // FILE_RENAME_INFO with room for the name. Its first member is the
    // replace flag (a BOOLEAN) or, for the extended call, a DWORD of flags;
    // REPLACE_IF_EXISTS is 1 in either reading.
    const std::wstring& name = target.native();
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), info->FileName);
    constexpr DWORD replace_if_exists = 0x1, posix_semantics = 0x2;
    // FileRenameInfoEx (Windows 10 1607), which the headers hide for our
    // target version.
    constexpr auto rename_info_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    // Any program that has the target open without delete sharing (an
    // editor, a virus scanner, a sync client reading it) makes the replace
    // fail for that moment; such holds are short, so wait them out for a
    // while rather than lose the save. Where the system knows it, the
    // POSIX-style rename also replaces a target that readers have open
    // with delete sharing.
    bool extended = true;
    for (int attempt = 0;; ++attempt) {
        BOOL done = FALSE;
        if (extended) {
            DWORD flags = replace_if_exists | posix_semantics;
            std::memcpy(buffer.data(), &flags, sizeof flags);
            done = ::SetFileInformationByHandle(h, rename_info_ex, info, static_cast<DWORD>(buffer.size()));
            if (!done && ::GetLastError() != ERROR_SHARING_VIOLATION && ::GetLastError() != ERROR_ACCESS_DENIED) {
                extended = false;  // an older system or file system: the plain rename
                continue;
            }
        } else {
            DWORD flags = replace_if_exists;
            std::memcpy(buffer.data(), &flags, sizeof flags);
            done = ::SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(buffer.size()));
        }
        if (done) {
            ::FlushFileBuffers(h);  // the rename, written through
            // Let go of the target at once: while this handle (with delete
            // access) stays open, a reader that does not share delete, as
            // most programs open a file, is refused it.
            ::CloseHandle(h);
            handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
            return {};
        }
        const DWORD error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt >= 50) {
            ::SetLastError(error);
            return last_error();
        }
        ::Sleep(attempt < 10 ? 2 : 20);
    }
}

std::uint32_t process_id() { return ::GetCurrentProcessId(); }

std::error_code write_new_file(const std::filesystem::path& p, std::string_view bytes) {
    std::error_code ec;
    {
        Handle f{::CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (f.h == INVALID_HANDLE_VALUE) return last_error();
        ec = write_all(f.h, bytes);
        if (!ec && !::FlushFileBuffers(f.h)) ec = last_error();
    }
    if (ec) ::DeleteFileW(p.c_str());
    return ec;
}

bool already_exists(const std::error_code& ec) {
    return ec.category() == std::system_category() &&
           (ec.value() == ERROR_FILE_EXISTS || ec.value() == ERROR_ALREADY_EXISTS);
}

std::optional<std::filesystem::path> executable_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::nullopt;
        if (n < path.size()) {
            path.resize(n);
            return std::filesystem::path(path);
        }
        if (path.size() >= 32768) return std::nullopt;
        path.resize(path.size() * 2);
    }
}

}  // namespace ovelin::platform
