// POSIX backend: forkpty, a reader, a writer and a watcher thread per session.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "pty/session_threads.hpp"

extern char** environ;

namespace ovelin {

using pty_detail::ExitLatch;
using pty_detail::InputQueue;
using pty_detail::ThreadToken;

namespace {

std::error_code errno_code(int e = errno) { return {e, std::generic_category()}; }

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) reset(std::exchange(o.fd_, -1));
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

bool make_pipe(Fd& read_end, Fd& write_end) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) return false;
    read_end.reset(p[0]);
    write_end.reset(p[1]);
    return true;
}

// A wake-up channel between threads. A socket pair, not a pipe: poking a
// thread that has already gone must not raise SIGPIPE.
bool make_channel(Fd& a, Fd& b) {
    int p[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, p) != 0) return false;
    a.reset(p[0]);
    b.reset(p[1]);
    return true;
}

void poke(int fd) {
    char c = 1;
    while (::send(fd, &c, 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno == EINTR) {
    }
}

// Words of a command line: blanks separate; single quotes are literal;
// double quotes allow backslash before a double quote, backslash, dollar or
// backquote; a backslash outside quotes takes the next character as it is.
std::vector<std::string> split_command_line(std::string_view s) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (in_word) words.push_back(std::move(word)), word.clear(), in_word = false;
            continue;
        }
        in_word = true;
        if (c == '\'') {
            for (++i; i < s.size() && s[i] != '\''; ++i) word += s[i];
        } else if (c == '"') {
            for (++i; i < s.size() && s[i] != '"'; ++i) {
                if (s[i] == '\\' && i + 1 < s.size() && std::strchr("\"\\$`", s[i + 1])) ++i;
                word += s[i];
            }
        } else if (c == '\\' && i + 1 < s.size()) {
            word += s[++i];
        } else {
            word += c;
        }
    }
    if (in_word) words.push_back(std::move(word));
    return words;
}

