// ovelin.exe under Wine with the test shell: tabs open, restore, paint,
// follow the window's size, and take real keystrokes.

#include <gtest/gtest.h>

#include "support/conpty_probe.hpp"
#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t BACKGROUND = rgb(12, 14, 18);
constexpr std::uint32_t CURSOR = rgb(225, 229, 237);
constexpr int TERMINAL_LEFT = 6;
constexpr int TERMINAL_TOP = 34 + 6;

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

// Below the tab bar, whose text has the cursor's colour too.
Box find_color(const Capture& c, std::uint32_t color) {
    Box b;
    for (int y = 34; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, y) == color) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
            }
    return b;
}

int count_not(const Capture& c, std::uint32_t color, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, c.height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, c.width); ++x) n += c.at(x, y) != color;
    return n;
}

std::optional<Capture> fresh_capture(HWND hwnd) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return capture_client(hwnd);
}

// Waits for the shell's prompt: text and the cursor bar after it.
bool wait_for_prompt(HWND hwnd, Box* cursor = nullptr) {
    return wait_until(
        [&] {
            auto shot = fresh_capture(hwnd);
            if (!shot) return false;
            Box bar = find_color(*shot, CURSOR);
            if (bar.empty() || bar.left <= TERMINAL_LEFT) return false;
            if (cursor) *cursor = bar;
            return true;
        },
        30s);
}

class Terminal : public OvelinTest {};

TEST_F(Terminal, ThePromptIsDrawnWithTheCursorBarUnderTheCursorCell) {
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    Box bar;
    ASSERT_TRUE(wait_for_prompt(hwnd, &bar)) << "no prompt with a cursor";
    auto shot = fresh_capture(hwnd);
    ASSERT_TRUE(shot);
    save_screenshot(*shot, L"terminal-prompt.png");

    // A two-pixel bar one cell wide, on the prompt's row, after its text.
    EXPECT_EQ(bar.bottom - bar.top, 2);
    const int cell_width = bar.right - bar.left;
    EXPECT_GE(cell_width, 4);
    EXPECT_GT(count_not(*shot, BACKGROUND, TERMINAL_LEFT, bar.top - 2 * cell_width, bar.left, bar.top), 10)
        << "no prompt text left of the cursor";
    EXPECT_EQ(count_not(*shot, BACKGROUND, bar.right + cell_width, bar.top - 2 * cell_width, shot->width - 6,
                        bar.bottom),
              0)
        << "something drawn right of the cursor";
    // Below the prompt, the terminal area is the default background.
    EXPECT_EQ(count_not(*shot, BACKGROUND, 0, bar.bottom + 1, shot->width, shot->height), 0);
    // The tab bar strip is not part of the terminal.
    EXPECT_GE(bar.top, TERMINAL_TOP);
}

TEST_F(Terminal, NewTabMessageOpensAndSavesASecondTab) {
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_until([&] { return saved_sessions() == 1; }));
    EXPECT_EQ(::SendMessageW(hwnd, WM_NEW_TAB, 0, 0), 1);
    EXPECT_TRUE(wait_until([&] { return saved_sessions() == 2; })) << config_file(L"sessions.json");
    // Any program may post it too.
    ::PostMessageW(hwnd, WM_NEW_TAB, 0, 0);
    EXPECT_TRUE(wait_until([&] { return saved_sessions() == 3; }));
}

TEST_F(Terminal, ResizingTheWindowResizesTheConsole) {
    if (!platform_resizes_pseudo_consoles()) GTEST_SKIP() << "this Wine cannot resize a pseudo console";
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_for_prompt(hwnd));
    bring_to_front(hwnd);
    const std::wstring first = appdata_ + L"\\size1.txt", second = appdata_ + L"\\size2.txt";
    type_text(L"\"" + bin_path(L"console_size.exe") + L"\" " + first + L"\r");
    ASSERT_TRUE(wait_until([&] { return read_file(first).value_or("").find('x') != std::string::npos; }, 30s));

    ::SetWindowPos(hwnd, nullptr, 0, 0, 700, 450, SWP_NOMOVE | SWP_NOZORDER);
    type_text(L"\"" + bin_path(L"console_size.exe") + L"\" " + second + L"\r");
    ASSERT_TRUE(wait_until([&] { return read_file(second).value_or("").find('x') != std::string::npos; }, 30s));

    int rows1 = 0, cols1 = 0, rows2 = 0, cols2 = 0;
    ASSERT_EQ(std::sscanf(read_file(first)->c_str(), "%dx%d", &rows1, &cols1), 2);
    ASSERT_EQ(std::sscanf(read_file(second)->c_str(), "%dx%d", &rows2, &cols2), 2);
    EXPECT_GT(rows1, rows2);
    EXPECT_GT(cols1, cols2);
    // The grid fills the window: 300 fewer pixels across is a third fewer columns or so.
    EXPECT_NEAR(static_cast<double>(cols2) / cols1, (700.0 - 12 - 16) / (1000.0 - 12 - 16), 0.08);
}

