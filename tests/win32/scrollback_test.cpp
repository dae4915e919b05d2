// Scrolling back, finding and selecting in the real ovelin.exe, with real
// wheel, key and mouse input over 400 lines of a shell's output.

#include <gtest/gtest.h>

#include "win32/shell_fixture.hpp"

namespace ovelin::testing {
namespace {

constexpr std::uint32_t THUMB = rgb(120, 126, 138);
constexpr std::uint32_t FIND_BAR = rgb(20, 24, 31);
constexpr std::uint32_t CURRENT_MATCH = rgb(249, 241, 165);
constexpr std::uint32_t OTHER_MATCH = rgb(193, 156, 0);

int count_color(const Capture& c, std::uint32_t color, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, c.height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, c.width); ++x) n += c.at(x, y) == color;
    return n;
}

class Scrollback : public ShellTest {
protected:
    // A prompt after 400 numbered lines; the live screen's copy.
    std::wstring print_lines(HWND hwnd) {
        (void)hwnd;
        type_text(L"for /L %i in (1,1,400) do @echo line %i\r");
        return copy_screen_until([](const std::wstring& t) {
            return t.find(L"\nline 400\n") != std::wstring::npos && t.ends_with(L">");
        });
    }
};

TEST_F(Scrollback, TheWheelAndKeysScrollBackAndTypingReturnsToTheLiveScreen) {
    HWND hwnd = start_shell();
    ASSERT_NE(hwnd, nullptr);
    const std::wstring live = print_lines(hwnd);
    const auto shown = lines_of(live);
    ASSERT_GT(shown.size(), 4u) << narrow(live);
    const auto [cw, ch] = cell_size(hwnd, live);
    RECT client{};
    ::GetClientRect(hwnd, &client);

    // A notch: the system's lines per notch further back.
    UINT per_notch = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &per_notch, 0);
    ASSERT_GT(per_notch, 0u);
    wheel(hwnd, client.right / 2, client.bottom / 2, 120);
    const std::wstring back = copy_screen_until([&](const std::wstring& t) {
        const auto l = lines_of(t);
        return l.size() > per_notch && l[per_notch] == shown[0];
    });
    ASSERT_GT(lines_of(back).size(), per_notch) << narrow(back);
    EXPECT_EQ(lines_of(back)[per_notch], shown[0]) << narrow(back);
    // The thumb, in the right margin of the area and nowhere else.
    auto c = shot(hwnd);
    ASSERT_TRUE(c);
    save_screenshot(*c, L"scrollback-wheel.png");
    const int right = client.right - 6;  // the terminal area's right edge
    EXPECT_GE(count_color(*c, THUMB, right, ORIGIN_Y, right + 4, client.bottom), 16 * 4);
    EXPECT_EQ(count_color(*c, THUMB, right + 4, ORIGIN_Y, client.right, client.bottom), 0);
    EXPECT_EQ(count_color(*c, CURSOR, ORIGIN_X, ORIGIN_Y, right, client.bottom), 0) << "no cursor while scrolled back";

    // Ctrl+Shift+Home: the oldest lines, the command and the first ones it printed.
    press(VK_HOME, {VK_CONTROL, VK_SHIFT});
    const std::wstring oldest =
        copy_screen_until([](const std::wstring& t) { return t.find(L"\nline 1\n") != std::wstring::npos; });
    EXPECT_EQ(oldest.find(L"line 400"), std::wstring::npos) << narrow(oldest);
    const auto rows = lines_of(oldest);
    const int row = static_cast<int>(std::find(rows.begin(), rows.end(), L"line 1") - rows.begin());
    ASSERT_LT(row, static_cast<int>(rows.size())) << narrow(oldest);

    // A drag over a row of the history copies that row.
    ASSERT_TRUE(set_clipboard(L"before"));
    const int y = ORIGIN_Y + ch * row + ch / 2;
    move_mouse(hwnd, ORIGIN_X + 1, y);
    mouse_button(hwnd, ORIGIN_X + 1, y, Button::Left, true);
    move_mouse(hwnd, ORIGIN_X + cw * 3 + cw / 2, y);
    move_mouse(hwnd, ORIGIN_X + cw * 9 + cw / 2, y);
    mouse_button(hwnd, ORIGIN_X + cw * 9 + cw / 2, y, Button::Left, false);
    EXPECT_TRUE(wait_until([&] { return clipboard() == std::optional<std::wstring>(L"line 1"); }, 10s))
        << narrow(clipboard().value_or(L"(none)"));
    if (auto s = shot(hwnd)) save_screenshot(*s, L"scrollback-oldest-selection.png");

    // A typed key goes to the shell and shows the live screen again.
    type_text(L"x");
    const std::wstring after = copy_screen_until([](const std::wstring& t) { return t.ends_with(L">x"); });
    EXPECT_TRUE(after.ends_with(L">x")) << narrow(after);
    EXPECT_TRUE(wait_until([&] {
        auto s = shot(hwnd);
        return s && count_color(*s, THUMB, right, ORIGIN_Y, right + 4, client.bottom) == 0;
    }, 10s)) << "no thumb on the live screen";
}

TEST_F(Scrollback, FindGoesToAMatchAndPaintsIt) {
    HWND hwnd = start_shell();
    ASSERT_NE(hwnd, nullptr);
    print_lines(hwnd);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    press('F', {VK_CONTROL, VK_SHIFT});
    EXPECT_TRUE(wait_until([&] {
        auto s = shot(hwnd);
        return s && s->at(ORIGIN_X + 2, ORIGIN_Y + 2) == FIND_BAR;
    }, 10s)) << "no find bar";
    // "line 12" is on lines 12 and 120 to 129: the newest, 129, is gone to.
    type_text(L"LINE 12");
    EXPECT_TRUE(wait_until([&] {
        auto s = shot(hwnd);
        return s && count_color(*s, CURRENT_MATCH, ORIGIN_X, ORIGIN_Y, client.right - 6, client.bottom) > 0 &&
               count_color(*s, OTHER_MATCH, ORIGIN_X, ORIGIN_Y, client.right - 6, client.bottom) > 0;
    }, 20s)) << "no match painted";
    auto c = shot(hwnd);
    ASSERT_TRUE(c);
    save_screenshot(*c, L"scrollback-find.png");
    // Escape closes the bar; the view stays on the match until typing. Where
    // the edit was, the view shows again (its white gone): the window's own
    // DC kept no clipping from the paints that left the edit be.
    press(VK_ESCAPE);
    EXPECT_TRUE(wait_until([&] {
        auto s = shot(hwnd);
        return s && s->at(ORIGIN_X + 2, ORIGIN_Y + 2) != FIND_BAR &&
               count_color(*s, CURRENT_MATCH, ORIGIN_X, ORIGIN_Y, client.right - 6, client.bottom) == 0 &&
               count_color(*s, rgb(255, 255, 255), 0, ORIGIN_Y, client.right, client.bottom) == 0;
    }, 10s));
    const std::wstring view = copy_screen_until([](const std::wstring& t) { return !t.ends_with(L">"); });
    EXPECT_NE(view.find(L"line 129"), std::wstring::npos) << narrow(view);
}

}  // namespace
}  // namespace ovelin::testing
