// Tiling, browsing and the window-level keys of the real ovelin.exe, driven
// with real keystrokes.

#include <gtest/gtest.h>

#include <functional>

#include "win32/shell_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t ACTIVE_FRAME = rgb(86, 156, 214);
constexpr std::uint32_t FRAME = rgb(45, 50, 60);
constexpr std::uint32_t HEADER = rgb(25, 29, 36);
constexpr std::uint32_t BAND = rgb(20, 24, 31);
constexpr std::uint32_t BACKGROUND = rgb(12, 14, 18);
constexpr std::uint32_t BAR_ACTIVE = rgb(38, 43, 53);
constexpr int SLOT = 180;  // four tabs in a window about 1000 pixels wide

struct Cell {
    int left, top, right, bottom;
};

// Four cells in two rows and two columns below `top`, as the window lays them out.
std::vector<Cell> two_by_two(const Capture& c, int top) {
    const int w = c.width / 2, h = (c.height - top) / 2;
    return {{0, top, w, top + h}, {w, top, 2 * w, top + h}, {0, top + h, w, top + 2 * h},
            {w, top + h, 2 * w, top + 2 * h}};
}

// The colour of each cell's left frame edge, half-way down.
std::vector<std::uint32_t> frames(const Capture& c, int top) {
    std::vector<std::uint32_t> out;
    for (const Cell& cell : two_by_two(c, top)) out.push_back(c.at(cell.left, (cell.top + cell.bottom) / 2));
    return out;
}

// Waits until the frames are these colours; gives the last capture.
std::optional<Capture> frames_become(HWND hwnd, int top, const std::vector<std::uint32_t>& expected) {
    std::optional<Capture> c;
    wait_until([&] {
        c = shot(hwnd);
        return c && frames(*c, top) == expected;
    }, 10s);
    return c;
}

int count_not(const Capture& c, std::uint32_t color, const Cell& r) {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, c.height); ++y)
        for (int x = std::max(r.left, 0); x < std::min(r.right, c.width); ++x) n += c.at(x, y) != color;
    return n;
}

std::string colors(const std::vector<std::uint32_t>& v) {
    std::string s;
    char buf[16];
    for (std::uint32_t x : v) {
        std::snprintf(buf, sizeof buf, "%06x ", x);
        s += buf;
    }
    return s;
}

class Tiling : public OvelinTest {
protected:
    HWND start_with_tabs(int n) {
        write_config(L"settings.json", CLOSE_TO_TRAY_OFF);
        HWND hwnd = start();
        if (!hwnd) return nullptr;
        EXPECT_TRUE(wait_until([&] { return saved_sessions() == 1; }));
        for (int i = 1; i < n; ++i) ::SendMessageW(hwnd, WM_NEW_TAB, 0, 0);
        EXPECT_TRUE(wait_until([&] { return saved_sessions() == n; }));
        bring_to_front(hwnd);
        return hwnd;
    }
};

