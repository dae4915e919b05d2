// The tab bar of the real ovelin.exe: its colours on screen, and the mouse,
// the rename edit and the tab menu driven with real input.

#include <gtest/gtest.h>

#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t ACTIVE = rgb(38, 43, 53);
constexpr std::uint32_t INACTIVE = rgb(25, 29, 36);
constexpr std::uint32_t PLUS = rgb(30, 78, 121);
constexpr std::uint32_t BACKGROUND = rgb(12, 14, 18);
constexpr std::uint32_t RED = rgb(231, 72, 86);
constexpr int SLOT = 180;  // a few tabs in a 1000-pixel window

std::optional<Capture> shot(HWND hwnd) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return capture_client(hwnd);
}

// Waits until the pixel has the colour, for what a repaint brings.
bool pixel_becomes(HWND hwnd, int x, int y, std::uint32_t color) {
    return wait_until([&] {
        auto c = shot(hwnd);
        return c && c->at(x, y) == color;
    }, 10s);
}

std::vector<HWND> popup_menus(DWORD pid) {
    struct State {
        DWORD pid;
        std::vector<HWND> found;
    } state{pid, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<State*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && ::IsWindowVisible(hwnd) && class_name(hwnd) == L"#32768") s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// The screen once the menu has drawn its items (it shows blank at first).
std::optional<Capture> screen_with_menu(HWND menu) {
    wait_until([&] {
        auto c = capture_client(menu);
        if (!c) return false;
        for (int y = 0; y < c->height; ++y)
            for (int x = 0; x < c->width; ++x)
                if (c->at(x, y) != rgb(255, 255, 255) && c->at(x, y) != c->at(0, 0)) return true;
        return false;
    }, 5s);
    return capture_client(::GetDesktopWindow());
}

HWND rename_edit(HWND hwnd) { return ::FindWindowExW(hwnd, nullptr, L"Edit", nullptr); }

// Another process's edit answers WM_GETTEXT; GetWindowText would not ask it.
std::wstring control_text(HWND control) {
    wchar_t buf[512] = {};
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &n);
    return std::wstring(buf, n);
}

class TabBar : public OvelinTest {
protected:
    HWND start_with_tabs(int n) {
        HWND hwnd = start();
        if (!hwnd) return nullptr;
        EXPECT_TRUE(wait_until([&] { return saved_sessions() == 1; }));
        for (int i = 1; i < n; ++i) ::SendMessageW(hwnd, WM_NEW_TAB, 0, 0);
        EXPECT_TRUE(wait_until([&] { return saved_sessions() == n; }));
        bring_to_front(hwnd);
        return hwnd;
    }
};

TEST_F(TabBar, ThreeTabsInTheBarColoursAndMouse) {
    HWND hwnd = start_with_tabs(3);
    ASSERT_NE(hwnd, nullptr);
    // The saved file comes before the paint that shows the new tab.
    EXPECT_TRUE(pixel_becomes(hwnd, 2 * SLOT + 2, 6, ACTIVE));
    auto c = shot(hwnd);
    ASSERT_TRUE(c);
    save_screenshot(*c, L"tab-bar-three.png");
    const int w = c->width;
    // Above the text and below where a stripe would be.
    EXPECT_EQ(c->at(2 * SLOT + 2, 6), ACTIVE) << "the third, newest tab is active";
    EXPECT_EQ(c->at(2, 6), INACTIVE);
    EXPECT_EQ(c->at(SLOT + 2, 30), INACTIVE);
    EXPECT_EQ(c->at(3 * SLOT + 5, 6), BACKGROUND) << "no fourth slot";
    EXPECT_EQ(c->at(w - 39, 1), PLUS);
    EXPECT_EQ(c->at(w - 1, 33), PLUS);
    EXPECT_EQ(c->at(w - 41, 6), BACKGROUND);
    EXPECT_EQ(c->at(10, 34), BACKGROUND) << "the strip is 34 pixels high";

    // The "+" opens a tab; the middle button closes the one it is over.
    click(hwnd, w - 20, 17);
    EXPECT_TRUE(wait_until([&] { return saved_sessions() == 4; })) << config_file(L"sessions.json");
    EXPECT_TRUE(pixel_becomes(hwnd, 3 * SLOT + 2, 6, ACTIVE));
    click(hwnd, 60, 17, Button::Middle);
    EXPECT_TRUE(wait_until([&] { return saved_sessions() == 3; })) << config_file(L"sessions.json");
    // A left press on a body makes its tab active.
    click(hwnd, 60, 17);
    EXPECT_TRUE(pixel_becomes(hwnd, 2, 6, ACTIVE));
    EXPECT_TRUE(pixel_becomes(hwnd, 2 * SLOT + 2, 6, INACTIVE));
    // The close glyph closes.
    click(hwnd, 2 * SLOT - 12, 17);
    EXPECT_TRUE(wait_until([&] { return saved_sessions() == 2; })) << config_file(L"sessions.json");
    if (auto after = shot(hwnd)) save_screenshot(*after, L"tab-bar-after-clicks.png");
}

