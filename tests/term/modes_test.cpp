// The mouse and focus modes a program sets, the reports they call for, and
// what the screen does not understand.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "term/mouse_report.hpp"
#include "term/screen.hpp"

namespace ovelin {
namespace {

using term::Mode;
using term::MouseButton;
using term::MouseEncoding;
using term::MouseEvent;
using term::MouseTracking;

TEST(ScreenModes, MouseAndFocusModesFollowTheirSequences) {
    const struct {
        std::string bytes;
        MouseTracking tracking;
        MouseEncoding encoding;
        bool focus;
        std::string replies;  // to the mode requests after the bytes
    } cases[] = {
        {"", MouseTracking::None, MouseEncoding::Default, false, "\x1b[?1000;2$y\x1b[?1006;2$y\x1b[?1004;2$y"},
        {"\x1b[?9h", MouseTracking::X10, MouseEncoding::Default, false, ""},
        {"\x1b[?1000h", MouseTracking::Click, MouseEncoding::Default, false, "\x1b[?1000;1$y"},
        {"\x1b[?1002h", MouseTracking::Drag, MouseEncoding::Default, false, "\x1b[?1000;2$y"},
        {"\x1b[?1003h", MouseTracking::Motion, MouseEncoding::Default, false, ""},
        {"\x1b[?1000;1003h", MouseTracking::Motion, MouseEncoding::Default, false, "\x1b[?1000;2$y"},  // the last one
        {"\x1b[?1003h\x1b[?1000l", MouseTracking::None, MouseEncoding::Default, false, ""},  // any reset ends it
        {"\x1b[?1006h", MouseTracking::None, MouseEncoding::Sgr, false, "\x1b[?1006;1$y"},
        {"\x1b[?1005h\x1b[?1015h", MouseTracking::None, MouseEncoding::Urxvt, false, "\x1b[?1005;2$y"},
        {"\x1b[?1006h\x1b[?1005l", MouseTracking::None, MouseEncoding::Sgr, false, ""},  // not the one in force
        {"\x1b[?1006h\x1b[?1006l", MouseTracking::None, MouseEncoding::Default, false, ""},
        {"\x1b[?1004h", MouseTracking::None, MouseEncoding::Default, true, "\x1b[?1004;1$y"},
        {"\x1b[?1002;1006;1004h\x1b" "c", MouseTracking::None, MouseEncoding::Default, false, ""},  // a reset ends all
        // Leaving the alternate screen keeps them, as xterm does.
        {"\x1b[?1049h\x1b[?1002;1006;1004h\x1b[?1049l", MouseTracking::Drag, MouseEncoding::Sgr, true, ""},
    };
    for (const auto& c : cases) {
        Screen s(5, 20);
        s.feed(c.bytes);
        EXPECT_EQ(s.modes().mouse_tracking(), c.tracking) << c.bytes;
        EXPECT_EQ(s.modes().mouse_encoding(), c.encoding) << c.bytes;
        EXPECT_EQ(s.modes().has(Mode::FocusReports), c.focus) << c.bytes;
        if (c.replies.empty()) continue;
        s.take_replies();
        for (std::size_t at = 0; (at = c.replies.find("\x1b[?", at)) != std::string::npos; ++at)
            s.feed("\x1b[?" + c.replies.substr(at + 3, c.replies.find(';', at) - at - 3) + "$p");
        EXPECT_EQ(s.take_replies(), c.replies) << c.bytes;
    }
}

TEST(MouseReport, BytesForEachModeAndEncoding) {
    using K = MouseEvent::Kind;
    const MouseEvent press{K::Press, MouseButton::Left, 2, 4}, right{K::Press, MouseButton::Right, 2, 4},
        release{K::Release, MouseButton::Left, 2, 4}, drag{K::Motion, MouseButton::Left, 3, 5},
        move{K::Motion, MouseButton::None, 3, 5}, wheel_up{K::Press, MouseButton::WheelUp, 0, 0},
        wheel_down{K::Press, MouseButton::WheelDown, 0, 0},
        ctrl_alt{K::Press, MouseButton::Middle, 0, 0, false, true, true},
        shift_wheel{K::Press, MouseButton::WheelUp, 0, 0, true, false, false},
        far{K::Press, MouseButton::Left, 0, 222}, too_far{K::Press, MouseButton::Left, 0, 223},
        far_row{K::Press, MouseButton::Left, 300, 0};
    const struct {
        std::string modes;
        MouseEvent event;
        std::string bytes;
    } cases[] = {
        // Presses only, no modifiers.
        {"\x1b[?9h", press, "\x1b[M %#"},
        {"\x1b[?9h", right, "\x1b[M\"%#"},
        {"\x1b[?9h", ctrl_alt, "\x1b[M!!!"},
        {"\x1b[?9h", release, ""},
        {"\x1b[?9h", wheel_up, ""},
        {"\x1b[?9h", drag, ""},
        // Presses, releases and the wheel.
        {"\x1b[?1000h", press, "\x1b[M %#"},
        {"\x1b[?1000h", release, "\x1b[M#%#"},
        {"\x1b[?1000h", wheel_up, "\x1b[M`!!"},
        {"\x1b[?1000h", wheel_down, "\x1b[Ma!!"},
        {"\x1b[?1000h", ctrl_alt, "\x1b[M9!!"},
        {"\x1b[?1000h", shift_wheel, "\x1b[Md!!"},
        {"\x1b[?1000h", drag, ""},
        {"\x1b[?1000h", far, "\x1b[M \xff!"},
        {"\x1b[?1000h", too_far, ""},
        {"\x1b[?1000h", far_row, ""},
        // And drags; and every move.
        {"\x1b[?1002h", drag, "\x1b[M@&$"},
        {"\x1b[?1002h", move, ""},
        {"\x1b[?1003h", move, "\x1b[MC&$"},
        {"\x1b[?1003h", drag, "\x1b[M@&$"},
        // Encodings.
        {"\x1b[?1000;1006h", press, "\x1b[<0;5;3M"},
        {"\x1b[?1000;1006h", release, "\x1b[<0;5;3m"},
        {"\x1b[?1000;1006h", ctrl_alt, "\x1b[<25;1;1M"},
        {"\x1b[?1000;1006h", too_far, "\x1b[<0;224;1M"},
        {"\x1b[?1003;1006h", move, "\x1b[<35;6;4M"},
        {"\x1b[?1000;1015h", press, "\x1b[32;5;3M"},
        {"\x1b[?1000;1015h", release, "\x1b[35;5;3M"},
        {"\x1b[?1000;1005h", too_far, "\x1b[M \xc4\x80!"},
        {"\x1b[?1000;1005h", far_row, "\x1b[M !\xc5\x8d"},
        {"\x1b[?1000;1005h", press, "\x1b[M %#"},
        {"", press, ""},
        {"\x1b[?1006h", press, ""},  // an encoding alone asks for nothing
    };
    for (const auto& c : cases) {
        Screen s(5, 20);
        s.feed(c.modes);
        const MouseEvent& e = c.event;
        EXPECT_EQ(term::encode_mouse(s.modes(), e), c.bytes)
            << c.modes << " kind " << int(e.kind) << " button " << int(e.button) << " at " << e.row << "," << e.col;
    }
}

TEST(MouseReport, FocusOnlyWhenAskedFor) {
    Screen s(5, 20);
    EXPECT_EQ(term::encode_focus(s.modes(), true), "");
    s.feed("\x1b[?1004h");
    EXPECT_EQ(term::encode_focus(s.modes(), true), "\x1b[I");
    EXPECT_EQ(term::encode_focus(s.modes(), false), "\x1b[O");
    s.feed("\x1b G");  // replies with 8-bit controls
    EXPECT_EQ(term::encode_focus(s.modes(), true), "\x9bI");
}

TEST(ScreenModes, WhatIsNotUnderstoodIsHeard) {
    const struct {
        std::string bytes;
        std::vector<std::string> heard;
    } cases[] = {
        {"\x1b[?1000;9999h\x1b[12l", {"CSI ? 9999 h", "CSI 12 l"}},
        {"\x1b[5!p\x1b[<1;2M\x1b[1;2:3y", {"CSI 5 ! p", "CSI < 1;2 M (with other leaders or intermediates)", "CSI 1;2:3 y"}},
        {"\x1b#9\x1b(Z\x1b" "a", {"ESC # 9", "ESC ( Z", "ESC a"}},
        {"\x05\x1bZ\x1b_", {"C0 05", "C1 9A", "C1 9F"}},
        {"\x1b]52;c;aGk=\x07\x1b]8;;http://x\x1b\\\x1bPq#0\x1b\\", {"OSC 52", "OSC 8", "DCS q#0"}},
        // Known: nothing heard.
        {"\x1b[1;31mx\x1b[?1049h\x1b(0\x1b" "7\x1b]2;t\x07\x1bP$qm\x1b\\\r\n\x1b[?1004$p\x07", {}},
    };
    for (const auto& c : cases) {
        Screen s(5, 20);
        std::vector<std::string> heard;
        s.on_unknown_sequence([&](std::string_view text) { heard.emplace_back(text); });
        s.feed(c.bytes);
        EXPECT_EQ(heard, c.heard) << c.bytes;
    }
}

}  // namespace
}  // namespace ovelin
