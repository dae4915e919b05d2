// Typed command lines in the real ovelin.exe with cmd: the history file,
// the grey suggestion and Tab, aliases, a quick key, and broadcast to a group.

#include <gtest/gtest.h>

#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t CURSOR = rgb(225, 229, 237);
constexpr std::uint32_t GHOST = rgb(120, 126, 138);
constexpr int TAB_BAR = 34;

std::optional<Capture> fresh_capture(HWND hwnd) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return capture_client(hwnd);
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

// The cursor bar: below the tab bar, whose text shares its colour.
Box cursor_bar(const Capture& c) {
    Box b;
    for (int y = TAB_BAR; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, y) == CURSOR) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
            }
    return b;
}

// Grey pixels on the cursor's row, from the cursor cell rightwards.
int ghost_pixels(const Capture& c, const Box& bar) {
    int n = 0;
    for (int y = std::max(bar.top - 24, TAB_BAR); y < bar.bottom; ++y)
        for (int x = bar.left; x < c.width; ++x) n += c.at(x, y) == GHOST;
    return n;
}

// Light pixels of the bar's labels.
int bar_ink(const Capture& c) {
    int n = 0;
    for (int y = 0; y < TAB_BAR; ++y)
        for (int x = 0; x < c.width; ++x) {
            const std::uint32_t p = c.at(x, y);
            n += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 450;
        }
    return n;
}

bool wait_for_prompt(HWND hwnd) {
    return wait_until([&] {
        auto shot = fresh_capture(hwnd);
        return shot && !cursor_bar(*shot).empty() && cursor_bar(*shot).left > 6;
    }, 30s);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// {"ts":<digits>,"line":"<line>"}, exactly.
bool is_entry(const std::string& text, const std::string& json_line) {
    const std::string head = "{\"ts\":", tail = ",\"line\":\"" + json_line + "\"}";
    if (!text.starts_with(head) || !text.ends_with(tail) || text.size() <= head.size() + tail.size()) return false;
    for (std::size_t i = head.size(); i < text.size() - tail.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

class Tracking : public OvelinTest {
protected:
    // The history file of the only saved tab.
    std::wstring history_file() {
        std::string id;
        EXPECT_TRUE(wait_until([&] {
            const std::string text = config_file(L"sessions.json");
            const std::size_t at = text.find("\"id\": \"");
            if (at == std::string::npos) return false;
            id = text.substr(at + 7, text.find('"', at + 7) - at - 7);
            return !id.empty();
        }));
        return config_ + L"\\history\\" + std::wstring(id.begin(), id.end()) + L".jsonl";
    }
    std::string text_of(const std::wstring& file) { return read_file(file).value_or(""); }
};

TEST_F(Tracking, AnEnteredLineIsStoredSuggestedInGreyAndCompletedWithTab) {
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_for_prompt(hwnd));
    const std::wstring history = history_file();
    const std::wstring out = appdata_ + L"\\tracked.txt";
    const std::wstring command = L"echo tracked>>" + out;
    bring_to_front(hwnd);
    type_text(command + L"\r");
    ASSERT_TRUE(wait_until([&] { return text_of(out) == "tracked\r\n"; }, 30s)) << text_of(out);
    ASSERT_TRUE(wait_until([&] { return text_of(history).ends_with("\n"); }));
    const auto entries = lines_of(text_of(history));
    ASSERT_EQ(entries.size(), 1u) << text_of(history);
    EXPECT_TRUE(is_entry(entries[0], "echo tracked>>" + json_path(out))) << entries[0];

    // A prefix of it: the rest in grey after the cursor.
    type_text(L"echo tr");
    std::optional<Capture> shot;
    int grey = 0;
    EXPECT_TRUE(wait_until([&] {
        shot = fresh_capture(hwnd);
        grey = shot ? ghost_pixels(*shot, cursor_bar(*shot)) : 0;
        return grey > 40;
    }, 20s)) << grey << " grey pixels";
    if (shot) save_screenshot(*shot, L"tracking-ghost.png");

    press(VK_TAB);
    press(VK_RETURN);
    EXPECT_TRUE(wait_until([&] { return text_of(out) == "tracked\r\ntracked\r\n"; }, 30s)) << text_of(out);
    EXPECT_TRUE(wait_until([&] { return lines_of(text_of(history)).size() == 2; })) << text_of(history);
    shot = fresh_capture(hwnd);
    ASSERT_TRUE(shot);
    save_screenshot(*shot, L"tracking-completed.png");
    EXPECT_EQ(ghost_pixels(*shot, cursor_bar(*shot)), 0) << "a suggestion after Enter";

    // The default quick key Ctrl+Alt+R renames the tab in place.
    press('R', {VK_CONTROL, VK_MENU});
    EXPECT_TRUE(wait_until([&] { return ::FindWindowExW(hwnd, nullptr, L"Edit", nullptr) != nullptr; }, 10s))
        << "no rename edit";
    press(VK_ESCAPE);
}

TEST_F(Tracking, AnAliasExpandsOnTabAndAQuickKeySendsItsText) {
    const std::wstring aliased = appdata_ + L"\\aliased.txt", quick = appdata_ + L"\\quick.txt";
    write_config(L"aliases.json", R"({"schema_version": 1,
  "aliases": [{"name": "mk", "expansion": "echo aliased>>)" + json_path(aliased) + R"(", "send_enter": true}],
  "quick_keys": [{"chord": "Ctrl+Shift+K", "action": {"type": "send_text", "text": "echo quick>>)" +
                                              json_path(quick) + R"(\r"}}]})");
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_for_prompt(hwnd));
    const std::wstring history = history_file();
    bring_to_front(hwnd);
    type_text(L"mk");
    press(VK_TAB);
    EXPECT_TRUE(wait_until([&] { return text_of(aliased) == "aliased\r\n"; }, 30s)) << text_of(aliased);
    press('K', {VK_CONTROL, VK_SHIFT});
    EXPECT_TRUE(wait_until([&] { return text_of(quick) == "quick\r\n"; }, 30s)) << text_of(quick);
    if (auto shot = fresh_capture(hwnd)) save_screenshot(*shot, L"tracking-alias.png");

    ASSERT_TRUE(wait_until([&] { return lines_of(text_of(history)).size() == 2; })) << text_of(history);
    const auto entries = lines_of(text_of(history));
    EXPECT_TRUE(is_entry(entries[0], "echo aliased>>" + json_path(aliased))) << entries[0];
    EXPECT_TRUE(is_entry(entries[1], "echo quick>>" + json_path(quick))) << entries[1];
}