TEST_F(TabBar, DoubleClickRenamesInPlaceAndEscapeKeepsTheName) {
    HWND hwnd = start_with_tabs(3);
    ASSERT_NE(hwnd, nullptr);
    double_click(hwnd, SLOT + 60, 17);
    HWND edit = nullptr;
    ASSERT_TRUE(wait_until([&] { return (edit = rename_edit(hwnd)) != nullptr; }, 10s)) << "no rename edit";
    RECT r{};
    ::GetWindowRect(edit, &r);
    ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, SLOT + 6);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.right - r.left, SLOT - 32);
    EXPECT_EQ(r.bottom - r.top, 24);
    // The label's text ("Terminal 2", or whatever title the shell has set by now), all selected.
    const std::wstring before = control_text(edit);
    EXPECT_FALSE(before.empty());
    // The answer packs both ends: pointers would not reach into another process.
    DWORD_PTR sel = 0;
    ::SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &sel);
    EXPECT_EQ(LOWORD(sel), 0u);
    EXPECT_EQ(HIWORD(sel), before.size());
    type_text(L"  Build box");  // replaces the selected text
    EXPECT_TRUE(wait_until([&] { return control_text(edit) == L"  Build box"; }, 10s)) << narrow(control_text(edit));
    if (auto c = shot(hwnd)) save_screenshot(*c, L"tab-bar-rename.png");
    press(VK_RETURN);
    EXPECT_TRUE(wait_until([&] { return config_file(L"sessions.json").find(R"("title": "Build box")") !=
                                        std::string::npos; }))
        << config_file(L"sessions.json");
    EXPECT_TRUE(wait_until([&] { return rename_edit(hwnd) == nullptr; }, 10s));

    // Escape leaves the name as it was; keys go back to the terminal.
    double_click(hwnd, SLOT + 60, 17);
    ASSERT_TRUE(wait_until([&] { return (edit = rename_edit(hwnd)) != nullptr; }, 10s));
    EXPECT_EQ(control_text(edit), L"Build box");
    type_text(L"zzz");
    press(VK_ESCAPE);
    EXPECT_TRUE(wait_until([&] { return rename_edit(hwnd) == nullptr; }, 10s));
    std::this_thread::sleep_for(300ms);  // nothing to wait for: a save would already be there
    EXPECT_EQ(config_file(L"sessions.json").find("zzz"), std::string::npos);
    EXPECT_NE(config_file(L"sessions.json").find(R"("title": "Build box")"), std::string::npos);
    // The keys go to the terminal again.
    const std::wstring back = appdata_ + L"\\back.txt";
    type_text(L"echo back>" + back + L"\r");
    EXPECT_TRUE(wait_until([&] { return read_file(back).value_or("").starts_with("back"); }, 30s));
    if (auto c = shot(hwnd)) save_screenshot(*c, L"tab-bar-renamed.png");
}

