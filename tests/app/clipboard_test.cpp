// Selecting, copying and pasting against real sessions: screens fed with
// known bytes, and recorders that write every byte they receive to a file.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>

#include "app/clipboard.hpp"
#include "app/input.hpp"
#include "app/mouse.hpp"
#include "app/selection.hpp"
#include "app/sessions.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/recorder.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;
using testing::FakeHost;
using testing::read_text;

// The single view puts cell (row, col) at these client pixels (cells 8 x 16).
int px(int col) { return 6 + 8 * col + 3; }
int py(int row) { return 34 + 6 + 16 * row + 5; }

class Clipboard : public testing::RecorderTest {
protected:
    // A session whose program prints nothing after READY; its screen then
    // shows exactly `bytes`.
    void open_screen(const std::string& bytes) {
        SpawnRequest r;
        r.command = "/bin/sh -c 'stty raw -echo; echo READY; exec sleep 600'";
        ASSERT_TRUE(open_terminal(cell_, host_, r));
        auto app = cell_.take();
        const auto& pty = app->sessions[app->active].pty;
        ASSERT_TRUE(host_.sink->wait([&] { return testing::screen_text(*pty).find("READY") != std::string::npos; }));
        std::lock_guard lock(pty->screen()->mutex);
        pty->screen()->screen.feed("\x1b[H\x1b[2J" + bytes);
    }
    std::filesystem::path open_recorder(const std::optional<std::string>& group = std::nullopt) {
        return open_recorder_file(group);
    }
    void feed_active(const std::string& bytes) {
        auto app = cell_.take();
        const auto& screen = app->sessions[app->active].pty->screen();
        std::lock_guard lock(screen->mutex);
        screen->screen.feed(bytes);
    }
    SelectionRange shown() {
        auto app = cell_.take();
        return selection_range(*app, app->sessions[app->active].id());
    }
};

