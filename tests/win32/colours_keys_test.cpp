// The real ovelin.exe with console programs: a 256-colour background, an
// underlined and a bold run show as such, and Ctrl+Left reaches a program
// as Ctrl+Left.

#include <gtest/gtest.h>

#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t BACKGROUND = rgb(12, 14, 18);
constexpr std::uint32_t FOREGROUND = rgb(220, 223, 228);
constexpr std::uint32_t CURSOR = rgb(225, 229, 237);
constexpr std::uint32_t RED_196 = rgb(255, 0, 0);  // xterm's colour 196
constexpr int TAB_BAR = 34;

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

Box find_color(const Capture& c, std::uint32_t color) {
    Box b;
    for (int y = TAB_BAR; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, y) == color) {
                b.left = std::min(b.left, x), b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1), b.bottom = std::max(b.bottom, y + 1);
            }
    return b;
}

std::optional<Capture> fresh_capture(HWND hwnd) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return capture_client(hwnd);
}

int ink(const Capture& c, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += c.at(x, y) != BACKGROUND;
    return n;
}

// A pixel row of the band drawn entirely in the text colour.
bool has_line(const Capture& c, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
        int x = left;
        while (x < right && c.at(x, y) == FOREGROUND) ++x;
        if (x == right) return true;
    }
    return false;
}

class ColoursAndKeys : public OvelinTest {
protected:
    // ovelin.exe with cmd's prompt shown, in front for the keys.
    HWND start_at_prompt() {
        write_config(L"settings.json", CLOSE_TO_TRAY_OFF);
        HWND hwnd = start();
        const bool prompt = hwnd && wait_until([&] {
            auto shot = fresh_capture(hwnd);
            return shot && find_color(*shot, CURSOR).left > 6;
        }, 30s);
        if (!prompt) return nullptr;
        bring_to_front(hwnd);
        return hwnd;
    }
};

TEST_F(ColoursAndKeys, IndexedBackgroundUnderlineAndBold) {
    HWND hwnd = start_at_prompt();
    ASSERT_NE(hwnd, nullptr) << "no prompt";
    type_text(L"\"" + bin_path(L"sgr_sample.exe") + L"\"\r");
    Box red;
    std::optional<Capture> shot;
    const bool shown = wait_until([&] {
        shot = fresh_capture(hwnd);
        red = shot ? find_color(*shot, RED_196) : Box{};
        return !red.empty();
    }, 30s);
    if (shot) save_screenshot(*shot, L"colours-styles.png");
    ASSERT_TRUE(shown) << "no cell in colour 196";
    // Four cells of the red, a cell high: the whole background in that colour.
    const int cell = (red.right - red.left) / 4, top = red.top, bottom = red.bottom;
    ASSERT_GE(cell, 4);
    EXPECT_EQ(ink(*shot, red.left, top, red.right, bottom), (red.right - red.left) * (bottom - top));
    EXPECT_EQ(shot->at(red.left + 1, top + 1), RED_196);
    const int under = red.right, bold = under + 6 * cell, plain = bold + 5 * cell;
    EXPECT_TRUE(has_line(*shot, under, top, under + 5 * cell, bottom)) << "UNDER has no underline";
    EXPECT_FALSE(has_line(*shot, plain, top, plain + 4 * cell, bottom)) << "plain BOLD is underlined";
    const int bold_ink = ink(*shot, bold, top, bold + 4 * cell, bottom);
    const int plain_ink = ink(*shot, plain, top, plain + 4 * cell, bottom);
    EXPECT_GT(plain_ink, 20) << "no plain text where it should be";
    EXPECT_GT(bold_ink, plain_ink + plain_ink / 8) << "bold " << bold_ink << " vs plain " << plain_ink;
}

TEST_F(ColoursAndKeys, ModifiedKeysReachAConsoleProgramWithTheirModifiers) {
    HWND hwnd = start_at_prompt();
    ASSERT_NE(hwnd, nullptr) << "no prompt";
    const std::wstring file = appdata_ + L"\\keys.txt";
    type_text(L"\"" + bin_path(L"console_keys.exe") + L"\" " + file + L" 2\r");
    ASSERT_TRUE(wait_until([&] { return read_file(file).value_or("").starts_with("ready"); }, 30s));
    press(VK_LEFT, {VK_CONTROL});
    press(VK_DELETE, {VK_CONTROL});
    EXPECT_TRUE(wait_until([&] { return read_file(file).value_or("") == "ready\n25 1 0 0\n2E 1 0 0\n"; }, 30s))
        << read_file(file).value_or("(none)");
}

}  // namespace
}  // namespace ovelin::testing
