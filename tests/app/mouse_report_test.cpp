// The mouse and the focus reported to programs that ask for them, through
// the window's handlers into real sessions whose program records every
// byte it receives.

#include <gtest/gtest.h>

#include "app/focus_report.hpp"
#include "app/input.hpp"
#include "app/mouse.hpp"
#include "app/view_mode.hpp"
#include "support/recorder.hpp"

namespace ovelin {
namespace {

using Button = PointerButton;

struct Step {
    enum Kind { Press, Release, Move, Wheel, CaptureLost } kind;
    Button button = Button::Left;
    int x = 0, y = 0;
    Modifiers mods{};
    int delta = 0;  // wheel
};

class MouseReports : public testing::RecorderTest {
protected:
    void run(const Step& s) {
        switch (s.kind) {
            case Step::Press:
                if (s.button == Button::Left) on_left_down(cell_, host_, s.x, s.y, s.mods);
                if (s.button == Button::Right) on_right_down(cell_, host_, s.x, s.y, s.mods);
                if (s.button == Button::Middle) on_middle_down(cell_, host_, s.x, s.y, s.mods);
                break;
            case Step::Release:
                if (s.button == Button::Left) on_left_up(cell_, host_, s.x, s.y, s.mods);
                if (s.button == Button::Right) on_right_up(cell_, host_, s.x, s.y, s.mods);
                if (s.button == Button::Middle) on_middle_up(cell_, host_, s.x, s.y, s.mods);
                break;
            case Step::Move: on_mouse_move(cell_, host_, s.x, s.y, s.mods); break;
            case Step::Wheel: on_mouse_wheel(cell_, host_, s.x, s.y, s.delta, s.mods); break;
            case Step::CaptureLost: report_capture_lost(cell_); break;
        }
    }
};

Step press(Button b, int col, int row, Modifiers m = {}) { return {Step::Press, b, testing::cell_x(col), testing::cell_y(row), m}; }
Step release(Button b, int col, int row) { return {Step::Release, b, testing::cell_x(col), testing::cell_y(row)}; }
Step move(int col, int row) { return {Step::Move, Button::Left, testing::cell_x(col), testing::cell_y(row)}; }
Step wheel(int delta, Modifiers m = {}) {
    return {Step::Wheel, Button::Left, testing::cell_x(4), testing::cell_y(2), m, delta};
}

TEST_F(MouseReports, EachModeGetsItsBytes) {
    const Modifiers ctrl_alt{true, false, true}, shift{false, true, false}, ctrl{true, false, false};
    const std::string up3 = "\x1b[M`%#\x1b[M`%#\x1b[M`%#";
    const struct {
        const char* name;
        std::string modes;  // printed by the program first
        std::vector<Step> steps;
        std::string bytes;
        std::optional<std::string> clipboard;  // after the steps, when it matters
    } cases[] = {
        {"clicks", "\\033[?1000h", {press(Button::Left, 4, 2), release(Button::Left, 4, 2)}, "\x1b[M %#\x1b[M#%#", {}},
        {"right and middle", "\\033[?1000h",
         {press(Button::Right, 4, 2), release(Button::Right, 4, 2), press(Button::Middle, 0, 0),
          release(Button::Middle, 0, 0)},
         "\x1b[M\"%#\x1b[M#%#\x1b[M!!!\x1b[M#!!", {}},
        {"clicks only: no drag", "\\033[?1000h", {press(Button::Left, 4, 2), move(5, 3), release(Button::Left, 5, 3)},
         "\x1b[M %#\x1b[M#&$", {}},
        {"drags, once a cell", "\\033[?1002h",
         {press(Button::Left, 4, 2), {Step::Move, Button::Left, testing::cell_x(4) + 2, testing::cell_y(2)}, move(5, 3), move(5, 3),
          release(Button::Left, 5, 3), move(6, 3)},
         "\x1b[M %#\x1b[M@&$\x1b[M#&$", {}},
        {"every move", "\\033[?1003h", {move(5, 3), move(5, 3), move(6, 3)}, "\x1b[MC&$\x1b[MC'$", {}},
        {"modifiers in SGR", "\\033[?1002;1006h",
         {press(Button::Left, 0, 0, ctrl_alt), release(Button::Left, 0, 0)}, "\x1b[<24;1;1M\x1b[<0;1;1m", {}},
        {"a wheel notch is three lines", "\\033[?1000h", {wheel(120)}, up3, {}},
        {"fine wheel steps add up", "\\033[?1000h", {wheel(-60), wheel(-60)}, "\x1b[Ma%#\x1b[Ma%#\x1b[Ma%#", {}},
        {"presses only", "\\033[?9h", {press(Button::Left, 4, 2, ctrl), release(Button::Left, 4, 2), wheel(120)},
         "\x1b[M %#", {}},
        {"a drag outside reports the nearest cell", "\\033[?1002;1006h",
         {press(Button::Left, 0, 0), {Step::Move, Button::Left, -50, 700}, {Step::Release, Button::Left, -50, 700}},
         "\x1b[<0;1;1M\x1b[<32;1;35M\x1b[<0;1;35m", {}},
        {"another window takes the mouse mid-drag", "\\033[?1002;1006h",
         {press(Button::Left, 1, 1), move(2, 1), {Step::CaptureLost}, move(3, 1), press(Button::Right, 3, 1),
          release(Button::Right, 3, 1)},
         "\x1b[<0;2;2M\x1b[<32;3;2M\x1b[<0;3;2m\x1b[<2;4;2M\x1b[<2;4;2m", {}},
        {"shift selects", "\\033[?1000h",
         {press(Button::Left, 0, 0, shift), move(4, 0), release(Button::Left, 4, 0), wheel(120, shift)}, "",
         std::string("READY")},
        {"shift pastes", "\\033[?1000h", {press(Button::Right, 4, 2, shift)}, "unchanged", {}},
        {"not asked for: the mouse selects and pastes", "",
         {press(Button::Left, 0, 0), move(2, 0), release(Button::Left, 2, 0), press(Button::Right, 9, 9), wheel(120)},
         "REA", std::string("REA")},
        {"asked for, then not", "\\033[?1000h\\033[?1000l", {press(Button::Right, 4, 2)}, "unchanged", {}},
    };
    for (const auto& c : cases) {
        auto rec = open_recorder(c.modes);
        host_.clipboard = "unchanged";
        for (const Step& s : c.steps) run(s);
        EXPECT_EQ(recorded(rec), c.bytes) << c.name;
        if (c.clipboard) {
            EXPECT_EQ(host_.clipboard, *c.clipboard) << c.name;
        }
        EXPECT_FALSE(host_.captured) << c.name;  // every press was released
        const std::size_t shown = cell_.take()->active;
        close_tab(cell_, host_, shown);
    }
}

// In tiles a report goes to the tile under the pointer alone, even when its
// group broadcasts what is typed.
TEST_F(MouseReports, OnlyTheTileUnderThePointerHearsIt) {
    auto first = open_recorder("\\033[?1000h", "g");
    auto second = open_recorder("\\033[?1000h", "g");
    {
        auto app = cell_.take();
        app->broadcast_groups.insert(*app->sessions[0].group);
        app->active = 0;
    }
    set_view_mode(cell_, host_, ViewMode::TileGroup, false);
    // Two tiles side by side, 500 pixels wide; terminals below a 28-pixel title.
    const int x = 500 + 6 + 8 * 2 + 3, y = 34 + 28 + 16 * 1 + 5;
    on_left_down(cell_, host_, x, y);
    on_left_up(cell_, host_, x, y);
    EXPECT_EQ(cell_.take()->active, 1u);  // the press made it active
    on_char(cell_, host_, u'k', {});      // typing still reaches both
    EXPECT_EQ(recorded(second), "\x1b[M #\"\x1b[M##\"k");
    EXPECT_EQ(recorded(first), "k");
    // Nothing is reported while browsing.
    on_key_down(cell_, host_, 'Z', {true, true, false});
    on_left_down(cell_, host_, x, y);
    on_left_up(cell_, host_, x, y);
    EXPECT_EQ(recorded(second), "");
}

TEST_F(MouseReports, FocusGoesWithTheKeys) {
    auto a = open_recorder("\\033[?1004h");
    auto b = open_recorder("\\033[?1004h");  // a stops receiving keys
    auto quiet = open_recorder();            // never asked
    activate(cell_, host_, 0);                      // a again
    on_focus_changed(cell_, host_, false);
    on_focus_changed(cell_, host_, true);
    on_key_down(cell_, host_, 'Z', {true, true, false});  // the group browser: no session has the keys
    on_key_down(cell_, host_, 'Z', {true, true, false});
    activate(cell_, host_, 2);
    EXPECT_EQ(recorded(a), "\x1b[O\x1b[I\x1b[O\x1b[I\x1b[O\x1b[I\x1b[O");
    EXPECT_EQ(recorded(b), "\x1b[O");  // when the third tab opened
    EXPECT_EQ(recorded(quiet), "");
}

}  // namespace
}  // namespace ovelin
