#include "pty/session_threads.hpp"

#include "core/trace.hpp"

namespace ovelin {

namespace {
std::atomic<std::size_t> live_session_threads{0};
}

std::size_t PtySession::live_threads() { return live_session_threads.load(); }

std::expected<std::unique_ptr<PtySession>, std::error_code> PtySession::spawn(std::shared_ptr<SessionSink> sink,
                                                                            const PtyOptions& options) {
    if (!options.start_later) return launch(std::move(sink), options);
    auto screen = options.screen ? options.screen : std::make_shared<LockedScreen>(options.rows, options.cols);
    std::unique_ptr<PtySession> session(new PtySession(options.id, options.rows, options.cols, std::move(screen)));
    session->waiting_sink_ = std::move(sink);
    session->waiting_ = options;
    return session;
}

std::error_code PtySession::start() {
    if (!waiting_) return {};
    PtyOptions options = *std::exchange(waiting_, std::nullopt);
    options.start_later = false;
    options.screen = screen_;
    options.rows = rows_;
    options.cols = cols_;
    auto launched = launch(std::exchange(waiting_sink_, nullptr), options);
    const std::string input = std::exchange(early_input_, {});
    if (!launched) return launched.error();
    std::swap(backend_, (*launched)->backend_);
    write_now(input);
    return {};
}

void PtySession::write(std::string_view bytes) {
    if (backend_)
        write_now(bytes);
    else if (waiting_)
        early_input_ += bytes;
}

void PtySession::resize(std::uint16_t rows, std::uint16_t cols) {
    if (rows == rows_ && cols == cols_) return;
    // A waiting session's program starts at the size it has by then.
    if (backend_ && !resize_console(rows, cols)) return;
    rows_ = rows;
    cols_ = cols;
    std::lock_guard lock(screen_->mutex);
    screen_->screen.resize(rows, cols);
}

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