// Each shell of the pair works in a folder of its own, so that the two
// appends of one command never meet in one file.
TEST_F(Tracking, BroadcastSendsOneTypedCommandToBothTabsOfTheGroup) {
    const std::string shell = json_path(bin_path(L"test_shell.exe"));
    const std::wstring dir_one = appdata_ + L"\\one", dir_two = appdata_ + L"\\two";
    ASSERT_TRUE(::CreateDirectoryW(dir_one.c_str(), nullptr) && ::CreateDirectoryW(dir_two.c_str(), nullptr));
    write_config(L"settings.json", R"({"schema_version": 1, "close_to_tray": false,
  "restore_sessions_on_start": true, "track_history": true, "sync_mode": "local"})");
    const auto profile = [&](const char* id, const char* name, const std::wstring& dir) {
        return std::string(R"({"id": ")") + id + R"(", "name": ")" + name + R"(", "group": "Pair",
   "kind": {"type": "local_shell", "command": "\")" + shell + R"(\" /k cd /d )" + json_path(dir) + R"("}})";
    };
    write_config(L"profiles.json", R"({"schema_version": 1, "profiles": [)" + profile("p-one", "One", dir_one) + ", " +
                                       profile("p-two", "Two", dir_two) + "]}");
    write_config(L"sessions.json", R"({"schema_version": 1, "sessions": [
  {"id": "s-one", "profile_id": "p-one"}, {"id": "s-two", "profile_id": "p-two"}]})");
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_for_prompt(hwnd));
    std::optional<Capture> before;
    ASSERT_TRUE(wait_until([&] {  // the bar as it stays
        auto a = fresh_capture(hwnd);
        before = fresh_capture(hwnd);
        return a && before && a->rgb == before->rgb;
    }));
    bring_to_front(hwnd);
    press('B', {VK_CONTROL, VK_SHIFT});
    std::optional<Capture> marked;
    EXPECT_TRUE(wait_until([&] {
        marked = fresh_capture(hwnd);
        return marked && bar_ink(*marked) > bar_ink(*before) + 20;
    }, 10s)) << "no mark in the bar";
    if (marked) save_screenshot(*marked, L"tracking-broadcast.png");

    type_text(L"echo both>>both.txt\r");
    for (const std::wstring& dir : {dir_one, dir_two})
        EXPECT_TRUE(wait_until([&] { return text_of(dir + L"\\both.txt") == "both\r\n"; }, 30s))
            << narrow(dir) << ": " << text_of(dir + L"\\both.txt");
    // Only the typed-in tab records it.
    const std::wstring one = config_ + L"\\history\\s-one.jsonl", two = config_ + L"\\history\\s-two.jsonl";
    EXPECT_TRUE(wait_until([&] { return file_exists(one) || file_exists(two); }));
    EXPECT_NE(file_exists(one), file_exists(two));

    press('B', {VK_CONTROL, VK_SHIFT});
    EXPECT_TRUE(wait_until([&] {
        auto after = fresh_capture(hwnd);
        return after && bar_ink(*after) == bar_ink(*before);
    }, 10s)) << "the mark stays";
}

// Enter on a browser card is taken by the window: its character must not
// reach the tab shown next and run the half-typed line there.
TEST_F(Tracking, EnterOnABrowserCardDoesNotRunTheTabsHalfTypedLine) {
    HWND hwnd = start();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(wait_for_prompt(hwnd));
    const std::wstring history = history_file();
    const std::wstring out = appdata_ + L"\\browsed.txt";
    bring_to_front(hwnd);
    type_text(L"echo browsed>");
    press('Z', {VK_CONTROL, VK_SHIFT});
    // The browser's header band: the card is up.
    EXPECT_TRUE(wait_until([&] {
        auto shot = fresh_capture(hwnd);
        return shot && shot->at(shot->width / 2, TAB_BAR + 2) == rgb(20, 24, 31);
    }, 10s)) << "no browser";
    press(VK_RETURN);
    type_text(L">" + out + L"\r");
    // A leaked Enter would have run "echo browsed>" alone, and the rest as a command.
    EXPECT_TRUE(wait_until([&] { return text_of(out) == "browsed\r\n"; }, 30s)) << text_of(out);
    ASSERT_TRUE(wait_until([&] { return text_of(history).ends_with("\n"); }));
    const auto entries = lines_of(text_of(history));
    ASSERT_EQ(entries.size(), 1u) << text_of(history);
    EXPECT_TRUE(is_entry(entries[0], "echo browsed>>" + json_path(out))) << entries[0];
}

}  // namespace
}  // namespace ovelin::testing
