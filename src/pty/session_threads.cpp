#include "pty/session_threads.hpp"

#include "core/trace.hpp"

namespace ovelin {

namespace {
std::atomic<std::size_t> live_session_threads{0};
}

std::size_t PtySession::live_threads() { return live_session_threads.load(); }

namespace pty_detail {

void InputQueue::push(std::string_view bytes) {
    if (bytes.empty()) return;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        chunks_.emplace_back(bytes);
    }
    ready_.notify_one();
}

std::optional<std::string> InputQueue::pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return closed_ || !chunks_.empty(); });
    if (closed_) return std::nullopt;
    std::string out = std::move(chunks_.front());
    chunks_.pop_front();
    // Join what else is waiting so a burst of keys costs one write.
    while (!chunks_.empty() && out.size() < 65536) {
        out += chunks_.front();
        chunks_.pop_front();
    }
    return out;
}

void InputQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        chunks_.clear();
    }
    ready_.notify_all();
}

ThreadToken::ThreadToken() { live_session_threads.fetch_add(1); }
ThreadToken::~ThreadToken() {
    if (counted_) live_session_threads.fetch_sub(1);
}

void ExitLatch::set(ExitStatus status) {
    {
        std::lock_guard lock(mutex_);
        if (status_) return;
        status_ = status;
    }
    ready_.notify_all();
}

ExitStatus ExitLatch::wait() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return status_.has_value(); });
    return *status_;
}

std::string feed_and_notify(LockedScreen& screen, std::string_view bytes, SessionSink& sink, std::uint64_t id) {
    std::string replies;
    {
        std::lock_guard lock(screen.mutex);
        screen.screen.feed(bytes);
        replies = screen.screen.take_replies();
    }
    trace::mark(trace::Mark::OutputFed, id);
    sink.output(id);  // outside the lock: the receiver may paint at once
    return replies;
}

}  // namespace pty_detail
}  // namespace ovelin
