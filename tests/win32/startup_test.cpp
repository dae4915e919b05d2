// ovelin.exe under Wine: first start, configuration files, closing and the
// notification-area icon.

#include <gtest/gtest.h>

#include "support/default_files.hpp"
#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

using Startup = OvelinTest;

TEST_F(Startup, FirstStartWritesTheDefaultsAndShowsTheWindow) {
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(window_text(hwnd), L"ovelin");
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, 1000);
    EXPECT_EQ(r.bottom - r.top, 650);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, static_cast<LONG>(WS_OVERLAPPEDWINDOW));

    EXPECT_EQ(read_file(config_ + L"\\settings.json").value_or(""), DEFAULT_SETTINGS_JSON);
    EXPECT_EQ(read_file(config_ + L"\\aliases.json").value_or(""), DEFAULT_ALIASES_JSON);
    // The start-up tab writes the list of open tabs; nothing else appears.
    EXPECT_TRUE(wait_until([&] { return saved_sessions() == 1; }));
    EXPECT_EQ(list_dir(config_),
              (std::vector<std::wstring>{L"aliases.json", L"history\\", L"sessions.json", L"settings.json"}));

    // The dark background everywhere nothing is drawn.
    std::optional<Capture> shot;
    ASSERT_TRUE(wait_until([&] {
        ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        shot = capture_client(hwnd);
        return shot && shot->at(shot->width / 2, shot->height / 2) == rgb(12, 14, 18);
    }));
    EXPECT_EQ(shot->at(0, 0), rgb(38, 43, 53));  // the one tab's slot, active
    EXPECT_EQ(shot->at(shot->width - 1, shot->height - 1), rgb(12, 14, 18));
    EXPECT_FALSE(save_screenshot(*shot, L"first-start.png").empty());
}

TEST_F(Startup, WithoutAppDataTheWindowWorksAndNothingIsWritten) {
    const std::wstring wine_config = current_environment()[L"APPDATA"] + L"\\ovelin";
    remove_tree(wine_config);
    HWND hwnd = start(std::nullopt);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    // Defaults: closing hides to the tray instead of ending.
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_until([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_TRUE(app_.running());
    EXPECT_TRUE(list_dir(appdata_).empty()) << "its working folder";
    EXPECT_FALSE(file_exists(wine_config));
}

// Files that do not load are said once, in the error box over the shown
// window; they stay byte-identical and the defaults apply.
TEST_F(Startup, FilesThatDoNotLoadAreReportedOverTheWindowAndStayAsTheyAre) {
    const std::string newer = R"({"schema_version": 2, "close_to_tray": false,
  "restore_sessions_on_start": false, "track_history": true, "sync_mode": "local"})";
    const std::string malformed = R"({"schema_version": 1, "profiles": [{"id": "p"}]})";
    write_config(L"settings.json", newer);
    write_config(L"profiles.json", malformed);
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    HWND box = wait_for_window_of_class(app_.pid(), L"#32770");
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_TRUE(::IsWindowVisible(hwnd)) << "the window shows first";
    EXPECT_EQ(window_text(box), L"ovelin");
    wchar_t text[1024] = {};
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(::GetDlgItem(box, 0xFFFF), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, &n);
    EXPECT_EQ(std::wstring(text, n),
              L"settings.json: schema_version 2 is newer than supported 1\nIt is not used; before it is saved over, "
              L"it is kept as settings.json.unreadable.\n\nprofiles.json: missing field `name` at line 1 column 46\n"
              L"It is not used; before it is saved over, it is kept as profiles.json.unreadable.");
    // The window behind the box has painted: the screenshot shows both.
    EXPECT_TRUE(wait_until([&] {
        auto shot = capture_client(hwnd);
        return shot && shot->at(shot->width / 2, shot->height - 1) == rgb(12, 14, 18);
    }));
    if (auto shot = capture_client(::GetDesktopWindow())) save_screenshot(*shot, L"startup-unloadable-files.png");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(wait_until([&] { return find_window_of_class(app_.pid(), L"#32770") == nullptr; }));

    // The file's close_to_tray false is not used: the default (true) hides.
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_until([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_TRUE(app_.running());
    EXPECT_EQ(read_file(config_ + L"\\settings.json").value_or(""), newer);
    EXPECT_EQ(read_file(config_ + L"\\profiles.json").value_or(""), malformed);
    EXPECT_EQ(list_dir(config_), (std::vector<std::wstring>{L"aliases.json", L"history\\", L"profiles.json",
                                                            L"sessions.json", L"settings.json"}));
}

TEST_F(Startup, CloseEndsTheProcessWhenCloseToTrayIsOff) {
    write_config(L"settings.json", CLOSE_TO_TRAY_OFF);
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(app_.wait_exit(20s), std::optional<DWORD>(0));
    EXPECT_EQ(read_file(config_ + L"\\settings.json").value_or(""), CLOSE_TO_TRAY_OFF);
}

TEST_F(Startup, CloseHidesToTheTrayAndTheIconBringsTheWindowBack) {
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(wait_until([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_FALSE(app_.wait_exit(500ms).has_value());

    // Another icon id is not ours; nothing happens.
    ::PostMessageW(hwnd, WM_TRAY_CALLBACK, 2, WM_LBUTTONUP);
    ::PostMessageW(hwnd, WM_TRAY_CALLBACK, 1, WM_MOUSEMOVE);
    ::PostMessageW(hwnd, WM_NULL, 0, 0);
    EXPECT_FALSE(wait_until([&] { return ::IsWindowVisible(hwnd) != FALSE; }, 500ms));

    // Under a loaded Wine a restore now and then does not take (seen once in
    // a full run, never alone); a user clicks the icon again, and so do we.
    auto click_until_shown = [&](LPARAM click) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            ::PostMessageW(hwnd, WM_TRAY_CALLBACK, 1, click);
            if (wait_until([&] { return ::IsWindowVisible(hwnd) != FALSE; }, std::chrono::seconds(5))) return true;
        }
        return false;
    };
    EXPECT_TRUE(click_until_shown(WM_LBUTTONUP));
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(wait_until([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_TRUE(click_until_shown(WM_LBUTTONDBLCLK));
}

}  // namespace
}  // namespace ovelin::testing
