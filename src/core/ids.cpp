#include "core/ids.hpp"

#include <atomic>
#include <chrono>

namespace ovelin {

namespace {
std::atomic<std::uint64_t> id_sequence{0};

template <class Unit>
std::uint64_t since_epoch() {
    auto d = std::chrono::system_clock::now().time_since_epoch();
    if (d.count() < 0) return 0;
    return static_cast<std::uint64_t>(std::chrono::duration_cast<Unit>(d).count());
}
}  // namespace

std::uint64_t unix_millis() { return since_epoch<std::chrono::milliseconds>(); }
std::uint64_t unix_seconds() { return since_epoch<std::chrono::seconds>(); }
std::uint64_t unix_nanos() { return since_epoch<std::chrono::nanoseconds>(); }

std::string new_id(std::string_view prefix) {
    std::uint64_t seq = id_sequence.fetch_add(1, std::memory_order_relaxed);
    std::string id(prefix);
    id += '-';
    id += std::to_string(unix_millis());
    id += '-';
    id += std::to_string(seq);
    return id;
}

}  // namespace ovelin
