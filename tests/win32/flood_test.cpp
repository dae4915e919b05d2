// ovelin.exe under Wine: a program that floods its tab with output and exits
// while the window's thread is held still; its tab still closes.

#include <gtest/gtest.h>

#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

class Flood : public OvelinTest {};

TEST_F(Flood, ATabThatFloodsAndExitsWhileTheWindowIsBusyStillCloses) {
    const std::string flood = json_path(bin_path(L"flood.exe"));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        write_config(L"profiles.json", R"({"schema_version": 1, "profiles": [
  {"id": "p-flood", "name": "Flood", "kind": {"type": "local_shell", "command": "\")" + flood + R"(\" 60000"}}]})");
        write_config(L"sessions.json", R"({"schema_version": 1, "sessions": [{"id": "s-1", "profile_id": "p-flood"}]})");
        write_config(L"settings.json", R"({"schema_version": 1, "close_to_tray": false,
  "restore_sessions_on_start": true, "track_history": true, "sync_mode": "local"})");
        HWND hwnd = start();
        ASSERT_NE(hwnd, nullptr);

        // The window's thread stands still while the program writes and ends,
        // so every notice of the reader piles up in its queue.
        const DWORD ui_thread = ::GetWindowThreadProcessId(hwnd, nullptr);
        HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, ui_thread);
        ASSERT_NE(thread, nullptr);
        ASSERT_NE(::SuspendThread(thread), static_cast<DWORD>(-1));
        std::this_thread::sleep_for(5s);  // the hold itself is what is tested, not a wait for something
        ::ResumeThread(thread);
        ::CloseHandle(thread);

        // The only tab closed, so the program ended by itself. Under a loaded
        // Wine the 60000 lines alone take over a minute to arrive.
        EXPECT_EQ(app_.wait_exit(300s), std::optional<DWORD>(0));
        EXPECT_EQ(saved_sessions(), 0);
        app_.terminate();
    }
}

}  // namespace
}  // namespace ovelin::testing
