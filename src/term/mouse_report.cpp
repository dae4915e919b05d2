#include "term/mouse_report.hpp"

#include <cstdio>

namespace ovelin::term {

namespace {

// The default encoding puts 32 + value in one byte; the UTF-8 one as a
// character, up to what two bytes hold.
constexpr int kDefaultLimit = 255 - 32;
constexpr int kUtf8Limit = 2047 - 32;

std::string csi(const Modes& modes) { return modes.has(Mode::Ctrl8Bit) ? "\x9b" : "\x1b["; }

bool wanted(MouseTracking tracking, const MouseEvent& e) {
    const bool wheel = e.button == MouseButton::WheelUp || e.button == MouseButton::WheelDown;
    switch (tracking) {
        case MouseTracking::None: return false;
        case MouseTracking::X10: return e.kind == MouseEvent::Kind::Press && !wheel && e.button != MouseButton::None;
        case MouseTracking::Click:
            if (e.kind == MouseEvent::Kind::Motion) return false;
            break;
        case MouseTracking::Drag:
            if (e.kind == MouseEvent::Kind::Motion && e.button == MouseButton::None) return false;
            break;
        case MouseTracking::Motion: break;
    }
    if (e.kind == MouseEvent::Kind::Release && wheel) return false;  // a wheel has no release
    return e.kind == MouseEvent::Kind::Motion || e.button != MouseButton::None;
}

void append_utf8_value(std::string& out, int v) {
    if (v < 0x80) {
        out += static_cast<char>(v);
    } else {
        out += static_cast<char>(0xC0 | (v >> 6));
        out += static_cast<char>(0x80 | (v & 0x3F));
    }
}

}  // namespace

std::string encode_mouse(const Modes& modes, const MouseEvent& e) {
    const MouseTracking tracking = modes.mouse_tracking();
    if (!wanted(tracking, e)) return {};
    int code = 0;
    switch (e.button) {
        case MouseButton::Left: code = 0; break;
        case MouseButton::Middle: code = 1; break;
        case MouseButton::Right: code = 2; break;
        case MouseButton::None: code = 3; break;
        case MouseButton::WheelUp: code = 64; break;
        case MouseButton::WheelDown: code = 65; break;
    }
    const MouseEncoding encoding = modes.mouse_encoding();
    const bool sgr = encoding == MouseEncoding::Sgr;
    // Only SGR says which button was released.
    if (e.kind == MouseEvent::Kind::Release && !sgr) code = 3;
    if (tracking != MouseTracking::X10) {
        if (e.kind == MouseEvent::Kind::Motion) code += 32;
        code += (e.shift ? 4 : 0) + (e.alt ? 8 : 0) + (e.ctrl ? 16 : 0);
    }
    const int x = e.col + 1, y = e.row + 1;
    if (x < 1 || y < 1) return {};
    std::string out = csi(modes);
    char buf[48];
    switch (encoding) {
        case MouseEncoding::Sgr:
            std::snprintf(buf, sizeof buf, "<%d;%d;%d%c", code, x, y, e.kind == MouseEvent::Kind::Release ? 'm' : 'M');
            return out + buf;
        case MouseEncoding::Urxvt:
            std::snprintf(buf, sizeof buf, "%d;%d;%dM", 32 + code, x, y);
            return out + buf;
        case MouseEncoding::Utf8:
            if (x > kUtf8Limit || y > kUtf8Limit) return {};
            out += 'M';
            append_utf8_value(out, 32 + code);
            append_utf8_value(out, 32 + x);
            append_utf8_value(out, 32 + y);
            return out;
        case MouseEncoding::Default:
            if (x > kDefaultLimit || y > kDefaultLimit) return {};
            out += 'M';
            out += static_cast<char>(32 + code);
            out += static_cast<char>(32 + x);
            out += static_cast<char>(32 + y);
            return out;
    }
    return {};
}

std::string encode_focus(const Modes& modes, bool focused) {
    if (!modes.has(Mode::FocusReports)) return {};
    return csi(modes) + (focused ? "I" : "O");
}

}  // namespace ovelin::term
