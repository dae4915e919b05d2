#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "core/platform.hpp"

namespace ovelin::platform {

namespace {
std::error_code last_error() { return {errno, std::generic_category()}; }

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

std::error_code write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return last_error();
        }
        if (n == 0) return std::make_error_code(std::errc::io_error);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}
}  // namespace

std::optional<std::string> env_var(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

std::filesystem::path utf8_path(std::string_view utf8) { return std::filesystem::path(utf8); }
std::string path_utf8(const std::filesystem::path& p) { return p.string(); }

std::expected<std::string, std::error_code> read_file(const std::filesystem::path& p) {
    Fd f{::open(p.c_str(), O_RDONLY | O_CLOEXEC)};
    if (f.fd < 0) return std::unexpected(last_error());
    std::string out;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(f.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(last_error());
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

bool is_missing(const std::error_code& ec) { return ec == std::errc::no_such_file_or_directory; }

std::error_code write_file(const std::filesystem::path& p, std::string_view bytes, bool flush) {
    Fd f{::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (f.fd < 0) return last_error();
    if (auto ec = write_all(f.fd, bytes)) return ec;
    if (flush && ::fsync(f.fd) != 0) return last_error();
    return {};
}

std::error_code append_file_shared(const std::filesystem::path& p, std::string_view bytes) {
    Fd f{::open(p.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)};
    if (f.fd < 0) return last_error();
    // O_APPEND makes each write land at the end as a whole; a short write
    // (full disk) would be continued at the new end.
    return write_all(f.fd, bytes);
}

EntryKind entry_kind(const std::filesystem::path& p) {
    struct stat st{};
    if (::lstat(p.c_str(), &st) != 0) return errno == ENOENT ? EntryKind::Missing : EntryKind::Other;
    if (S_ISLNK(st.st_mode)) return EntryKind::Link;
    if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    return EntryKind::Other;
}

std::expected<HeldTemp, std::error_code> HeldTemp::acquire(const std::filesystem::path& temp) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int attempt = 0;; ++attempt) {
        Fd f{::open(temp.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)};
        if (f.fd < 0) return std::unexpected(last_error());
        if (::flock(f.fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) return std::unexpected(last_error());
            if (std::chrono::steady_clock::now() >= give_up) return std::unexpected(last_error());
            std::this_thread::sleep_for(std::chrono::milliseconds(attempt < 50 ? 1 : 10));
            continue;
        }
        // The writer before us may have renamed this very file over its
        // target while we waited: then the lock is on the target, and the
        // temporary name is free or another file. Only the file still
        // under the temporary name is ours to fill.
        struct stat held{}, named{};
        if (::fstat(f.fd, &held) != 0) return std::unexpected(last_error());
        if (::stat(temp.c_str(), &named) != 0 || held.st_ino != named.st_ino || held.st_dev != named.st_dev) {
            if (std::chrono::steady_clock::now() >= give_up)
                return std::unexpected(std::make_error_code(std::errc::resource_unavailable_try_again));
            continue;
        }
        if (::ftruncate(f.fd, 0) != 0) return std::unexpected(last_error());
        return HeldTemp(std::exchange(f.fd, -1), temp);
    }
}

HeldTemp::HeldTemp(HeldTemp&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

HeldTemp::~HeldTemp() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));  // releases the lock
}

std::error_code HeldTemp::write(std::string_view bytes) {
    const int fd = static_cast<int>(handle_);
    if (auto ec = write_all(fd, bytes)) return ec;
    if (::fsync(fd) != 0) return last_error();
    return {};
}

std::error_code HeldTemp::replace(const std::filesystem::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return last_error();
    return {};
}

std::uint32_t process_id() { return static_cast<std::uint32_t>(::getpid()); }

std::error_code write_new_file(const std::filesystem::path& p, std::string_view bytes) {
    std::error_code ec;
    {
        Fd f{::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
        if (f.fd < 0) return last_error();
        ec = write_all(f.fd, bytes);
        if (!ec && ::fsync(f.fd) != 0) ec = last_error();
    }
    if (ec) ::unlink(p.c_str());
    return ec;
}

bool already_exists(const std::error_code& ec) { return ec == std::errc::file_exists; }

std::optional<std::filesystem::path> executable_path() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    return p;
}

}  // namespace ovelin::platform