TEST_F(Tiling, TileAllMoveWithAltArrowAndBrowseCards) {
    HWND hwnd = start_with_tabs(4);
    ASSERT_NE(hwnd, nullptr);
    const std::vector<std::uint32_t> fourth_active{FRAME, FRAME, FRAME, ACTIVE_FRAME};
    const std::vector<std::uint32_t> third_active{FRAME, FRAME, ACTIVE_FRAME, FRAME};

    press('A', {VK_CONTROL, VK_SHIFT});
    auto c = frames_become(hwnd, 34, fourth_active);
    ASSERT_TRUE(c);
    ASSERT_EQ(frames(*c, 34), fourth_active) << colors(frames(*c, 34)) << "four frames, the newest tab's lit";
    // Each shell's prompt is drawn inside its own tile, below the header
    // (more than the cursor), once every shell has written it.
    const auto prompts_in_tiles = [&] {
        c = shot(hwnd);
        if (!c) return false;
        for (const Cell& cell : two_by_two(*c, 34))
            if (count_not(*c, BACKGROUND, {cell.left + 6, cell.top + 28, cell.right - 6, cell.bottom - 2}) < 200)
                return false;
        return true;
    };
    EXPECT_TRUE(wait_until(prompts_in_tiles, 20s));
    save_screenshot(*c, L"tiling-all.png");
    for (const Cell& cell : two_by_two(*c, 34)) {
        EXPECT_EQ(c->at(cell.left + 40, cell.top + 2), HEADER) << "a header in every tile";
        EXPECT_EQ(c->at(cell.left + 40, cell.top), c->at(cell.left, (cell.top + cell.bottom) / 2)) << "framed";
        EXPECT_EQ(c->at(cell.left + 3, cell.top + 26), BACKGROUND) << "between header and terminal";
    }
    // Minimised and restored: the tiles come back with their prompts. (Wine
    // ignores console resizes, so the one-cell fit a minimise would ask for
    // shows only in the app tests' sizes, not here.)
    ::ShowWindow(hwnd, SW_MINIMIZE);
    EXPECT_TRUE(wait_until([&] { return ::IsIconic(hwnd) != FALSE; }, 10s));
    RECT minimised{};
    ::GetClientRect(hwnd, &minimised);
    EXPECT_EQ(minimised.right, 0) << "an empty client area while minimised";
    ::ShowWindow(hwnd, SW_RESTORE);
    EXPECT_TRUE(wait_until([&] { return ::IsIconic(hwnd) == FALSE; }, 10s));
    bring_to_front(hwnd);
    EXPECT_TRUE(wait_until(prompts_in_tiles, 10s)) << "a screen lost its text over the minimise";
    save_screenshot(*c, L"tiling-restored.png");

    // Alt+Right arrives as a system key: the short second row wraps to its first tile.
    press(VK_RIGHT, {VK_MENU});
    c = frames_become(hwnd, 34, third_active);
    ASSERT_TRUE(c);
    save_screenshot(*c, L"tiling-alt-right.png");
    EXPECT_EQ(frames(*c, 34), third_active) << colors(frames(*c, 34));
    EXPECT_EQ(c->at(2 * SLOT + 2, 6), BAR_ACTIVE) << "the bar follows";

    // Keys still reach the program after the Alt chord (no menu mode).
    press('A', {VK_CONTROL, VK_SHIFT});
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(c->width / 2, 34 + (c->height - 34) / 4) == BACKGROUND &&
               c->at(c->width / 2 + 40, 36) != HEADER;
    }, 10s)) << "still tiled";
    save_screenshot(*c, L"tiling-single-again.png");
    EXPECT_EQ(c->at(2 * SLOT + 2, 6), BAR_ACTIVE);
    EXPECT_EQ(c->at(3, 36), BACKGROUND) << "one terminal, no frame";

    // The browser: band, four tab cards, the first lit; arrows move the light.
    press('Z', {VK_CONTROL, VK_SHIFT});
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(5, 40) == BAND;
    }, 10s)) << "no browser band";
    c = frames_become(hwnd, 64, {ACTIVE_FRAME, FRAME, FRAME, FRAME});
    ASSERT_TRUE(c);
    save_screenshot(*c, L"browse-cards.png");
    EXPECT_EQ(frames(*c, 64), (std::vector<std::uint32_t>{ACTIVE_FRAME, FRAME, FRAME, FRAME}));
    EXPECT_EQ(c->at(c->width - 70, 40), rgb(26, 30, 38)) << "the Up button dim at the top level";
    press(VK_RIGHT);
    press(VK_DOWN);
    c = frames_become(hwnd, 64, {FRAME, FRAME, FRAME, ACTIVE_FRAME});
    ASSERT_TRUE(c);
    EXPECT_EQ(frames(*c, 64), (std::vector<std::uint32_t>{FRAME, FRAME, FRAME, ACTIVE_FRAME}));
    save_screenshot(*c, L"browse-moved.png");

    // Enter on the tab card: that tab alone, active.
    press(VK_RETURN);
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(5, 40) == BACKGROUND && c->at(3 * SLOT + 2, 6) == BAR_ACTIVE;
    }, 10s)) << "not back to one terminal with the fourth tab active";
    save_screenshot(*c, L"browse-opened.png");
}

