#pragma once
// At most one pending "new output" notice per session. A reader thread asks
// before it posts; the UI clears the session's mark when it handles the
// notice, before it looks at the screen, so output that arrives after the
// clear posts again and none is missed. A flood then costs one queued
// message per session instead of one per read, and the queue cannot fill
// up and swallow the exit notice.

#include <cstdint>
#include <mutex>
#include <unordered_set>

#include "core/lock.hpp"

namespace ovelin {

class NoticeGate {
public:
    // True when no notice for this session is pending; it is then marked.
    bool raise(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        return pending_.insert(id).second;
    }
    // The notice was handled, or could not be posted.
    void clear(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        pending_.erase(id);
    }
    // Every notice handled at once: a paint about to read every screen.
    void clear_all() {
        std::lock_guard lock(mutex_);
        pending_.clear();
    }
    bool pending(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        return pending_.contains(id);
    }

private:
    Lock mutex_;
    std::unordered_set<std::uint64_t> pending_;
};

}  // namespace ovelin
