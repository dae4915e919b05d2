#pragma once
// The lock shared by a reader thread and the UI thread (a screen, the
// notice gate). On Windows a slim reader/writer lock: std::mutex there
// (winpthreads) waits on a kernel event when contended, and under Wine
// every such wait and wake is a round trip to the server, which eight
// flooding consoles keep busy; a slim lock waits in the process.

#include <mutex>

namespace ovelin {

#ifdef _WIN32
class Lock {
public:
    Lock() = default;
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void lock();
    void unlock();
    bool try_lock();

private:
    void* srw_ = nullptr;  // an SRWLOCK: one pointer, zero when free
};
#else
using Lock = std::mutex;
#endif

}  // namespace ovelin
