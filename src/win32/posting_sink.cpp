#include "win32/posting_sink.hpp"

#include "win32/messages.hpp"

namespace ovelin::win32 {

namespace {
constexpr LPARAM STATUS_KNOWN = LPARAM(1) << 32;
}

LPARAM exit_param(ExitStatus status) { return status ? STATUS_KNOWN | LPARAM(*status) : 0; }

ExitStatus exit_status_of(LPARAM lp) {
    if (!(lp & STATUS_KNOWN)) return std::nullopt;
    return static_cast<std::uint32_t>(lp & 0xFFFFFFFF);
}

void PostingSink::output(std::uint64_t id) {
    if (!gate_.raise(id)) return;
    // Not posted (queue full): the next read tries again.
    if (!::PostMessageW(hwnd_, WM_SESSION_OUTPUT, static_cast<WPARAM>(id), 0)) gate_.clear(id);
}

void PostingSink::exited(std::uint64_t id, ExitStatus status) {
    // A lost exit would leave a dead tab open for good; this thread has
    // nothing else to do, so it waits for room in the queue.
    while (!::PostMessageW(hwnd_, WM_SESSION_EXIT, static_cast<WPARAM>(id), exit_param(status))) {
        if (!::IsWindow(hwnd_)) return;
        ::Sleep(10);
    }
}

}  // namespace ovelin::win32