TEST_F(Tiling, GroupCardsBreadcrumbAndTheGroupTiled) {
    write_config(L"settings.json", R"({"schema_version": 1, "close_to_tray": false,
      "restore_sessions_on_start": true, "track_history": true, "sync_mode": "local"})");
    write_config(L"sessions.json", R"({"schema_version": 1, "sessions": [
      {"id": "s-1-1", "title": "notes"},
      {"id": "s-1-2", "title": "api", "group": "Work"},
      {"id": "s-1-3", "title": "db", "group": "Work"}]})");
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    std::optional<Capture> c;
    // The last restored tab, db, is active: Ctrl+Shift+G tiles Work side by side.
    // (The sessions file is ours from the start; the bar says when all three are open.)
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(2 * SLOT + 2, 6) == BAR_ACTIVE;
    }, 20s)) << "the third restored tab is not shown active";
    bring_to_front(hwnd);
    press('G', {VK_CONTROL, VK_SHIFT});
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(c->width / 2, 34 + 100) == ACTIVE_FRAME && c->at(0, 34 + 100) == FRAME;
    }, 10s)) << "Work's two tabs not tiled side by side";
    EXPECT_EQ(c->at(2, 40), rgb(231, 72, 86)) << "the strip in Work's colour";
    save_screenshot(*c, L"tiling-group.png");

    press('Z', {VK_CONTROL, VK_SHIFT});
    // Two cards side by side: Work (red strip), then notes.
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(5, 40) == BAND && c->at(3, 200) == rgb(231, 72, 86);
    }, 10s)) << "no group card";
    EXPECT_EQ(c->at(0, 200), ACTIVE_FRAME) << "the group card lit";
    EXPECT_EQ(c->at(c->width / 2, 200), FRAME);
    save_screenshot(*c, L"browse-group-card.png");
    press(VK_RETURN);
    // Inside Work: the Up button lit, api and db as cards.
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(c->width - 70, 40) == rgb(38, 46, 60);
    }, 10s)) << "the Up button is not lit inside a group";
    EXPECT_EQ(c->at(c->width - 76, 40), ACTIVE_FRAME);
    EXPECT_EQ(c->at(3, 200), BACKGROUND) << "tab cards have no full-height strip";
    save_screenshot(*c, L"browse-inside-group.png");
    click(hwnd, c->width - 40, 48);  // Up
    ASSERT_TRUE(wait_until([&] {
        c = shot(hwnd);
        return c && c->at(c->width - 70, 40) == rgb(26, 30, 38) && c->at(3, 200) == rgb(231, 72, 86);
    }, 10s)) << "Up did not return to the top level";
}