TEST_F(Clipboard, DraggingCopiesTheCellsBetweenPressAndRelease) {
    const std::string wrapped = std::string(123, 'x') + "yyyyy";  // the screen is 123 columns wide
    open_screen("first line\r\n   indented text   \r\nabcdefghijklmnop\r\n\r\n" + wrapped);
    struct Pt {
        int x, y;
    };
    const struct {
        const char* name;
        Pt press;
        std::vector<Pt> moves;
        std::optional<std::string> copied;
        SelectionRange range;
    } cases[] = {
        {"click without a drag", {px(3), py(2)}, {}, std::nullopt, {}},
        {"a move within the same cell", {px(3), py(2)}, {{px(3) + 2, py(2) + 3}}, std::nullopt, {}},
        {"reverse drag", {px(10), py(2)}, {{px(3), py(1)}}, "indented text\nabcdefghijk", {true, {1, 3}, {2, 10}}},
        {"leading spaces kept", {px(0), py(1)}, {{px(8), py(1)}}, "   indent", {true, {1, 0}, {1, 8}}},
        {"end-of-row blanks dropped", {px(0), py(0)}, {{px(50), py(0)}}, "first line", {true, {0, 0}, {0, 50}}},
        {"blank cells only", {px(0), py(3)}, {{px(20), py(3)}}, std::nullopt, {true, {3, 0}, {3, 20}}},
        {"a wrapped row runs on", {px(120), py(4)}, {{px(2), py(5)}}, "xxxyyy", {true, {4, 120}, {5, 2}}},
        {"outside above and left clamps to the first cell", {px(5), py(2)}, {{-300, -300}},
         "first line\n   indented text\nabcdef", {true, {0, 0}, {2, 5}}},
        // 1000 x 616 client: x to 993, y to 613, the last cells the area reaches.
        {"outside below and right clamps to the last cell", {px(0), py(5)}, {{px(2), py(5)}, {5000, 5000}},
         "yyyyy" + std::string(29, '\n'), {true, {5, 0}, {35, 123}}},
        {"a press in the margin selects nothing", {3, py(0)}, {{px(9), py(0)}}, std::nullopt, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host_.clipboard.reset();
        host_.clipboard_writes = 0;
        on_left_down(cell_, host_, c.press.x, c.press.y);
        for (const Pt& m : c.moves) on_mouse_move(cell_, host_, m.x, m.y);
        const Pt up = c.moves.empty() ? c.press : c.moves.back();  // the release where the pointer last was
        on_left_up(cell_, host_, up.x, up.y);
        EXPECT_FALSE(host_.captured) << "the release always ends the capture";
        EXPECT_EQ(host_.clipboard, c.copied);
        EXPECT_EQ(host_.clipboard_writes, c.copied ? 1 : 0);
        const SelectionRange r = shown();
        EXPECT_EQ(r.active, c.range.active);
        EXPECT_EQ(std::tie(r.start, r.end), std::tie(c.range.start, c.range.end));
    }

    // While the button is held the mouse is captured; moves after the
    // release change nothing.
    on_left_down(cell_, host_, px(0), py(0));
    EXPECT_TRUE(host_.captured);
    on_mouse_move(cell_, host_, px(4), py(0));
    on_left_up(cell_, host_, px(4), py(0));
    on_mouse_move(cell_, host_, px(9), py(2));
    EXPECT_EQ(shown().end.col, 4);
    EXPECT_EQ(host_.clipboard, "first");

    // The release's own point ends the drag, though no move reached it.
    host_.clipboard.reset();
    on_left_down(cell_, host_, px(0), py(0));
    on_mouse_move(cell_, host_, px(2), py(0));
    on_left_up(cell_, host_, px(4), py(0));
    EXPECT_EQ(host_.clipboard, "first");

    // A quick second click arrives as a double click: still a press, which
    // replaces the selection.
    on_left_double_click(cell_, host_, px(1), py(0));
    on_left_up(cell_, host_, px(1), py(0));
    EXPECT_FALSE(shown().active);
    EXPECT_EQ(host_.clipboard, "first");

    // A typed character ends it, and so does closing a tab.
    on_left_down(cell_, host_, px(0), py(0));
    on_mouse_move(cell_, host_, px(4), py(0));
    on_left_up(cell_, host_, px(4), py(0));
    ASSERT_TRUE(shown().active);
    on_char(cell_, host_, u'a', {});
    EXPECT_FALSE(shown().active);
    on_left_down(cell_, host_, px(0), py(0));
    on_mouse_move(cell_, host_, px(4), py(0));
    on_left_up(cell_, host_, px(4), py(0));
    ASSERT_TRUE(shown().active);
    open_screen("second tab");
    close_tab(cell_, host_, 1);
    EXPECT_FALSE(shown().active);
    EXPECT_EQ(cell_.take()->selection.state, Selection::State::None);
}

TEST_F(Clipboard, TilesStartBelowTheirTitleBar) {
    open_screen("left tile");
    open_screen("right tile\r\nsecond row");
    auto app = cell_.take();
    const std::vector<TerminalPlace> tiles{{0, {0, 34, 500, 616}, {6, 62, 494, 614}, true},
                                           {1, {500, 34, 1000, 616}, {506, 62, 994, 614}, true}};
    // The places the tiled view paints, and the single view's one.
    app->view_mode = ViewMode::TileAll;
    const auto shown = visible_terminals(*app, host_.size);
    ASSERT_EQ(shown.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k)
        EXPECT_EQ(std::tie(shown[k].index, shown[k].cell, shown[k].area, shown[k].tiled),
                  std::tie(tiles[k].index, tiles[k].cell, tiles[k].area, tiles[k].tiled));
    app->view_mode = ViewMode::Single;
    const auto single = visible_terminals(*app, host_.size);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].index, 1u);
    EXPECT_EQ(single[0].cell, (Rect{0, 34, 1000, 616}));
    EXPECT_EQ(single[0].area, (Rect{6, 40, 994, 614}));
    EXPECT_FALSE(single[0].tiled);

    EXPECT_FALSE(begin_selection(*app, tiles, 520, 50)) << "the title bar is no terminal";
    EXPECT_EQ(app->selection.state, Selection::State::None);
    ASSERT_TRUE(begin_selection(*app, tiles, 506 + 8 * 2 + 1, 62 + 16 + 1));
    EXPECT_EQ(app->selection.session_id, app->sessions[1].id());
    EXPECT_EQ(app->selection.anchor, (LinePoint{1, 2}));
    // Dragging across into the other tile clamps at this tile's left edge.
    EXPECT_TRUE(extend_selection(*app, tiles, 100, 62 + 1));
    EXPECT_EQ(app->selection.end, (LinePoint{0, 0}));
    EXPECT_EQ(finish_selection(*app), "right tile\nsec");

    // A tile too narrow for the clamp keeps the end where it was.
    const std::vector<TerminalPlace> narrow{{0, {0, 34, 12, 616}, {6, 62, 6, 614}, true}};
    ASSERT_TRUE(begin_selection(*app, narrow, 7, 70));
    EXPECT_FALSE(extend_selection(*app, narrow, 300, 300));
    EXPECT_EQ(app->selection.end, (LinePoint{0, 0}));
    // A session no longer visible is not extended.
    EXPECT_FALSE(extend_selection(*app, std::vector<TerminalPlace>{}, 300, 300));
}

