// ovelin.exe under Wine: a restored tab whose program fails stays open with
// its exit line and its saved record; Enter runs it again in the same tab,
// Escape closes it.

#include <gtest/gtest.h>

#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t BACKGROUND = rgb(12, 14, 18);
constexpr std::uint32_t CURSOR = rgb(225, 229, 237);
constexpr int TERMINAL_TOP = 34 + 6;

// Rows of text in the terminal area, as [first, last] pixel spans with the
// rightmost text pixel of each.
struct TextRow {
    int top, bottom, right;
};

std::vector<TextRow> text_rows(const Capture& c) {
    std::vector<TextRow> rows;
    bool in_row = false;
    for (int y = TERMINAL_TOP; y < c.height; ++y) {
        int right = -1;
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, y) != BACKGROUND) right = x;
        if (right >= 0 && !in_row) rows.push_back({y, y, right});
        if (right >= 0) rows.back().bottom = y, rows.back().right = std::max(rows.back().right, right);
        in_row = right >= 0;
    }
    return rows;
}

// Only the terminal area: the bar's labels are drawn in the cursor's colour.
bool has_color_below_bar(const Capture& c, std::uint32_t color) {
    for (int y = TERMINAL_TOP; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, y) == color) return true;
    return false;
}

class EndedTab : public OvelinTest {};

TEST_F(EndedTab, AFailedRestoredProfileStaysWithItsExitLineRestartsOnEnterAndClosesOnEscape) {
    // The first run says "first" and fails as a dropped connection would;
    // the next one says "again" and stays with a prompt.
    const std::string shell = json_path(bin_path(L"test_shell.exe"));
    const std::string flag = json_path(appdata_ + L"\\ran");
    write_config(L"settings.json", R"({"schema_version": 1, "close_to_tray": true,
  "restore_sessions_on_start": true, "track_history": true, "sync_mode": "local"})");
    // The command as a JSON string body: quotes escaped.
    const std::string command = "\\\"" + shell + "\\\" /k if exist \\\"" + flag +
                                "\\\" (echo again) else (echo first& echo.>\\\"" + flag + "\\\"& exit 255)";
    write_config(L"profiles.json", R"({"schema_version": 1, "profiles": [
  {"id": "p-down", "name": "Down", "kind": {"type": "local_shell", "command": ")" + command + R"("}}]})");
    write_config(L"sessions.json", R"({"schema_version": 1, "sessions": [{"id": "s-1", "profile_id": "p-down"}]})");
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);

    // The program's line, then the exit line, much wider, below it; no cursor.
    const auto ended = [&](std::vector<TextRow>& rows, const wchar_t* name) {
        std::optional<Capture> shot;
        const bool drawn = wait_until(
            [&] {
                ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                shot = capture_client(hwnd);
                if (!shot) return false;
                rows = text_rows(*shot);
                return rows.size() >= 2 && rows.back().right > 2 * rows.front().right &&
                       !has_color_below_bar(*shot, CURSOR);
            },
            30s);
        if (shot) save_screenshot(*shot, name);
        return drawn;
    };
    std::vector<TextRow> rows;
    ASSERT_TRUE(ended(rows, L"ended-tab.png")) << rows.size() << " text rows";
    const int exit_line_right = rows.back().right;
    EXPECT_TRUE(app_.running());
    EXPECT_EQ(saved_sessions(), 1) << config_file(L"sessions.json");

    // Enter runs the profile again in the same tab: the exit line gives way
    // to "again" and a prompt with its cursor ("first" goes to the
    // scrollback, as the new console paints its screen from the top).
    bring_to_front(hwnd);
    press(VK_RETURN);
    std::optional<Capture> shot;
    EXPECT_TRUE(wait_until(
        [&] {
            ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            shot = capture_client(hwnd);
            if (!shot) return false;
            rows = text_rows(*shot);
            return has_color_below_bar(*shot, CURSOR) && rows.size() >= 2;
        },
        30s))
        << rows.size() << " text rows";
    if (shot) save_screenshot(*shot, L"ended-tab-restarted.png");
    for (const TextRow& row : rows) EXPECT_LT(row.right, exit_line_right) << "the exit line stays";
    EXPECT_EQ(saved_sessions(), 1);
    EXPECT_NE(config_file(L"sessions.json").find(R"("id": "s-1")"), std::string::npos);

    // Failing again, it ends again; Escape closes it, and as the last tab
    // it takes the program with it.
    type_text(L"exit 255\r");
    ASSERT_TRUE(ended(rows, L"ended-tab-again.png"));
    press(VK_ESCAPE);
    EXPECT_EQ(app_.wait_exit(20s), std::optional<DWORD>(0));
    EXPECT_EQ(saved_sessions(), 0);
}

}  // namespace
}  // namespace ovelin::testing
