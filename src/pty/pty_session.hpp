#pragma once
// One child program on a pseudo console, its output read on a thread of its
// own into a shared screen model. Backends: ConPTY on Windows, a POSIX pty
// elsewhere; both behind this one interface.
//
// Threads: the owner (the UI thread) calls write, resize and the destructor.
// Each session has a reader (feeds the screen, notifies the sink), a writer
// (drains queued input, so a child that stops reading never blocks the
// owner) and a watcher (ends the session when the program ends, even while
// something else keeps the console's output open).

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/lock.hpp"
#include "term/screen.hpp"

namespace ovelin {

inline constexpr std::size_t SCROLLBACK_LINES = 10000;
inline constexpr std::size_t READ_BUFFER_SIZE = 8192;

// The screen model with its lock, shared by a session and its reader.
struct LockedScreen {
    LockedScreen(std::uint16_t rows, std::uint16_t cols) : screen(rows, cols, SCROLLBACK_LINES) {}
    Lock mutex;
    Screen screen;
};

// How a session's program ended: its exit status, or nullopt when the
// status could not be read.
using ExitStatus = std::optional<std::uint32_t>;

// Told about a session from its reader thread; never blocks.
class SessionSink {
public:
    virtual ~SessionSink() = default;
    // New output has been fed into the screen (one call per read).
    virtual void output(std::uint64_t id) = 0;
    // The program ended and its output has been read to the end; called
    // once, last. A signal on POSIX reads as 128 + its number, as shells say.
    virtual void exited(std::uint64_t id, ExitStatus status) = 0;
};

struct PtyOptions {
    std::uint64_t id = 0;
    std::string command_line;  // complete, as typed for the platform's shell
    std::optional<std::string> working_dir;
    std::uint16_t rows = 24;
    std::uint16_t cols = 80;
    // The screen model to write into, of this size (a restarted tab keeps
    // its lines); a new one when null.
    std::shared_ptr<LockedScreen> screen;
    // Made with its screen but no program until start(): restored tabs wait
    // so that the one shown starts its program alone.
    bool start_later = false;
};

class PtySession {
public:
    static std::expected<std::unique_ptr<PtySession>, std::error_code> spawn(std::shared_ptr<SessionSink> sink,
                                                                          const PtyOptions& options);

    // Ends the child (if it still runs) and releases everything; the threads
    // finish on their own once the console is closed.
    ~PtySession();
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // Starts the program of a session made with start_later, once: it no
    // longer waits, whether it started or not (the error says why). Input
    // written while it waited goes to the program first.
    std::error_code start();
    bool waiting() const { return waiting_.has_value(); }

    // Queues the bytes for the child's input, in order; returns at once.
    void write(std::string_view bytes);
    // Resizes the console and the screen model; the same size does nothing.
    void resize(std::uint16_t rows, std::uint16_t cols);

    std::uint64_t id() const { return id_; }
    std::uint16_t rows() const { return rows_; }
    std::uint16_t cols() const { return cols_; }
    const std::shared_ptr<LockedScreen>& screen() const { return screen_; }

    // Session threads still running in this process (all sessions).
    static std::size_t live_threads();

    struct Backend;  // one per platform

private:
    // The platform's part of spawn: a program on a console, started now.
    static std::expected<std::unique_ptr<PtySession>, std::error_code> launch(std::shared_ptr<SessionSink> sink,
                                                                           const PtyOptions& options);
    // The platform's part of write and resize; resize answers whether the console took the size.
    void write_now(std::string_view bytes);
    bool resize_console(std::uint16_t rows, std::uint16_t cols);

    PtySession(std::uint64_t id, std::uint16_t rows, std::uint16_t cols, std::shared_ptr<LockedScreen> screen,
               std::unique_ptr<Backend> backend);
    PtySession(std::uint64_t id, std::uint16_t rows, std::uint16_t cols, std::shared_ptr<LockedScreen> screen);

    std::uint64_t id_;
    std::uint16_t rows_;
    std::uint16_t cols_;
    std::shared_ptr<LockedScreen> screen_;
    std::unique_ptr<Backend> backend_;
    // While it waits to start: what the start needs, and input written meanwhile.
    std::shared_ptr<SessionSink> waiting_sink_;
    std::optional<PtyOptions> waiting_;
    std::string early_input_;
};

}  // namespace ovelin
