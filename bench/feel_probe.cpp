#include "feel_probe.hpp"

#include <algorithm>
#include <cstdlib>
#include <map>

// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

namespace feel {

std::int64_t now_ticks() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double ticks_to_ms(std::int64_t ticks) {
    static const double per_ms = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    return static_cast<double>(ticks) / per_ms;
}

Pixels::~Pixels() {
    if (mem_) {
        ::SelectObject(mem_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(mem_);
    }
}

bool Pixels::read(HWND hwnd, const Region& r) {
    if (r.width() <= 0 || r.height() <= 0) return false;
    HDC win = ::GetDC(hwnd);
    if (!win) return false;
    if (!mem_ || width_ != r.width() || height_ != r.height()) {
        if (mem_) {
            ::SelectObject(mem_, old_);
            ::DeleteObject(bitmap_);
            ::DeleteDC(mem_);
        }
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = r.width();
        bi.bmiHeader.biHeight = -r.height();  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        mem_ = ::CreateCompatibleDC(win);
        bitmap_ = ::CreateDIBSection(win, &bi, DIB_RGB_COLORS, &raw_, nullptr, 0);
        old_ = ::SelectObject(mem_, bitmap_);
        width_ = r.width();
        height_ = r.height();
    }
    const BOOL ok = ::BitBlt(mem_, 0, 0, width_, height_, win, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    ::ReleaseDC(hwnd, win);
    if (!ok) return false;
    const auto* p = static_cast<const std::uint32_t*>(raw_);
    copy_.assign(p, p + static_cast<std::size_t>(width_) * height_);
    for (std::uint32_t& v : copy_) v &= 0xFFFFFF;
    return true;
}

namespace {
bool ink(std::uint32_t c) {
    if (c == CURSOR) return false;
    const int dr = std::abs(int(c >> 16) - int(BACKGROUND >> 16));
    const int dg = std::abs(int((c >> 8) & 0xFF) - int((BACKGROUND >> 8) & 0xFF));
    const int db = std::abs(int(c & 0xFF) - int(BACKGROUND & 0xFF));
    return dr + dg + db > 90;
}
}  // namespace

bool shows_prompt(const Pixels& px, int span) {
    for (int y = 0; y < px.height(); ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < px.width(); ++x)
            if (ink(px.bits()[static_cast<std::size_t>(y) * px.width() + x])) {
                if (first < 0) first = x;
                last = x;
            }
        if (first >= 0 && last - first + 1 >= span) return true;
    }
    return false;
}

std::optional<Region> difference(const Pixels& a, const std::vector<std::uint32_t>& b, const Region& where) {
    if (b.size() != a.bits().size()) return std::nullopt;
    Region box{a.width(), a.height(), -1, -1};
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * a.width() + x;
            if (a.bits()[i] == b[i]) continue;
            box.left = std::min(box.left, x), box.top = std::min(box.top, y);
            box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
        }
    if (box.right < 0) return std::nullopt;
    return Region{where.left + box.left, where.top + box.top, where.left + box.right, where.top + box.bottom};
}

Region client_region(HWND hwnd) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return {0, 0, r.right, r.bottom};
}

void terminate_tree(DWORD pid) {
    std::multimap<DWORD, DWORD> children;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W e{};
        e.dwSize = sizeof e;
        for (BOOL ok = ::Process32FirstW(snap, &e); ok; ok = ::Process32NextW(snap, &e))
            if (e.th32ProcessID != e.th32ParentProcessID) children.emplace(e.th32ParentProcessID, e.th32ProcessID);
        ::CloseHandle(snap);
    }
    std::vector<DWORD> order{pid};
    for (std::size_t i = 0; i < order.size(); ++i)
        for (auto [it, end] = children.equal_range(order[i]); it != end; ++it)
            if (std::find(order.begin(), order.end(), it->second) == order.end()) order.push_back(it->second);
    for (DWORD p : order)
        if (HANDLE h = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p)) {
            ::TerminateProcess(h, 99);
            ::WaitForSingleObject(h, 5000);
            ::CloseHandle(h);
        }
}

Counters counters(const Process& p) {
    Counters c;
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    if (::GetProcessMemoryInfo(p.handle(), &m, sizeof m)) c.commit_mb = static_cast<double>(m.PagefileUsage) / (1 << 20);
    FILETIME created, exited, kernel, user;
    if (::GetProcessTimes(p.handle(), &created, &exited, &kernel, &user)) {
        auto hundred_ns = [](FILETIME f) { return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
        c.cpu_ms = static_cast<double>(hundred_ns(kernel) + hundred_ns(user)) / 1e4;
    }
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        THREADENTRY32 e{};
        e.dwSize = sizeof e;
        for (BOOL ok = ::Thread32First(snap, &e); ok; ok = ::Thread32Next(snap, &e)) c.threads += e.th32OwnerProcessID == p.pid();
        ::CloseHandle(snap);
    }
    return c;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const double at = p * static_cast<double>(v.size() - 1);
    const auto lo = static_cast<std::size_t>(at);
    const std::size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

}  // namespace feel
