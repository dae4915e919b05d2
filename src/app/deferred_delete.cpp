#include "app/deferred_delete.hpp"

namespace ovelin {

DeferredDeletes::~DeferredDeletes() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void DeferredDeletes::add(std::filesystem::path file) {
    {
        std::lock_guard lock(mutex_);
        waiting_.emplace_back(Clock::now() + delay_, std::move(file));
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

void DeferredDeletes::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) return;  // stopping, and nothing left
        const Clock::time_point due = waiting_.front().first;
        // Stopping does not cut the wait short; only the deadline counts.
        if (Clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        std::filesystem::path file = std::move(waiting_.front().second);
        waiting_.pop_front();
        lock.unlock();
        std::error_code ec;
        std::filesystem::remove(file, ec);
        lock.lock();
    }
}

}  // namespace ovelin
