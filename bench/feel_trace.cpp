#include "feel_trace.hpp"

#include <algorithm>

#include "feel_probe.hpp"

namespace feel {

using ovelin::trace::Mark;
using ovelin::trace::Ring;

TraceReader::~TraceReader() {
    if (ring_) ::UnmapViewOfFile(ring_);
    if (mapping_) ::CloseHandle(mapping_);
}

bool TraceReader::open(DWORD pid) {
    if (ring_) return true;
    wchar_t name[40];
    ovelin::trace::ring_name(pid, name);
    mapping_ = ::OpenFileMappingW(FILE_MAP_READ, FALSE, name);
    if (!mapping_) return false;
    ring_ = static_cast<const Ring*>(::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, sizeof(Ring)));
    return ring_ != nullptr;
}

void TraceReader::update() {
    if (!ring_) return;
    const std::uint64_t claimed = ring_->next.load(std::memory_order_acquire);
    if (claimed > next_ + Ring::SIZE) {
        lost_ += claimed - Ring::SIZE - next_;
        next_ = claimed - Ring::SIZE;
    }
    for (; next_ < claimed; ++next_) {
        const ovelin::trace::Event& e = ring_->events[next_ % Ring::SIZE];
        const std::uint64_t serial = e.serial.load(std::memory_order_acquire);
        if (serial < next_ + 1) break;  // still being written
        const Seen s{e.ticks, e.id, static_cast<Mark>(e.mark), e.value};
        // Written over by a later lap, before or while it was read: lost.
        if (serial != next_ + 1 || e.serial.load(std::memory_order_acquire) != serial) {
            ++lost_;
            continue;
        }
        seen_.push_back(s);
    }
}

namespace {

// The first mark at or after `from` that passes `match`.
template <class F>
const Seen* first(const std::vector<Seen>& seen, std::int64_t from, F match) {
    auto it = std::lower_bound(seen.begin(), seen.end(), from, [](const Seen& s, std::int64_t t) { return s.ticks < t; });
    for (; it != seen.end(); ++it)
        if (match(*it)) return &*it;
    return nullptr;
}

}  // namespace

std::optional<OwnParts> own_parts(const std::vector<Seen>& seen_in, std::int64_t sent) {
    // Marks from different threads may arrive a little out of order.
    std::vector<Seen> seen = seen_in;
    std::stable_sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.ticks < b.ticks; });
    const Seen* key = first(seen, sent, [](const Seen& s) { return s.mark == Mark::KeyMessage; });
    if (!key) return std::nullopt;
    const Seen* written = first(seen, key->ticks, [](const Seen& s) { return s.mark == Mark::InputWritten; });
    if (!written) return std::nullopt;
    const std::uint64_t session = written->id;
    const Seen* read = first(seen, written->ticks,
                             [&](const Seen& s) { return s.mark == Mark::OutputRead && s.id == session; });
    if (!read) return std::nullopt;
    const Seen* fed =
        first(seen, read->ticks, [&](const Seen& s) { return s.mark == Mark::OutputFed && s.id == session; });
    if (!fed) return std::nullopt;
    const Seen* begun = first(seen, fed->ticks, [](const Seen& s) { return s.mark == Mark::PaintBegin; });
    if (!begun) return std::nullopt;
    const Seen* ended = first(seen, begun->ticks, [](const Seen& s) { return s.mark == Mark::PaintEnd; });
    if (!ended) return std::nullopt;
    const Seen* drawn = first(seen, begun->ticks, [](const Seen& s) { return s.mark == Mark::PaintDrawn; });
    const double blit = drawn && drawn->ticks <= ended->ticks ? ticks_to_ms(ended->ticks - drawn->ticks) : 0;
    const Seen* shown = first(seen, ended->ticks, [](const Seen& s) { return s.mark == Mark::PaintShown; });
    return OwnParts{ticks_to_ms(written->ticks - key->ticks), ticks_to_ms(ended->ticks - read->ticks),
                    ticks_to_ms(begun->ticks - read->ticks), blit, ticks_to_ms(key->ticks - sent),
                    ticks_to_ms(read->ticks - written->ticks), shown ? ticks_to_ms(shown->ticks - ended->ticks) : 0};
}

PaintRate paints_between(const std::vector<Seen>& seen, std::int64_t from, std::int64_t to) {
    PaintRate rate;
    std::int64_t begun = -1;
    double total = 0;
    for (const Seen& s : seen) {
        if (s.ticks < from || s.ticks > to) continue;
        if (s.mark == Mark::PaintBegin) begun = s.ticks;
        if (s.mark == Mark::PaintEnd && begun >= 0) {
            ++rate.paints;
            rate.full += s.value == 1;
            total += ticks_to_ms(s.ticks - begun);
            begun = -1;
        }
    }
    rate.mean_ms = rate.paints ? total / rate.paints : 0;
    return rate;
}

}  // namespace feel
