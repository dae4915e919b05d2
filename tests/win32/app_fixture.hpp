#pragma once
// A scratch APPDATA, the test shell as COMSPEC, and ovelin.exe started in it.

#include <gtest/gtest.h>

#include "win32/driver.hpp"
// After windows.h, which it needs.
#include <shellapi.h>

namespace ovelin::testing {

inline constexpr UINT WM_NEW_TAB = WM_APP + 1;
inline constexpr UINT WM_TRAY_CALLBACK = WM_APP + 2;

inline const char CLOSE_TO_TRAY_OFF[] = R"({"schema_version": 1, "close_to_tray": false,
  "restore_sessions_on_start": false, "track_history": true, "sync_mode": "local"})";

class OvelinTest : public ::testing::Test {
protected:
    void SetUp() override {
        appdata_ = make_temp_dir();
        config_ = appdata_ + L"\\ovelin";
    }
    void TearDown() override {
        // A terminated process leaves its notification icon behind, and under
        // Wine enough dead icons make adding one fail for later tests.
        if (HWND hwnd = app_ ? find_main_window(app_.pid()) : nullptr) {
            NOTIFYICONDATAW nid{};
            nid.cbSize = sizeof nid;
            nid.hWnd = hwnd;
            nid.uID = 1;
            ::Shell_NotifyIconW(NIM_DELETE, &nid);
        }
        app_.terminate();
        remove_tree(appdata_);
    }

    // Starts ovelin.exe and waits for its window to show.
    HWND start(const std::optional<std::wstring>& appdata) {
        Environment env = current_environment();
        if (appdata)
            env[L"APPDATA"] = *appdata;
        else
            env.erase(L"APPDATA");
        env[L"COMSPEC"] = bin_path(L"test_shell.exe");
        app_ = start_process(ovelin_exe(), L"", env, appdata_);
        EXPECT_TRUE(app_) << "ovelin.exe did not start";
        HWND hwnd = wait_for_main_window(app_);
        EXPECT_NE(hwnd, nullptr) << "no OvelinHost window";
        return hwnd;
    }
    HWND start() { return start(appdata_); }

    void write_config(const std::wstring& name, const std::string& bytes) {
        ::CreateDirectoryW(config_.c_str(), nullptr);
        ASSERT_TRUE(write_file(config_ + L"\\" + name, bytes));
    }
    std::string config_file(const std::wstring& name) { return read_file(config_ + L"\\" + name).value_or(""); }

    // The number of records in sessions.json (-1 while it does not parse).
    int saved_sessions() {
        std::string text = config_file(L"sessions.json");
        if (text.find("\"sessions\"") == std::string::npos) return -1;
        int n = 0;
        for (std::size_t p = 0; (p = text.find("\"id\"", p)) != std::string::npos; ++p) ++n;
        return n;
    }

    std::wstring appdata_;
    std::wstring config_;
    Process app_;
};

}  // namespace ovelin::testing