// The first paint after a layout change, read without asking for another,
// equals the window painted afresh (its kept pixels dropped, as a settings
// change drops them): nothing of the last layout's text stays behind.
// Paints copy only what changed, into the frame and onto the window: after
// each change the window shows what a paint from nothing would. The first
// paint of a new layout is the one read (a pixel only it paints); the rest
// are read once the window settles, without asking for another paint.
TEST_F(Tiling, EveryPaintLeavesTheWindowAsAPaintFromNothingWould) {
    HWND hwnd = start_with_tabs(2);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_until([&] { return cursor_bar(hwnd).has_value(); }, 30s)) << "no prompt";
    bring_to_front(hwnd);
    const std::wstring done = appdata_ + L"\\done.txt";
    type_text(L"for /L %i in (1,1,90) do @echo %i WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\r");
    type_text(L"echo done>" + done + L"\r");
    ASSERT_TRUE(wait_until([&] { return read_file(done).has_value(); }, 30s));
    std::optional<Capture> before, now;
    const auto settled = [&] {
        return wait_until([&] {
            before = std::exchange(now, capture_client(hwnd));
            return before && now && before->rgb == now->rgb;
        }, 10s);
    };
    ASSERT_TRUE(settled());
    const auto keys = [](std::vector<WORD> vks, bool ctrl = false, bool shift = false) {
        return [=] {
            for (WORD vk : vks) {
                if (ctrl && shift) press(vk, {VK_CONTROL, VK_SHIFT});
                else if (ctrl) press(vk, {VK_CONTROL});
                else press(vk);
            }
        };
    };
    const struct {
        const char* change;
        std::function<void()> act;
        std::optional<POINT> at{};  // a pixel only the new layout paints, in `color`
        std::uint32_t color = 0;
    } steps[] = {
        {"one view became two tiles", keys({'A'}, true, true), POINT{0, 200}, FRAME},
        // A tile's header and its tab's label change, over a view kept as it was.
        {"typing into a tile", [] { type_text(L"title Renamed"); }},
        {"the title changed", keys({VK_RETURN})},
        {"the help came over the tiles", keys({VK_F1}, true)},
        {"the help went from the tiles", keys({VK_ESCAPE})},
        {"two tiles became one view", keys({'A'}, true, true), POINT{0, 200}, BACKGROUND},
        {"typing moved the cursor", [] { type_text(L"echo moved"); }},
        {"the cursor went left over the text", keys({VK_LEFT, VK_LEFT})},
        {"erasing moved it back", keys({VK_END, VK_BACK, VK_BACK, VK_BACK})},
        {"the help came over the view", keys({VK_F1}, true)},
        {"the help went", keys({VK_ESCAPE})},
        {"the line ran", keys({VK_RETURN})},
    };
    for (const auto& step : steps) {
        step.act();
        std::optional<Capture> first;
        if (step.at) {
            ASSERT_TRUE(wait_until([&] {
                first = capture_client(hwnd);
                return first && first->at(step.at->x, step.at->y) == step.color;
            }, 10s)) << step.change;
        } else {
            ASSERT_TRUE(settled()) << step.change;
            first = now;
        }
        ::SendMessageW(hwnd, WM_SETTINGCHANGE, 0, 0);
        const auto fresh = shot(hwnd);
        ASSERT_TRUE(fresh);
        int differ = 0;
        for (std::size_t i = 0; i < std::min(first->rgb.size(), fresh->rgb.size()); ++i)
            differ += first->rgb[i] != fresh->rgb[i];
        EXPECT_EQ(differ, 0) << "bytes unlike a fresh paint after " << step.change;
        now.reset();
    }
}

// A top-level window of class OvelinHost owned by a process other than `not_pid`.
DWORD other_instance(DWORD not_pid) {
    struct State {
        DWORD not_pid, found;
    } state{not_pid, 0};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<State*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s->not_pid && class_name(hwnd) == L"OvelinHost") s->found = owner;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.found;
}

TEST_F(Tiling, CtrlNStartsAnotherWindowAndAltF4StillCloses) {
    HWND hwnd = start_with_tabs(1);
    ASSERT_NE(hwnd, nullptr);
    // Typed at a prompt, as a user would (under load the shell takes seconds
    // to start): what is tested is that F10 and Alt+Left do not eat the keys.
    ASSERT_TRUE(wait_until([&] { return cursor_bar(hwnd).has_value(); }, 30s)) << "no prompt";
    bring_to_front(hwnd);
    // F10 and an Alt chord leave the window out of menu mode: typing still
    // reaches the shell.
    press(VK_F10);
    press(VK_LEFT, {VK_MENU});
    const std::wstring typed = appdata_ + L"\\typed.txt";
    type_text(L"echo typed>" + typed + L"\r");
    EXPECT_TRUE(wait_until([&] { return read_file(typed).value_or("").starts_with("typed"); }, 30s))
        << "the keys after F10 and Alt+Left did not reach the shell";
    press('N', {VK_CONTROL});
    DWORD second = 0;
    EXPECT_TRUE(wait_until([&] { return (second = other_instance(app_.pid())) != 0; }, 30s))
        << "no second ovelin.exe window";
    if (second) {
        HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, second);
        ASSERT_NE(p, nullptr);
        ::TerminateProcess(p, 0);
        ::WaitForSingleObject(p, 10000);
        ::CloseHandle(p);
    }
    bring_to_front(hwnd);
    press(VK_F4, {VK_MENU});
    EXPECT_TRUE(app_.wait_exit(20s).has_value()) << "Alt+F4 did not close the window";
}

}  // namespace
}  // namespace ovelin::testing