TEST_F(TabBar, TheTabMenuPutsATabIntoANewRedGroup) {
    HWND hwnd = start_with_tabs(3);
    ASSERT_NE(hwnd, nullptr);
    click(hwnd, 60, 17, Button::Right);
    HWND menu = wait_for_window_of_class(app_.pid(), L"#32768", 10s);
    ASSERT_NE(menu, nullptr) << "no popup menu";
    if (auto c = screen_with_menu(menu)) save_screenshot(*c, L"tab-bar-menu.png");
    // Rename, History…, Color, Group: into it, then up to its last item, "New group".
    for (int i = 0; i < 4; ++i) press(VK_DOWN);
    press(VK_RIGHT);
    ASSERT_TRUE(wait_until([&] { return popup_menus(app_.pid()).size() == 2; }, 10s))
        << "the Group submenu did not open";
    HWND sub = nullptr;
    for (HWND m : popup_menus(app_.pid()))
        if (m != menu) sub = m;
    const auto before_up = screen_with_menu(sub);
    press(VK_UP);
    // The highlight moves to "New group" once the key has arrived.
    wait_until([&] {
        auto now = capture_client(::GetDesktopWindow());
        return now && before_up && now->rgb != before_up->rgb;
    }, 5s);
    if (auto c = capture_client(::GetDesktopWindow())) save_screenshot(*c, L"tab-bar-group-menu.png");
    press(VK_RETURN);
    EXPECT_TRUE(wait_until([&] { return find_window_of_class(app_.pid(), L"#32768") == nullptr; }, 10s));
    EXPECT_TRUE(pixel_becomes(hwnd, 20, 32, RED)) << "no red underline";
    auto c = shot(hwnd);
    ASSERT_TRUE(c);
    save_screenshot(*c, L"tab-bar-group.png");
    for (int x : {1, 90, SLOT - 1})
        for (int y : {0, 2, 32, 33}) EXPECT_EQ(c->at(x, y), RED) << x << "," << y;
    EXPECT_EQ(c->at(90, 31), INACTIVE);
    EXPECT_EQ(c->at(SLOT + 90, 33), INACTIVE) << "only that tab";
    EXPECT_TRUE(wait_until([&] { return config_file(L"sessions.json").find(R"("group": "Group 1")") !=
                                        std::string::npos; }))
        << config_file(L"sessions.json");

    // Its menu now has the group's items: "Collapse group" is the eighth.
    // Under Wine the first right press after a popup closed from the keyboard
    // is taken by the old menu's tracking; a second one opens the new menu.
    menu = nullptr;
    for (int tries = 0; tries < 2 && !menu; ++tries) {
        click(hwnd, 60, 17, Button::Right);
        menu = wait_for_window_of_class(app_.pid(), L"#32768", 3s);
    }
    if (!menu)
        if (auto d = capture_client(::GetDesktopWindow())) save_screenshot(*d, L"tab-bar-second-menu-missing.png");
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 8; ++i) press(VK_DOWN);
    press(VK_RETURN);
    EXPECT_TRUE(wait_until([&] { return find_window_of_class(app_.pid(), L"#32768") == nullptr; }, 10s));
    // The collapsed group's slot is where the tab was; a click expands it and activates its tab.
    c = shot(hwnd);
    ASSERT_TRUE(c);
    save_screenshot(*c, L"tab-bar-collapsed.png");
    EXPECT_EQ(c->at(90, 33), RED);
    EXPECT_EQ(c->at(2, 6), INACTIVE);
    // A double click on it renames the group and leaves it collapsed, its
    // first press notwithstanding.
    double_click(hwnd, 60, 17);
    HWND edit = nullptr;
    ASSERT_TRUE(wait_until([&] { return (edit = rename_edit(hwnd)) != nullptr; }, 10s)) << "no rename edit";
    EXPECT_EQ(control_text(edit), L"Group 1");
    press(VK_ESCAPE);
    EXPECT_TRUE(wait_until([&] { return rename_edit(hwnd) == nullptr; }, 10s));
    EXPECT_TRUE(pixel_becomes(hwnd, 2, 6, INACTIVE)) << "expanded, or its tab made active";
    if (auto after = shot(hwnd)) save_screenshot(*after, L"tab-bar-collapsed-renamed.png");
    click(hwnd, 60, 17);
    EXPECT_TRUE(pixel_becomes(hwnd, 2, 6, ACTIVE));
}

// "Save output…" opens the system's Save As dialog over the window (its
// library loaded on first use), and cancelling it saves nothing.
TEST_F(TabBar, SaveOutputOpensTheSaveAsDialogOverTheWindow) {
    HWND hwnd = start_with_tabs(1);
    ASSERT_NE(hwnd, nullptr);
    click(hwnd, 60, 17, Button::Right);
    ASSERT_NE(wait_for_window_of_class(app_.pid(), L"#32768", 10s), nullptr) << "no popup menu";
    for (int i = 0; i < 6; ++i) press(VK_DOWN);  // Rename, History…, Color, Group, View, Save output…
    press(VK_RETURN);
    HWND dialog = wait_for_window_of_class(app_.pid(), L"#32770", 30s);
    ASSERT_NE(dialog, nullptr) << "no Save As dialog";
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), hwnd);
    press(VK_ESCAPE);
    EXPECT_TRUE(wait_until([&] { return find_window_of_class(app_.pid(), L"#32770") == nullptr; }, 10s));
    EXPECT_EQ(find_window_of_class(app_.pid(), L"#32768"), nullptr);
}

}  // namespace
}  // namespace ovelin::testing
