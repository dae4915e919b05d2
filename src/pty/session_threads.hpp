#pragma once
// Pieces both backends share: the input queue between the owner and the
// writer thread, the live-thread count, the exit status handed from the
// watcher to the reader, and feeding one read into the screen.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "pty/pty_session.hpp"

namespace ovelin::pty_detail {

// Bytes waiting for the child's input, in order. The owner pushes; the
// writer pops. Closing wakes the writer for good.
class InputQueue {
public:
    void push(std::string_view bytes);
    // Blocks until bytes are queued (all of them, joined) or the queue is closed.
    std::optional<std::string> pop();
    void close();

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::string> chunks_;
    bool closed_ = false;
};

// Counts a session thread from before it starts to its end: made by the
// spawner, handed to the thread, released when the thread function returns.
class ThreadToken {
public:
    ThreadToken();
    ~ThreadToken();
    ThreadToken(ThreadToken&& other) noexcept : counted_(std::exchange(other.counted_, false)) {}
    ThreadToken(const ThreadToken&) = delete;
    ThreadToken& operator=(const ThreadToken&) = delete;
    ThreadToken& operator=(ThreadToken&&) = delete;

private:
    bool counted_ = true;
};

// The program's exit status, from the watcher (which sees the program end)
// to the reader (which reports it once the output is drained).
class ExitLatch {
public:
    // The first status given is kept.
    void set(ExitStatus status);
    ExitStatus wait();

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::optional<ExitStatus> status_;
};

// Feeds one read into the screen under its lock and returns the terminal's
// replies (to be written back to the child), then tells the sink.
std::string feed_and_notify(LockedScreen& screen, std::string_view bytes, SessionSink& sink, std::uint64_t id);

}  // namespace ovelin::pty_detail
