#include "term/modes.hpp"

#include <algorithm>
#include <iterator>

namespace ovelin::term {

namespace {

struct Entry {
    long number;
    Mode mode;
};

constexpr Entry kDecModes[] = {
    {1, Mode::CursorKeys},        {5, Mode::ReverseVideo},       {6, Mode::Origin},
    {7, Mode::Autowrap},          {9, Mode::MouseX10},           {12, Mode::CursorBlink},
    {25, Mode::CursorVisible},    {47, Mode::AltScreen},         {69, Mode::LeftRightMargins},
    {1000, Mode::MouseClick},     {1002, Mode::MouseDrag},       {1003, Mode::MouseMotion},
    {1004, Mode::FocusReports},   {1005, Mode::MouseUtf8},       {1006, Mode::MouseSgr},
    {1015, Mode::MouseUrxvt},     {1047, Mode::AltScreen},       {1049, Mode::AltScreen},
    {2004, Mode::BracketedPaste},
};

constexpr Entry kAnsiModes[] = {{4, Mode::Insert}, {20, Mode::Newline}};

template <std::size_t N>
std::optional<Mode> find(const Entry (&table)[N], long number) {
    const auto* it = std::find_if(std::begin(table), std::end(table), [&](const Entry& e) { return e.number == number; });
    if (it == std::end(table)) return std::nullopt;
    return it->mode;
}

constexpr Mode kTracking[] = {Mode::MouseX10, Mode::MouseClick, Mode::MouseDrag, Mode::MouseMotion};
constexpr Mode kEncodings[] = {Mode::MouseUtf8, Mode::MouseSgr, Mode::MouseUrxvt};

template <std::size_t N>
bool in(const Mode (&set)[N], Mode m) {
    return std::find(std::begin(set), std::end(set), m) != std::end(set);
}

}  // namespace

std::optional<Mode> dec_mode(long number) { return find(kDecModes, number); }
std::optional<Mode> ansi_mode(long number) { return find(kAnsiModes, number); }

bool is_mouse_mode(Mode m) { return in(kTracking, m) || in(kEncodings, m); }

void Modes::set_mouse(Mode m, bool on) {
    if (in(kTracking, m)) {
        for (Mode t : kTracking) set(t, false);
        set(m, on);
    } else if (in(kEncodings, m)) {
        if (!on) {
            set(m, false);
            return;
        }
        for (Mode e : kEncodings) set(e, false);
        set(m, true);
    }
}

MouseTracking Modes::mouse_tracking() const {
    if (has(Mode::MouseMotion)) return MouseTracking::Motion;
    if (has(Mode::MouseDrag)) return MouseTracking::Drag;
    if (has(Mode::MouseClick)) return MouseTracking::Click;
    if (has(Mode::MouseX10)) return MouseTracking::X10;
    return MouseTracking::None;
}

MouseEncoding Modes::mouse_encoding() const {
    if (has(Mode::MouseSgr)) return MouseEncoding::Sgr;
    if (has(Mode::MouseUrxvt)) return MouseEncoding::Urxvt;
    if (has(Mode::MouseUtf8)) return MouseEncoding::Utf8;
    return MouseEncoding::Default;
}

}  // namespace ovelin::term