TEST_F(Terminal, TypingRunsCommandsInTheShell) {
    write_config(L"settings.json", CLOSE_TO_TRAY_OFF);
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_for_prompt(hwnd));
    bring_to_front(hwnd);

    const std::wstring hello = appdata_ + L"\\hello.txt";
    type_text(L"echo hello>" + hello + L"\r");
    EXPECT_TRUE(wait_until([&] { return read_file(hello).value_or("").starts_with("hello"); }, 30s));

    // A typo mended with Backspace.
    const std::wstring fixed = appdata_ + L"\\fixed.txt";
    type_text(L"echo fixex");
    press(VK_BACK);
    type_text(L"d>" + fixed + L"\r");
    EXPECT_TRUE(wait_until([&] { return read_file(fixed).value_or("").starts_with("fixed\r\n"); }, 30s))
        << read_file(fixed).value_or("(none)");

    // Left arrow moves the line editor's cursor; the next character goes there.
    const std::wstring inserted = appdata_ + L"\\inserted.txt";
    type_text(L">" + inserted + L" echo ac");
    press(VK_LEFT);
    type_text(L"b\r");
    EXPECT_TRUE(wait_until([&] { return read_file(inserted).value_or("").starts_with("abc"); }, 30s))
        << read_file(inserted).value_or("(none)");

    auto shot = fresh_capture(hwnd);
    ASSERT_TRUE(shot);
    save_screenshot(*shot, L"terminal-typing.png");

    press(VK_F4, {VK_MENU});
    EXPECT_EQ(app_.wait_exit(20s), std::optional<DWORD>(0));
}

TEST_F(Terminal, RestoreReopensTheSavedTabs) {
    const std::string shell = json_path(bin_path(L"test_shell.exe"));
    write_config(L"settings.json", R"({"schema_version": 1, "close_to_tray": true,
  "restore_sessions_on_start": true, "track_history": true, "sync_mode": "local"})");
    write_config(L"profiles.json", R"({"schema_version": 1, "profiles": [
  {"id": "p-sh", "name": "Shell", "kind": {"type": "local_shell", "command": "\")" + shell + R"(\""}}]})");
    write_config(L"sessions.json", R"({"schema_version": 1, "sessions": [
  {"id": "s-1", "title": "Titled"},
  {"id": "s-2", "group": "Ops", "color": 5},
  {"id": "s-3", "profile_id": "p-deleted", "title": "Old"},
  {"id": "s-4", "profile_id": "p-sh"}]})");
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_until([&] { return saved_sessions() == 4; }));
    const std::string saved = config_file(L"sessions.json");
    EXPECT_NE(saved.find(R"("title": "Titled")"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("group": "Ops",)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("profile_id": "p-deleted")"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("title": "Shell")"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("color": 5)"), std::string::npos) << saved;
    EXPECT_TRUE(wait_for_prompt(hwnd));
}

TEST_F(Terminal, WhenTheOnlyTabsProgramEndsTheProgramEnds) {
    const std::string shell = json_path(bin_path(L"test_shell.exe"));
    // close_to_tray is on: closing the last tab still ends the program.
    write_config(L"settings.json", R"({"schema_version": 1, "close_to_tray": true,
  "restore_sessions_on_start": true, "track_history": true, "sync_mode": "local"})");
    write_config(L"profiles.json", R"({"schema_version": 1, "profiles": [
  {"id": "p-exit", "name": "Quick", "kind": {"type": "local_shell", "command": "\")" + shell + R"(\" /c exit 0"}}]})");
    write_config(L"sessions.json", R"({"schema_version": 1, "sessions": [{"id": "s-1", "profile_id": "p-exit"}]})");
    Environment env = current_environment();
    env[L"APPDATA"] = appdata_;
    env[L"COMSPEC"] = bin_path(L"test_shell.exe");
    app_ = start_process(ovelin_exe(), L"", env, appdata_);
    ASSERT_TRUE(app_);
    EXPECT_EQ(app_.wait_exit(30s), std::optional<DWORD>(0));
    EXPECT_EQ(saved_sessions(), 0);
}

}  // namespace
}  // namespace ovelin::testing
