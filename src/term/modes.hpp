#pragma once
// The terminal's modes as one typed set, and the one table from a DEC or
// ANSI mode number to the mode it names, used by set, reset and the mode
// request alike.

#include <cstdint>
#include <optional>

namespace ovelin::term {

enum class Mode : std::uint8_t {
    CursorKeys,         // DECCKM, 1: application cursor keys
    ReverseVideo,       // DECSCNM, 5
    Origin,             // DECOM, 6
    Autowrap,           // DECAWM, 7
    MouseX10,           // 9: presses only, no modifiers
    CursorBlink,        // 12
    CursorVisible,      // DECTCEM, 25
    AltScreen,          // 47, 1047, 1049
    LeftRightMargins,   // DECLRMM, 69
    MouseClick,         // 1000: presses, releases, wheel
    MouseDrag,          // 1002: and moves while a button is held
    MouseMotion,        // 1003: and every move
    FocusReports,       // 1004
    MouseUtf8,          // 1005: coordinates as UTF-8
    MouseSgr,           // 1006: CSI < b ; x ; y M/m
    MouseUrxvt,         // 1015: CSI b ; x ; y M
    BracketedPaste,     // 2004
    Insert,             // IRM, ANSI 4
    Newline,            // LNM, ANSI 20
    KeypadApplication,  // DECKPAM / DECKPNM
    Ctrl8Bit,           // S8C1T / S7C1T: replies with 8-bit controls
};

// Which mouse events a program asked for; at most one is in force.
enum class MouseTracking : std::uint8_t { None, X10, Click, Drag, Motion };
// How its reports are written; the default form caps coordinates at 223.
enum class MouseEncoding : std::uint8_t { Default, Utf8, Sgr, Urxvt };

class Modes {
public:
    bool has(Mode m) const { return (bits_ & bit(m)) != 0; }
    void set(Mode m, bool on) { bits_ = on ? (bits_ | bit(m)) : (bits_ & ~bit(m)); }

    // The mouse modes are one choice each, as xterm keeps them: setting a
    // tracking mode replaces the one in force and resetting any ends
    // tracking; setting an encoding replaces the one in force and resetting
    // one ends only that one.
    void set_mouse(Mode m, bool on);
    MouseTracking mouse_tracking() const;
    MouseEncoding mouse_encoding() const;

    bool operator==(const Modes&) const = default;

private:
    static constexpr std::uint32_t bit(Mode m) { return 1u << static_cast<unsigned>(m); }
    std::uint32_t bits_ = 0;
};

// The mode a DEC private mode number (DECSET, DECRST, DECRQM) or an ANSI
// mode number (SM, RM) names, if any.
std::optional<Mode> dec_mode(long number);
std::optional<Mode> ansi_mode(long number);
bool is_mouse_mode(Mode m);

}  // namespace ovelin::term
