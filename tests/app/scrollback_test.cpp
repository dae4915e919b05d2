// Each session's view over its history, with real sessions: the keys and the
// wheel move it, output arriving leaves it on its text, input brings it back
// to the live screen, and a selection holds on to its lines.

#include <gtest/gtest.h>

#include <mutex>

#include "app/clipboard.hpp"
#include "app/find.hpp"
#include "app/input.hpp"
#include "app/menus.hpp"
#include "app/mouse.hpp"
#include "app/save_output.hpp"
#include "app/scrolling.hpp"
#include "app/selection.hpp"
#include "app/sessions.hpp"
#include "core/platform.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/recorder.hpp"
#include "support/temp_dir.hpp"
#include "ui/find_bar.hpp"

namespace ovelin {
namespace {

using testing::FakeHost;
using testing::read_text;

constexpr Modifiers NONE{}, SHIFT{false, true, false}, CTRL_SHIFT{true, true, false};
// The single view of the 1000 x 616 window: 35 rows of 16 pixels from y = 40.
constexpr int ROWS = 35;
int row_y(int row) { return 40 + 16 * row + 5; }
int col_x(int col) { return 6 + 8 * col + 3; }

std::string numbered(int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i) s += "line " + std::to_string(i) + "\r\n";
    return s;
}

// A key, or a wheel turn at a point of the active session's view.
struct Act {
    unsigned key = 0;
    Modifiers mods{};
    int delta = 0;
    unsigned lines = 3;
    int y = row_y(3);
};
Act key(unsigned k, Modifiers m) { return {k, m}; }
Act wheel(int delta, unsigned lines = 3) { return {0, {}, delta, lines}; }

class Scrollback : public testing::RecorderTest {
protected:
    using RecorderTest::recorded;
    // A session whose program records every byte it reads; its screen shows
    // only what the test feeds it.
    std::filesystem::path open_recorder(const std::optional<std::string>& group = std::nullopt) {
        const auto file = open_recorder_file(group);
        auto app = cell_.take();
        const auto& pty = app->sessions[app->active].pty;
        std::lock_guard lock(pty->screen()->mutex);
        pty->screen()->screen.feed("\x1b[H\x1b[2J");
        return file;
    }
    void feed(std::size_t index, const std::string& bytes) {
        auto app = cell_.take();
        LockedScreen& locked = *app->sessions[index].pty->screen();
        std::lock_guard lock(locked.mutex);
        locked.screen.feed(bytes);
    }
    std::uint64_t offset(std::size_t index) { return view_offset(cell_.take()->sessions[index]); }
    std::uint64_t history(std::size_t index) {
        auto app = cell_.take();
        LockedScreen& locked = *app->sessions[index].pty->screen();
        std::lock_guard lock(locked.mutex);
        return locked.screen.top_line() - locked.screen.first_line();
    }
    // The text of the view's top row.
    std::string top_text(std::size_t index) {
        auto app = cell_.take();
        LockedScreen& locked = *app->sessions[index].pty->screen();
        std::lock_guard lock(locked.mutex);
        const std::uint64_t top = view_top(locked.screen, app->sessions[index].view_top);
        return locked.screen.text_between({top, 0}, {top, 65535});
    }
    void act(const Act& a, int x = col_x(5)) {
        if (a.delta != 0)
            on_wheel(cell_, host_, x, a.y, a.delta, a.lines, a.mods);
        else
            on_key_down(cell_, host_, a.key, a.mods);
    }
};

TEST_F(Scrollback, KeysAndTheWheelMoveTheView) {
    open_recorder();
    feed(0, numbered(0, 200));
    ASSERT_EQ(history(0), 200u - (ROWS - 1));  // 166 lines above the screen
    const std::uint64_t all = history(0);
    const struct {
        const char* name;
        std::vector<Act> acts;
        std::uint64_t offset;
    } cases[] = {
        {"Shift+Page Up: the rows shown less one", {key(vk::PRIOR, SHIFT)}, ROWS - 1},
        {"twice", {key(vk::PRIOR, SHIFT), key(vk::PRIOR, SHIFT)}, 2 * (ROWS - 1)},
        {"and Shift+Page Down", {key(vk::PRIOR, SHIFT), key(vk::PRIOR, SHIFT), key(vk::NEXT, SHIFT)}, ROWS - 1},
        {"Shift+Page Down on the live screen", {key(vk::NEXT, SHIFT)}, 0},
        {"Ctrl+Shift+Up: a line each", {key(vk::UP, CTRL_SHIFT), key(vk::UP, CTRL_SHIFT)}, 2},
        {"Ctrl+Shift+Down", {key(vk::UP, CTRL_SHIFT), key(vk::UP, CTRL_SHIFT), key(vk::DOWN, CTRL_SHIFT)}, 1},
        {"Ctrl+Shift+Home: the oldest line", {key(vk::HOME, CTRL_SHIFT)}, all},
        {"no further back than that", {key(vk::HOME, CTRL_SHIFT), key(vk::PRIOR, SHIFT)}, all},
        {"Ctrl+Shift+End: live again", {key(vk::HOME, CTRL_SHIFT), key(vk::END, CTRL_SHIFT)}, 0},
        {"a notch: the system's lines", {wheel(120)}, 3},
        {"a notch of a 1-line setting", {wheel(120, 1)}, 1},
        {"thirds of a notch add up", {wheel(40), wheel(40)}, 2},
        {"quarters of a notch add up", {wheel(30), wheel(30), wheel(30), wheel(30)}, 3},
        // Half a notch left over, then a third of one towards the user: a line
        // forward, not the remainder eaten.
        {"turning back starts afresh", {wheel(30), wheel(30), wheel(-40)}, 0},
        {"one screen at a time", {wheel(120, WHEEL_PAGE)}, ROWS - 1},
        {"a page per notch", {wheel(240, WHEEL_PAGE)}, 2 * (ROWS - 1)},
        {"wheel scrolling set off", {wheel(120, 0)}, 0},
        {"towards the user on the live screen", {wheel(-120)}, 0},
        {"back and forth", {wheel(360), wheel(-120)}, 6},
        {"over the tab bar nothing", {{0, {}, 120, 3, 20}}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        on_key_down(cell_, host_, vk::END, CTRL_SHIFT);
        cell_.take()->wheel = {};
        ASSERT_EQ(offset(0), 0u);
        for (const Act& a : c.acts) act(a);
        EXPECT_EQ(offset(0), c.offset);
    }
}

TEST_F(Scrollback, TheAlternateScreenGetsTheKeysAndArrowsForTheWheel) {
    const auto file = open_recorder();
    feed(0, numbered(0, 100) + "\x1b[?1049h");
    for (const Act& a : {wheel(120), wheel(-240), wheel(40, 1), key(vk::PRIOR, SHIFT), key(vk::UP, CTRL_SHIFT),
                         key(vk::HOME, CTRL_SHIFT), key(vk::END, CTRL_SHIFT)})
        act(a);
    EXPECT_EQ(offset(0), 0u);
    send_input(*cell_.take(), "#");
    EXPECT_EQ(recorded(file, "#"), "\x1b[A\x1b[A\x1b[A" + std::string("\x1b[B\x1b[B\x1b[B\x1b[B\x1b[B\x1b[B") +
                                       "\x1b[5;2~\x1b[1;6A\x1b[1;6H\x1b[1;6F");
}

TEST_F(Scrollback, TheWheelGoesToAProgramThatAskedForTheMouse) {
    const auto file = open_recorder();
    feed(0, numbered(0, 100) + "\x1b[?1000h");
    act(wheel(120));
    EXPECT_EQ(offset(0), 0u) << "reported, not scrolled";
    act({0, SHIFT, 120});
    EXPECT_EQ(offset(0), 3u) << "Shift keeps the wheel the window's";
    feed(0, "\x1b[?1049h");
    act({0, SHIFT, 120});  // no history there, and no arrows for a program that reads the mouse
    send_input(*cell_.take(), "#");
    EXPECT_EQ(recorded(file, "#"), "\x1b[M`&$\x1b[M`&$\x1b[M`&$") << "a report a line, at the cell under the pointer";
}

TEST_F(Scrollback, EveryKindOfInputReturnsToTheLiveScreen) {
    open_recorder("g");
    open_recorder("g");
    {
        auto app = cell_.take();
        app->quick_keys = {{"ctrl+alt+q", SendText{"q"}}};
        app->settings.keys.chrome_tab_keys = false;
    }
    host_.clipboard = "pasted";
    feed(0, numbered(0, 100));
    feed(1, numbered(0, 100));
    const struct {
        const char* name;
        std::function<void()> input;
        bool broadcast;
    } cases[] = {
        {"a typed character", [&] { on_char(cell_, host_, u'x', NONE); }, false},
        {"a key's sequence", [&] { on_key_down(cell_, host_, vk::LEFT, NONE); }, false},
        {"a paste", [&] { on_key_down(cell_, host_, vk::INSERT, SHIFT); }, false},
        {"a quick key's text", [&] { on_key_down(cell_, host_, 'Q', {true, false, true}); }, false},
        {"broadcast input reaching another tab", [&] { on_char(cell_, host_, u'y', NONE); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            auto app = cell_.take();
            app->broadcast_groups.clear();
            if (c.broadcast) app->broadcast_groups.insert(*app->sessions[1].group);
            for (Session& s : app->sessions) {
                scroll_view_to(s, false);
                ASSERT_TRUE(scroll_view(s, -5));
            }
        }
        c.input();
        on_key_up(cell_);  // a key-down's characters are its own
        EXPECT_EQ(offset(1), 0u) << "the active tab";
        EXPECT_EQ(offset(0), c.broadcast ? 0u : 5u) << "the other tab";
    }
}

TEST_F(Scrollback, TheWheelScrollsTheTileUnderThePointer) {
    open_recorder();
    open_recorder();
    feed(0, numbered(0, 100));
    feed(1, numbered(0, 100));
    on_key_down(cell_, host_, 'A', CTRL_SHIFT);  // tiles: 0 on the left, 1 (active) on the right
    ASSERT_EQ(cell_.take()->view_mode, ViewMode::TileAll);
    act({0, {}, 120, 3, 300}, 100);
    EXPECT_EQ(offset(0), 3u) << "the tile under the pointer";
    EXPECT_EQ(offset(1), 0u) << "not the active one";
    act({0, {}, 120, 3, 300}, 700);
    EXPECT_EQ(offset(1), 3u);
    EXPECT_EQ(cell_.take()->active, 1u) << "the wheel activates nothing";
}

TEST_F(Scrollback, TheViewStaysOnItsTextWhileOutputArrives) {
    open_recorder();
    feed(0, numbered(0, 100));
    act(wheel(240));  // 6 lines back: "line 60" at the top
    ASSERT_EQ(top_text(0), "line 60");
    feed(0, numbered(100, 150));
    EXPECT_EQ(top_text(0), "line 60");
    EXPECT_EQ(offset(0), 56u);

    // More rows pull lines back from the history over a view near the live
    // screen: it is live again; fewer rows keep it on its text.
    act(wheel(-120 * 18));
    ASSERT_EQ(offset(0), 2u);
    host_.size.height += 16 * 5;
    lay_out(*cell_.take(), host_);
    EXPECT_EQ(offset(0), 0u);
    act(wheel(120));
    const std::string shown = top_text(0);
    host_.size.height -= 16 * 10;
    lay_out(*cell_.take(), host_);
    EXPECT_EQ(top_text(0), shown);

    // At the oldest line, lines dropped from a full history take the view
    // to the oldest one left.
    feed(0, numbered(150, 10'100));
    on_key_down(cell_, host_, vk::HOME, CTRL_SHIFT);
    ASSERT_EQ(history(0), SCROLLBACK_LINES);
    const std::string oldest = top_text(0);
    feed(0, numbered(10'100, 10'200));
    EXPECT_NE(top_text(0), oldest);
    EXPECT_EQ(top_text(0), "line " + std::to_string(std::stoi(oldest.substr(5)) + 100));
    EXPECT_EQ(offset(0), SCROLLBACK_LINES);
}

TEST_F(Scrollback, ASelectionHoldsOnToItsLines) {
    open_recorder();
    feed(0, numbered(0, 100));  // the screen shows lines 66 to 99
    act(wheel(120 * 2));        // 6 lines back: rows show 60 ...
    ASSERT_EQ(top_text(0), "line 60");

    // From the history into the live screen's lines, output arriving meanwhile.
    on_left_down(cell_, host_, col_x(2), row_y(1));
    on_mouse_move(cell_, host_, col_x(3), row_y(8));
    feed(0, numbered(100, 120));
    on_left_up(cell_, host_, col_x(3), row_y(8));
    EXPECT_EQ(host_.clipboard, "ne 61\nline 62\nline 63\nline 64\nline 65\nline 66\nline 67\nline");
    {
        auto app = cell_.take();
        const SelectionRange r = selection_range(*app, app->sessions[0].id());
        EXPECT_EQ(r.start.col, 2);
        EXPECT_EQ(r.end.line - r.start.line, 7u);
    }

    // The wheel during a drag takes its end along.
    on_left_down(cell_, host_, col_x(0), row_y(4));
    act(wheel(120));  // 3 lines further back, the pointer still on row 4
    on_left_up(cell_, host_, col_x(0), row_y(4));
    EXPECT_EQ(host_.clipboard, "line 61\nline 62\nline 63\nl");

    // Ctrl+Insert copies what the view shows at its offset.
    on_key_down(cell_, host_, vk::INSERT, {true, false, false});
    ASSERT_TRUE(host_.clipboard);
    EXPECT_TRUE(host_.clipboard->starts_with("line 57\nline 58\n")) << *host_.clipboard;
    EXPECT_TRUE(host_.clipboard->ends_with("line 90\nline 91")) << *host_.clipboard;
}

TEST_F(Scrollback, TheThumbShowsTheOffsetAndDragsTheView) {
    open_recorder();
    feed(0, numbered(0, 300));
    const Rect area{6, 40, 994, 614};
    const std::uint64_t all = history(0);
    act(wheel(120 * 10));
    const auto thumb = scroll_thumb(area, 30, all, ROWS);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->left, 994);
    EXPECT_EQ(thumb->right, 998);
    EXPECT_GE(thumb->bottom - thumb->top, 16);
    const int grab = thumb->top + 2;
    on_left_down(cell_, host_, 995, grab);
    EXPECT_TRUE(host_.captured);
    EXPECT_FALSE(cell_.take()->selection.state == Selection::State::Selecting) << "a press on the thumb selects nothing";
    on_mouse_move(cell_, host_, 995, -500);
    EXPECT_EQ(offset(0), all) << "dragged to the top: the oldest line";
    on_mouse_move(cell_, host_, 995, grab);
    EXPECT_EQ(offset(0), 30u);
    on_mouse_move(cell_, host_, 995, 5000);
    EXPECT_EQ(offset(0), 0u) << "dragged to the bottom: live";
    on_left_up(cell_, host_, 995, 5000);
    EXPECT_FALSE(host_.captured);
    EXPECT_FALSE(scroll_thumb(area, 0, all, ROWS)) << "no thumb on the live screen";
    // A menu taking the mouse mid-drag ends it: moves then scroll nothing.
    act(wheel(120 * 10));
    on_left_down(cell_, host_, 995, grab);
    on_capture_lost(cell_, host_);
    on_mouse_move(cell_, host_, 995, 5000);
    EXPECT_EQ(offset(0), 30u);
}

TEST_F(Scrollback, FindGoesFromMatchToMatchAndShowsEach) {
    open_recorder();
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + (i % 20 == 5 ? " Found" : "") + "\r\n";
    feed(0, lines);  // the live screen's top line is 166
    on_key_down(cell_, host_, 'F', CTRL_SHIFT);
    ASSERT_TRUE(host_.find_edit);
    EXPECT_EQ(*host_.find_edit, find_bar_layout({6, 40, 994, 614}, {8, 16, 14}).edit);
    on_left_down(cell_, host_, col_x(20), row_y(0));
    EXPECT_EQ(cell_.take()->selection.state, Selection::State::None) << "the bar takes a press";
    on_left_up(cell_, host_, col_x(20), row_y(0));
    on_find_text(cell_, host_, "fOUND");
    auto current_line = [&] {
        auto app = cell_.take();
        const FindMarks m = find_marks(*app, app->sessions[0].id());
        return m.current ? static_cast<int>(m.found[*m.current].start.line) : -1;
    };
    EXPECT_EQ(find_count(*cell_.take()), "1 of 10");
    EXPECT_EQ(current_line(), 185) << "the first search goes up from the live screen";
    EXPECT_EQ(offset(0), 0u);
    const struct {
        FindKey key;
        int line;
        std::uint64_t offset;  // the view's, after it
        std::string count;
    } steps[] = {
        {FindKey::Older, 165, 3, "2 of 10"},    // above the view: on the first row the bar leaves uncovered
        {FindKey::Older, 145, 23, "3 of 10"},
        {FindKey::Newer, 165, 23, "2 of 10"},   // in view: the view stays
        {FindKey::Newer, 185, 15, "1 of 10"},   // below the view: the least scroll that shows it
        {FindKey::Newer, 5, 163, "10 of 10"},   // past the newest: the oldest
        {FindKey::Older, 185, 15, "1 of 10"},   // past the oldest: the newest
    };
    for (const auto& step : steps) {
        on_find_key(cell_, host_, step.key);
        EXPECT_EQ(current_line(), step.line);
        EXPECT_EQ(offset(0), step.offset) << step.line;
        EXPECT_EQ(find_count(*cell_.take()), step.count) << step.line;
    }
    // Output goes on: the new lines are searched as they come.
    feed(0, "line 200 found\r\nline 201 FOUND\r\n");
    refresh_find(*cell_.take());
    EXPECT_EQ(find_count(*cell_.take()), "3 of 12");
    on_find_text(cell_, host_, "found it");
    EXPECT_EQ(find_count(*cell_.take()), "No matches");
    // Escape closes the bar; the view stays until the next input.
    on_find_text(cell_, host_, "line 20");
    on_find_key(cell_, host_, FindKey::Older);
    const std::uint64_t left = offset(0);
    EXPECT_GT(left, 0u);
    on_find_key(cell_, host_, FindKey::Close);
    EXPECT_FALSE(host_.find_edit);
    EXPECT_FALSE(cell_.take()->find.open);
    EXPECT_EQ(offset(0), left);
    on_key_up(cell_);
    on_char(cell_, host_, u'x', NONE);
    EXPECT_EQ(offset(0), 0u);
}

TEST_F(Scrollback, FindOnTheAlternateScreenAndAcrossTabs) {
    open_recorder();
    feed(0, numbered(0, 100) + "found in the history\r\n\x1b[?1049h\x1b[4;1Hfound on the screen");
    on_key_down(cell_, host_, 'F', CTRL_SHIFT);
    on_find_text(cell_, host_, "FOUND");
    {
        auto app = cell_.take();
        EXPECT_EQ(find_count(*app), "1 of 1") << "the alternate screen's rows only";
        const FindMarks m = find_marks(*app, app->sessions[0].id());
        ASSERT_EQ(m.found.size(), 1u);
        EXPECT_EQ(m.found[0].start.col, 0);
    }
    EXPECT_EQ(offset(0), 0u);
    // Ctrl+Shift+F again closes it; a bar belongs to its tab and goes when
    // another tab is shown.
    on_key_down(cell_, host_, 'F', CTRL_SHIFT);
    EXPECT_FALSE(host_.find_edit);
    open_recorder();
    on_key_down(cell_, host_, 'F', CTRL_SHIFT);
    ASSERT_TRUE(host_.find_edit);
    on_key_down(cell_, host_, vk::TAB, {true, false, false});
    EXPECT_FALSE(host_.find_edit);
    EXPECT_FALSE(cell_.take()->find.open);
}

TEST(SaveOutput, TheNameOfferedIsSafeForWindows) {
    const struct {
        std::string label, name;
    } cases[] = {
        {"Build", "Build.txt"},
        {"a/b:c*?\"<>|\\d", "a_b_c_______d.txt"},
        {"tab\tname", "tab_name.txt"},
        {"  trailing dots. . ", "trailing dots.txt"},
        {"...", "output.txt"},
        {"", "output.txt"},
        {"con", "_con.txt"},
        {"CON.log", "_CON.log.txt"},
        {"Lpt9", "_Lpt9.txt"},
        {"COM10", "COM10.txt"},
        {"\u00bb Ops \u2715", "\u00bb Ops \u2715.txt"},
        {std::string(119, 'x') + "\u00e9tail", std::string(119, 'x') + ".txt"},  // never half a character
    };
    for (const auto& c : cases) EXPECT_EQ(output_file_name(c.label), c.name) << c.label;
}

TEST_F(Scrollback, SaveOutputWritesTheHistoryAndScreenWithWindowsLineEnds) {
    open_recorder();
    feed(0, numbered(0, 40) + "wide \xe6\x97\xa5 end   \r\n" + std::string(130, 'w') + "\r\n\r\nlast\r\n\r\n");
    {
        auto app = cell_.take();
        app->sessions[0].title = "My: build?";
        app->sessions[0].custom_title = true;
    }
    std::string want;
    for (int i = 0; i < 40; ++i) want += "line " + std::to_string(i) + "\r\n";
    want += "wide \xe6\x97\xa5 end\r\n" + std::string(130, 'w') + "\r\n\r\nlast\r\n";

    const auto file = tmp_.path() / "saved.txt";
    const struct {
        const char* name;
        std::optional<std::string> path;  // what the dialog answers
        std::string before;               // the file's content before, if any
        std::string after;                // and after; "-" for no file
        bool error;
    } cases[] = {
        {"cancelled", std::nullopt, "", "-", false},
        {"written", file.string(), "", want, false},
        {"a file replaced whole", file.string(), "old content that is longer than nothing", want, false},
        {"a folder that does not exist", (tmp_.path() / "missing" / "out.txt").string(), "", "-", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file);
        if (!c.before.empty()) {
            ASSERT_FALSE(platform::write_file(file, c.before));
        }
        host_.save_answers = {c.path};
        host_.save_dialogs.clear();
        host_.errors.clear();
        host_.menu_answers = {menu_id::SAVE_OUTPUT};
        open_tab_menu(cell_, host_, 0, 10, 10);
        ASSERT_EQ(host_.save_dialogs, std::vector<std::string>{"My_ build_.txt"});
        const std::filesystem::path written = c.path ? platform::utf8_path(*c.path) : file;
        EXPECT_EQ(std::filesystem::exists(written) ? read_text(written) : "-", c.after);
        EXPECT_EQ(host_.errors.size(), c.error ? 1u : 0u);
        if (c.error) {
            ASSERT_FALSE(host_.errors.empty());
            EXPECT_TRUE(host_.errors[0].starts_with("Could not save the output to " + *c.path + ": "));
        }
        for (const auto& entry : std::filesystem::directory_iterator(tmp_.path()))
            EXPECT_FALSE(entry.path().string().ends_with(".tmp")) << "no temporary file left";
    }
}

}  // namespace
}  // namespace ovelin