// Each thread takes its arguments into locals, released before its token
// (a parameter) stops counting it.
void reader_loop([[maybe_unused]] ThreadToken token, Fd master_arg, Fd wake_arg, std::shared_ptr<LockedScreen> screen_arg,
                 std::shared_ptr<SessionSink> sink_arg, std::shared_ptr<InputQueue> input_arg,
                 std::shared_ptr<ExitLatch> exit_arg, std::uint64_t id) {
    Fd master = std::move(master_arg), wake = std::move(wake_arg);
    auto screen = std::move(screen_arg);
    auto sink = std::move(sink_arg);
    auto input = std::move(input_arg);
    auto exit = std::move(exit_arg);
    char buf[READ_BUFFER_SIZE];
    const auto feed = [&](ssize_t n) {
        std::string replies = pty_detail::feed_and_notify(*screen, {buf, static_cast<std::size_t>(n)}, *sink, id);
        if (!replies.empty()) input->push(replies);
    };
    // Read first and poll only once the terminal has nothing: under a flood
    // every read finds bytes waiting, and a poll before each would double
    // the system calls per read for nothing. Output still goes before the
    // wake-up, as it did when both were polled together.
    for (;;) {
        ssize_t n = ::read(master.get(), buf, sizeof buf);
        if (n > 0) {
            feed(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno != EAGAIN) break;  // end of output (EIO once every holder of the terminal has gone)
        pollfd fds[2] = {{master.get(), POLLIN, 0}, {wake.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) continue;
        if (fds[1].revents) {
            // The program ended or the session is being dropped: take what is
            // left in the terminal, then stop.
            for (;;) {
                n = ::read(master.get(), buf, sizeof buf);
                if (n > 0)
                    feed(n);
                else if (n < 0 && errno == EINTR)
                    continue;
                else
                    break;
            }
            break;
        }
    }
    // The terminal can end before the program is reaped: wait for its status.
    sink->exited(id, exit->wait());
}

void writer_loop([[maybe_unused]] ThreadToken token, Fd fd_arg, Fd stop_arg, std::shared_ptr<InputQueue> input_arg) {
    Fd fd = std::move(fd_arg), stop = std::move(stop_arg);
    auto input = std::move(input_arg);
    while (auto bytes = input->pop()) {
        std::string_view rest = *bytes;
        while (!rest.empty()) {
            ssize_t n = ::write(fd.get(), rest.data(), rest.size());
            if (n > 0) {
                rest.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) {
                // The child is not reading: wait for room or for the end.
                pollfd fds[2] = {{fd.get(), POLLOUT, 0}, {stop.get(), POLLIN, 0}};
                if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
                if (fds[1].revents) return;
                if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
                continue;
            }
            return;  // the child's side is gone; the input is dropped
        }
    }
}

// The child's pid stays ours until it is reaped; signals go to it only
// before that, so a reused pid is never hit.
struct Child {
    pid_t pid = -1;
    std::mutex mutex;
    bool reaped = false;

    void kill_group() {
        std::lock_guard lock(mutex);
        if (reaped) return;
        ::kill(-pid, SIGKILL);  // the shell and what it runs in the foreground
        ::kill(pid, SIGKILL);
    }
};

ExitStatus exit_status_of(int wait_status) {
    if (WIFEXITED(wait_status)) return static_cast<std::uint32_t>(WEXITSTATUS(wait_status));
    if (WIFSIGNALED(wait_status)) return 128u + static_cast<std::uint32_t>(WTERMSIG(wait_status));
    return std::nullopt;
}

void watcher_loop([[maybe_unused]] ThreadToken token, std::shared_ptr<Child> child_arg, Fd wake_arg,
                  std::shared_ptr<ExitLatch> exit_arg) {
    auto child = std::move(child_arg);
    Fd wake_reader = std::move(wake_arg);
    auto exit = std::move(exit_arg);
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(child->pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    ExitStatus status;
    {
        std::lock_guard lock(child->mutex);
        int wait_status = 0;
        pid_t got;
        while ((got = ::waitpid(child->pid, &wait_status, 0)) < 0 && errno == EINTR) {
        }
        child->reaped = true;
        if (got == child->pid) status = exit_status_of(wait_status);
    }
    exit->set(status);
    poke(wake_reader.get());
}

}  // namespace

struct PtySession::Backend {
    std::shared_ptr<Child> child;
    Fd control;       // a handle on the terminal for resizing
    Fd wake_reader;   // ends the reader
    Fd stop_writer;   // ends a writer waiting for room
    std::shared_ptr<InputQueue> input;

    ~Backend() {
        child->kill_group();
        input->close();
        poke(stop_writer.get());
        poke(wake_reader.get());
    }
};

PtySession::PtySession(std::uint64_t id, std::uint16_t rows, std::uint16_t cols,
                       std::shared_ptr<LockedScreen> screen, std::unique_ptr<Backend> backend)
    : id_(id), rows_(rows), cols_(cols), screen_(std::move(screen)), backend_(std::move(backend)) {}

PtySession::PtySession(std::uint64_t id, std::uint16_t rows, std::uint16_t cols, std::shared_ptr<LockedScreen> screen)
    : id_(id), rows_(rows), cols_(cols), screen_(std::move(screen)) {}

PtySession::~PtySession() = default;

std::expected<std::unique_ptr<PtySession>, std::error_code> PtySession::launch(std::shared_ptr<SessionSink> sink,
                                                                            const PtyOptions& options) {
    std::vector<std::string> words = split_command_line(options.command_line);
    if (words.empty()) return std::unexpected(std::make_error_code(std::errc::invalid_argument));

    // Everything the child needs is prepared before fork: after it only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::string term = "TERM=xterm-256color";
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TERM=", 5) != 0) envp.push_back(*e);
    envp.push_back(term.data());
    envp.push_back(nullptr);
    const char* cwd = options.working_dir ? options.working_dir->c_str() : nullptr;

    Fd error_read, error_write, wake_read, wake_write, stop_read, stop_write;
    if (!make_pipe(error_read, error_write) || !make_channel(wake_read, wake_write) ||
        !make_channel(stop_read, stop_write))
        return std::unexpected(errno_code());

    winsize ws{};
    ws.ws_row = options.rows;
    ws.ws_col = options.cols;
    int master_fd = -1;
    pid_t pid = ::forkpty(&master_fd, nullptr, nullptr, &ws);
    if (pid < 0) return std::unexpected(errno_code());
    if (pid == 0) {
        sigset_t all;
        sigemptyset(&all);
        sigprocmask(SIG_SETMASK, &all, nullptr);
        signal(SIGPIPE, SIG_DFL);
        int err = 0;
        if (cwd && ::chdir(cwd) != 0) {
            err = errno;
        } else {
            ::execvpe(argv[0], argv.data(), envp.data());
            err = errno;
        }
        ssize_t ignored = ::write(error_write.get(), &err, sizeof err);
        (void)ignored;
        ::_exit(127);
    }

    Fd master(master_fd);
    ::fcntl(master.get(), F_SETFD, FD_CLOEXEC);
    error_write.reset();
    int child_errno = 0;
    ssize_t got;
    while ((got = ::read(error_read.get(), &child_errno, sizeof child_errno)) < 0 && errno == EINTR) {
    }
    if (got > 0) {
        int status;
        ::waitpid(pid, &status, 0);
        return std::unexpected(errno_code(child_errno));
    }

    ::fcntl(master.get(), F_SETFL, ::fcntl(master.get(), F_GETFL) | O_NONBLOCK);
    Fd writer_fd(::fcntl(master.get(), F_DUPFD_CLOEXEC, 0));
    Fd control(::fcntl(master.get(), F_DUPFD_CLOEXEC, 0));
    Fd watcher_wake(::fcntl(wake_write.get(), F_DUPFD_CLOEXEC, 0));
    if (!writer_fd || !control || !watcher_wake) {
        std::error_code ec = errno_code();
        ::kill(pid, SIGKILL);
        int status;
        ::waitpid(pid, &status, 0);
        return std::unexpected(ec);
    }

    auto screen = options.screen ? options.screen : std::make_shared<LockedScreen>(options.rows, options.cols);
    auto input = std::make_shared<InputQueue>();
    auto exit = std::make_shared<ExitLatch>();
    auto backend = std::make_unique<Backend>();
    backend->child = std::make_shared<Child>();
    backend->child->pid = pid;
    backend->control = std::move(control);
    backend->wake_reader = std::move(wake_write);
    backend->stop_writer = std::move(stop_write);
    backend->input = input;

    std::thread(reader_loop, ThreadToken(), std::move(master), std::move(wake_read), screen, std::move(sink), input, exit,
                options.id)
        .detach();
    std::thread(writer_loop, ThreadToken(), std::move(writer_fd), std::move(stop_read), input).detach();
    std::thread(watcher_loop, ThreadToken(), backend->child, std::move(watcher_wake), exit).detach();

    return std::unique_ptr<PtySession>(
        new PtySession(options.id, options.rows, options.cols, std::move(screen), std::move(backend)));
}

void PtySession::write_now(std::string_view bytes) { backend_->input->push(bytes); }

bool PtySession::resize_console(std::uint16_t rows, std::uint16_t cols) {
    winsize ws{};
    ws.ws_row = rows;
    ws.ws_col = cols;
    return ::ioctl(backend_->control.get(), TIOCSWINSZ, &ws) == 0;
}

}  // namespace ovelin
