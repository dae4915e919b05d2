#pragma once
// What the feel bench reads from outside a running terminal window: its
// pixels (a region at a time, polled), whether the shell's prompt shows,
// and its process's counters (commit charge, processor time, threads).

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win32/driver.hpp"

namespace feel {

using ovelin::testing::Environment;
using ovelin::testing::Process;

// Performance-counter ticks: the clock the trace build marks with.
std::int64_t now_ticks();
double ticks_to_ms(std::int64_t ticks);

struct Region {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// A region of a window's client area as the display shows it, read into a
// buffer kept between reads (the bench polls it many times a second).
class Pixels {
public:
    Pixels() = default;
    ~Pixels();
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    bool read(HWND hwnd, const Region& region);
    const std::vector<std::uint32_t>& bits() const { return copy_; }  // 0x00RRGGBB, rows top first
    int width() const { return width_; }
    int height() const { return height_; }

private:
    HDC mem_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* raw_ = nullptr;
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> copy_;
};

inline constexpr std::uint32_t BACKGROUND = 0x0C0E12;  // 12, 14, 18: both terminals'
inline constexpr std::uint32_t CURSOR = 0xE1E5ED;      // ovelin's cursor bar

// The prompt shows: in some pixel row of the region, ink (anything far
// from the background, the cursor bar aside) spans at least `span` pixels.
bool shows_prompt(const Pixels& px, int span);

// The smallest region holding every pixel that differs between two reads
// of the same region (offset by where that region lies); nullopt if none.
std::optional<Region> difference(const Pixels& a, const std::vector<std::uint32_t>& b, const Region& where);

Region client_region(HWND hwnd);

// The process and every process it started, and theirs, ended.
void terminate_tree(DWORD pid);

struct Counters {
    double commit_mb = 0;  // PagefileUsage: the commit charge (Wine answers 0 for PrivateUsage)
    double cpu_ms = 0;     // user and kernel time so far
    int threads = 0;
};
Counters counters(const Process& p);

// Polls `condition` about every millisecond until it holds or `timeout_ms`
// pass (the rest of the time is left to the programs measured: two cores).
template <class F>
bool poll(F condition, double timeout_ms) {
    const std::int64_t until = now_ticks() + static_cast<std::int64_t>(timeout_ms / ticks_to_ms(1));
    while (!condition()) {
        if (now_ticks() > until) return false;
        ::Sleep(1);
    }
    return true;
}

// Medians and percentiles of samples.
double percentile(std::vector<double> v, double p);
inline double median(const std::vector<double>& v) { return percentile(v, 0.5); }

}  // namespace feel
