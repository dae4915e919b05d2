#pragma once
// How reader threads reach the main window: by posting, the session id in
// wParam. New output posts only when the session has no notice pending.

#include <windows.h>

#include "core/notice_gate.hpp"
#include "pty/pty_session.hpp"

namespace ovelin::win32 {

// WM_SESSION_EXIT's lParam: the exit status with bit 32 set, or 0 when the
// status could not be read.
LPARAM exit_param(ExitStatus status);
ExitStatus exit_status_of(LPARAM lp);

class PostingSink final : public SessionSink {
public:
    explicit PostingSink(HWND hwnd) : hwnd_(hwnd) {}
    void output(std::uint64_t id) override;
    // Always delivered while the window lives: a full queue is waited out.
    void exited(std::uint64_t id, ExitStatus status) override;
    // The window is about to paint, reading every screen: each session's
    // notice is answered. Until then a session's further reads post nothing,
    // so a flood of reads cannot keep the queue from ever emptying, which
    // is when the window's paint comes.
    void handled_all() { gate_.clear_all(); }

private:
    HWND hwnd_;
    NoticeGate gate_;
};

}  // namespace ovelin::win32
