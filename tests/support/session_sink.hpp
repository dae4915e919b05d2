#pragma once
// A SessionSink that queues what the readers report, for tests to wait on.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "pty/pty_session.hpp"

namespace ovelin::testing {

class QueueSink : public SessionSink {
public:
    struct Event {
        bool exit;
        std::uint64_t id;
        ExitStatus status;  // of an exit
    };

    void output(std::uint64_t id) override { push({false, id, std::nullopt}); }
    void exited(std::uint64_t id, ExitStatus status) override { push({true, id, status}); }

    // Takes the events not taken yet, in order (as a message loop would).
    std::vector<Event> take() {
        std::lock_guard lock(mutex_);
        std::vector<Event> out(events_.begin() + static_cast<std::ptrdiff_t>(taken_), events_.end());
        taken_ = events_.size();
        return out;
    }

    std::vector<Event> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::size_t outputs(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        std::size_t n = 0;
        for (const Event& e : events_) n += (!e.exit && e.id == id);
        return n;
    }
    bool has_exited(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        for (const Event& e : events_)
            if (e.exit && e.id == id) return true;
        return false;
    }
    bool wait_exit(std::uint64_t id, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            for (const Event& e : events_)
                if (e.exit && e.id == id) return true;
            return false;
        });
    }
    // Waits until the predicate holds, re-checking whenever a reader reports
    // (and every few milliseconds, for conditions no report announces).
    template <class Pred>
    bool wait(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (pred()) return true;
            if (std::chrono::steady_clock::now() >= until) return false;
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(20));
        }
    }

private:
    void push(Event e) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(e);
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    std::size_t taken_ = 0;
};

// The screen's whole text, read under its lock.
inline std::string screen_text(const PtySession& s) {
    std::lock_guard lock(s.screen()->mutex);
    return s.screen()->screen.contents();
}

}  // namespace ovelin::testing
