#pragma once
// Timestamps for the benchmarks, compiled in only by the bench's trace build
// of the exe (OVELIN_TRACE); in every other build a mark is nothing at all.
// The trace build keeps its marks in shared memory named after its process
// id, where the bench reads them while it runs: the moments a key message
// arrives, its bytes reach the console, output is read and fed, and a paint
// begins and ends. Times are performance-counter ticks, which every process
// on the machine reads alike.

#include <atomic>
#include <cstdint>

namespace ovelin::trace {

enum class Mark : std::uint32_t {
    KeyMessage = 1,  // the window procedure took a key-down
    InputWritten,    // a write to a session's console returned (id: the session)
    OutputRead,      // a read from a session's console returned (id; value: bytes)
    OutputFed,       // that read is in the screen model, before the notice
    PaintBegin,      // the window's paint began
    PaintEnd,        // its block transfer to the window is done (value: 1 when every view was brought up to date)
    PaintDrawn,      // the frame is drawn, its block transfer to the window next
    PaintShown,      // the window's pixels were handed to the display (after PaintEnd)
};

struct Event {
    std::atomic<std::uint64_t> serial;  // the event's number + 1 once written; 0 before
    std::int64_t ticks;
    std::uint64_t id;
    std::uint32_t mark;
    std::uint32_t value;
};

// Written by any thread of the traced process, read by the bench: event n
// lives in slot n % SIZE, complete when its serial is n + 1.
struct Ring {
    static constexpr std::uint32_t SIZE = 1u << 16;
    std::atomic<std::uint64_t> next;  // events claimed
    Event events[SIZE];
};

// "Local\ovelin-trace-<pid>"
inline void ring_name(unsigned long pid, wchar_t (&out)[40]) {
    const wchar_t prefix[] = L"Local\\ovelin-trace-";
    int n = 0;
    for (; prefix[n]; ++n) out[n] = prefix[n];
    wchar_t digits[12];
    int d = 0;
    do digits[d++] = static_cast<wchar_t>(L'0' + pid % 10), pid /= 10;
    while (pid && d < 12);
    while (d > 0) out[n++] = digits[--d];
    out[n] = 0;
}

#ifdef OVELIN_TRACE
void mark(Mark m, std::uint64_t id = 0, std::uint32_t value = 0);
#else
inline void mark(Mark, std::uint64_t = 0, std::uint32_t = 0) {}
#endif

}  // namespace ovelin::trace
