#pragma once
// Files deleted a while after they were handed to another program: a
// connection file must outlive its client's start, but not this program.
// One thread, started with the first file, owned here and joined.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>

namespace ovelin {

class DeferredDeletes {
public:
    explicit DeferredDeletes(std::chrono::milliseconds delay = std::chrono::seconds(3)) : delay_(delay) {}
    // Deletes every file still waiting, each when its time comes (a client
    // started just before must still find its file), then joins the thread.
    ~DeferredDeletes();
    DeferredDeletes(const DeferredDeletes&) = delete;
    DeferredDeletes& operator=(const DeferredDeletes&) = delete;

    // Deletes the file once the delay has passed; failures are ignored.
    void add(std::filesystem::path file);

private:
    void run();

    using Clock = std::chrono::steady_clock;
    const std::chrono::milliseconds delay_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<Clock::time_point, std::filesystem::path>> waiting_;  // by deadline
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace ovelin