TEST_F(Clipboard, CopyScreenEndsAtTheLastCharacter) {
    copy_screen(cell_, host_);  // no tab: nothing
    EXPECT_EQ(host_.clipboard_writes, 0);
    const struct {
        const char* name;
        std::string screen;
        std::optional<std::string> copied;
    } cases[] = {
        {"empty screen", "", std::nullopt},
        {"blanks only", "   \r\n\t  ", std::nullopt},
        {"prompt with blank rows below", "user$ ls\r\nfile1  file2\r\n\r\nuser$ ", "user$ ls\nfile1  file2\n\nuser$"},
        {"leading blank rows kept", "\r\n\r\n  x", "\n\n  x"},
    };
    open_screen("");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host_.clipboard.reset();
        feed_active("\x1b[H\x1b[2J" + c.screen);
        copy_screen(cell_, host_);
        EXPECT_EQ(host_.clipboard, c.copied);
    }
}

TEST(PasteBytes, LineEndsAndBracketing) {
    const struct {
        std::string clipboard;
        bool bracketed;
        std::string bytes;
    } cases[] = {
        {"dir\r\ncd ..\r\n", false, "dir\rcd ..\r"},
        {"a\nb\rc\r\r\nd", false, "a\rb\rc\r\rd"},
        {"\n\r\n", false, "\r\r"},
        {"", false, ""},
        {"", true, "\x1b[200~\x1b[201~"},
        {"ls\r\n", true, "\x1b[200~ls\r\x1b[201~"},
        // Nothing inside can end the paste early and run as typed.
        {"\x1b[201~rm x\r", true, "\x1b[200~[201~rm x\r\x1b[201~"},
        {"\x1b\x1b[201~\x1b", true, "\x1b[200~[201~\x1b[201~"},
        // Without bracketing the text is what typing it would send.
        {"\x1b[Aup", false, "\x1b[Aup"},
        {"\xc3\xa9t\xc3\xa9\n", true, "\x1b[200~\xc3\xa9t\xc3\xa9\r\x1b[201~"},
    };
    for (const auto& c : cases) EXPECT_EQ(paste_bytes(c.clipboard, c.bracketed), c.bytes) << c.clipboard;
}

TEST_F(Clipboard, PasteReachesTheSessionInOneBlock) {
    const auto a = open_recorder("g");
    const auto b = open_recorder("g");
    host_.clipboard.reset();
    paste_clipboard(cell_, host_);  // no text on the clipboard: nothing
    host_.clipboard = "echo 1\r\necho 2\n";
    paste_clipboard(cell_, host_);
    send_input(*cell_.take(), "#");
    EXPECT_EQ(recorded(b, "#"), "echo 1\recho 2\r");
    EXPECT_EQ(read_text(a), "") << "only the active tab without broadcast";

    // The program asks for bracketed paste; the group broadcasts.
    feed_active("\x1b[?2004h");
    {
        auto app = cell_.take();
        app->broadcast_groups.insert(*app->sessions[app->active].group);
    }
    host_.clipboard = "\x1b[201~rm x\r\n";
    host_.confirm_answers = {true};
    paste_clipboard(cell_, host_);
    EXPECT_EQ(host_.confirms, std::vector<std::string>{"Paste 1 line into 2 tabs?"});
    send_input(*cell_.take(), "#");
    EXPECT_EQ(recorded(a, "#"), "\x1b[200~[201~rm x\r\x1b[201~");
    EXPECT_EQ(recorded(b, "#"), "echo 1\recho 2\r#\x1b[200~[201~rm x\r\x1b[201~");
}

