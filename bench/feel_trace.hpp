#pragma once
// Reading the marks of ovelin's trace build while it runs, and finding in
// them the parts of one keystroke's way that the program owns.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/trace.hpp"

namespace feel {

struct Seen {
    std::int64_t ticks;
    std::uint64_t id;
    ovelin::trace::Mark mark;
    std::uint32_t value;
};

class TraceReader {
public:
    TraceReader() = default;
    ~TraceReader();
    TraceReader(const TraceReader&) = delete;
    TraceReader& operator=(const TraceReader&) = delete;

    // The ring of that process (it makes it at its first mark); false
    // while there is none.
    bool open(DWORD pid);
    // Takes in the marks made since the last call.
    void update();
    const std::vector<Seen>& seen() const { return seen_; }
    void forget() { seen_.clear(); }
    std::uint64_t lost() const { return lost_; }

private:
    HANDLE mapping_ = nullptr;
    const ovelin::trace::Ring* ring_ = nullptr;
    std::uint64_t next_ = 0;
    std::uint64_t lost_ = 0;
    std::vector<Seen> seen_;
};

// One keystroke sent at `sent` (ticks): from the key message to its bytes
// written to the console, and from the read bringing the echo back to the
// end of the block transfer of the first paint begun after it was fed.
struct OwnParts {
    double input_ms = 0;
    double paint_ms = 0;
    double waited_ms = 0;  // of paint_ms: from the read to the paint's beginning
    double blit_ms = 0;    // of paint_ms: the block transfer to the window
    double arrived_ms = 0;  // from SendInput to the key message
    double console_ms = 0;  // from the bytes written to the read bringing the echo
    double shown_ms = 0;    // from the paint's end to its pixels handed to the display
};
std::optional<OwnParts> own_parts(const std::vector<Seen>& seen, std::int64_t sent);

// Paints that ended between two moments, and their mean length.
struct PaintRate {
    int paints = 0;
    int full = 0;  // of them, paints that brought every view up to date
    double mean_ms = 0;
};
PaintRate paints_between(const std::vector<Seen>& seen, std::int64_t from, std::int64_t to);

}  // namespace feel