TEST_F(Clipboard, AHugePasteIntoAProgramThatDoesNotReadNeverBlocks) {
    open_screen("");  // sleeps: reads nothing
    host_.clipboard = std::string(50 << 20, 'a');
    const auto start = std::chrono::steady_clock::now();
    auto pasted = std::async(std::launch::async, [&] { paste_clipboard(cell_, host_); });
    ASSERT_EQ(pasted.wait_for(60s), std::future_status::ready) << "the paste waits on the program";
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("[ figure ] 50 MB paste returned after %lld ms\n", static_cast<long long>(ms.count()));
    // The window goes on: keys are taken, and the tab closes.
    on_char(cell_, host_, u'x', {});
    auto closed = std::async(std::launch::async, [&] { close_tab(cell_, host_, 0); });
    EXPECT_EQ(closed.wait_for(60s), std::future_status::ready);
}

// Lines pasted into a broadcasting group would run on every host at once:
// the user is asked first, with the lines and the live tabs it would reach.
TEST_F(Clipboard, APasteOfLinesIntoSeveralTabsAsksFirst) {
    const auto a = open_recorder("g");
    SpawnRequest failing;
    failing.group = "g";
    failing.command = "/bin/sh -c 'exit 3'";
    ASSERT_TRUE(open_terminal(cell_, host_, failing));
    ASSERT_TRUE(host_.sink->wait([&] {
        host_.pump(cell_);
        return cell_.take()->sessions.back().ended();
    }));
    const auto b = open_recorder("g");  // active; the ended tab between does not count
    std::uint64_t group = 0;
    {
        auto app = cell_.take();
        group = *app->sessions[app->active].group;
    }
    const struct {
        const char* text;
        bool broadcast;
        std::optional<bool> answer;  // none: not asked
        const char* question;
        const char* sent;  // to the active tab, and to the other live one when broadcasting
    } cases[] = {
        {"ls\r\n", false, {}, "", "ls\r"},
        {"one line, no ending", true, {}, "", "one line, no ending"},
        {"echo 1\r\necho 2", true, true, "Paste 2 lines into 2 tabs?", "echo 1\recho 2"},
        {"rm -rf build\n", true, false, "Paste 1 line into 2 tabs?", ""},
        {"a\rb\n\nc\r\n", true, true, "Paste 4 lines into 2 tabs?", "a\rb\r\rc\r"},
    };
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            app->broadcast_groups.clear();
            if (c.broadcast) app->broadcast_groups.insert(group);
        }
        host_.confirms.clear();
        host_.confirm_answers.clear();
        if (c.answer) host_.confirm_answers = {*c.answer};
        host_.clipboard = c.text;
        paste_clipboard(cell_, host_);
        EXPECT_EQ(host_.confirms, c.answer ? std::vector<std::string>{c.question} : std::vector<std::string>{})
            << c.text;
        const std::string marker = "<" + std::string(c.text) + ">";
        {
            auto app = cell_.take();
            for (Session& s : app->sessions)
                if (!s.ended()) s.pty->write(marker);
        }
        // What each received since the last case's marker.
        for (const auto& [file, expected] : {std::pair{a, c.broadcast ? c.sent : ""}, std::pair{b, c.sent}}) {
            const std::string all = recorded(file, marker);
            const std::size_t from = all.rfind('>');
            EXPECT_EQ(all.substr(from == std::string::npos ? 0 : from + 1), expected) << c.text;
        }
    }
}

}  // namespace
}  // namespace ovelin
