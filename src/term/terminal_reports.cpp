// Select graphic rendition, the strings (titles, state requests) and every
// reply the terminal sends; what is not understood, written out for the hook.

#include <cstdarg>
#include <cstdio>

#include "core/utf.hpp"
#include "term/sequences.hpp"
#include "term/terminal.hpp"

namespace ovelin::term {

namespace {

// A title cut at the byte limit may end inside a character: drop that tail.
std::string_view cut_incomplete_tail(std::string_view s) {
    std::size_t back = 0;
    while (back < 4 && back < s.size() && (static_cast<unsigned char>(s[s.size() - 1 - back]) & 0xC0) == 0x80) ++back;
    if (back == s.size()) return s;
    const auto lead = static_cast<unsigned char>(s[s.size() - 1 - back]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return need > back + 1 ? s.substr(0, s.size() - 1 - back) : s;
}

}  // namespace

std::string Terminal::take_replies() {
    std::string out;
    out.swap(replies_);
    return out;
}

void Terminal::sgr(const Params& a) {
    const int argc = std::max(a.count(), 1);
    auto color = [&](int i, bool fg) {
        // 38/48 at i: returns how many parameters after the palette number it took.
        const long palette = a.value(i + 1);
        const int rest = argc - i - 2;
        if (palette == 2) {
            if (rest < 3) return std::max(rest, 0);
            const auto r = static_cast<std::uint8_t>(a.value(i + 2)), g = static_cast<std::uint8_t>(a.value(i + 3)),
                       b = static_cast<std::uint8_t>(a.value(i + 4));
            fg ? pen_.set_fg(ColorKind::Rgb, r, g, b) : pen_.set_bg(ColorKind::Rgb, r, g, b);
            return 3;
        }
        if (palette == 5) {
            if (rest <= 0) return 0;
            if (a.missing(i + 2)) return 1;
            const auto idx = static_cast<std::uint8_t>(a.value(i + 2));
            fg ? pen_.set_fg(ColorKind::Indexed, idx, 0, 0) : pen_.set_bg(ColorKind::Indexed, idx, 0, 0);
            return 1;
        }
        return 0;
    };
    int i = 0;
    while (i < argc) {
        const long v = a.value(i);
        switch (v) {
            case Params::kMissing:
            case 0: pen_ = Pen{}; break;
            case 1: pen_.set(Pen::kBold, true); break;
            case 3: pen_.set(Pen::kItalic, true); break;
            case 4: {
                unsigned u = 1;
                if (a.has_more(i)) {
                    ++i;
                    const long s = a.value(i);
                    u = s == 0 ? 0 : s == 1 ? 1 : s == 2 ? 2 : s == 3 ? 3 : 1;
                }
                pen_.set_underline(u);
                break;
            }
            case 5: pen_.set(Pen::kBlink, true); break;
            case 7: pen_.set(Pen::kReverse, true); break;
            case 9: pen_.set(Pen::kStrike, true); break;
            case 10: case 11: case 12: case 13: case 14: case 15: case 16: case 17: case 18: case 19:
                pen_.set_font(static_cast<unsigned>(v - 10));
                break;
            case 21: pen_.set_underline(2); break;
            case 22: pen_.set(Pen::kBold, false); break;
            case 23: pen_.set(Pen::kItalic, false); break;
            case 24: pen_.set_underline(0); break;
            case 25: pen_.set(Pen::kBlink, false); break;
            case 27: pen_.set(Pen::kReverse, false); break;
            case 29: pen_.set(Pen::kStrike, false); break;
            case 30: case 31: case 32: case 33: case 34: case 35: case 36: case 37:
                pen_.set_fg(ColorKind::Indexed, static_cast<std::uint8_t>(v - 30), 0, 0);
                break;
            case 38: i += 1 + color(i, true); break;
            case 39: pen_.set_fg(ColorKind::Default, 0, 0, 0); break;
            case 40: case 41: case 42: case 43: case 44: case 45: case 46: case 47:
                pen_.set_bg(ColorKind::Indexed, static_cast<std::uint8_t>(v - 40), 0, 0);
                break;
            case 48: i += 1 + color(i, false); break;
            case 49: pen_.set_bg(ColorKind::Default, 0, 0, 0); break;
            case 90: case 91: case 92: case 93: case 94: case 95: case 96: case 97:
                pen_.set_fg(ColorKind::Indexed, static_cast<std::uint8_t>(v - 90 + 8), 0, 0);
                break;
            case 100: case 101: case 102: case 103: case 104: case 105: case 106: case 107:
                pen_.set_bg(ColorKind::Indexed, static_cast<std::uint8_t>(v - 100 + 8), 0, 0);
                break;
            default: break;
        }
        // Sub-parameters of what was not understood are skipped with it.
        while (i < Params::kMax && a.has_more(i++)) {
        }
        if (i >= Params::kMax) break;
    }
}

void Terminal::osc_dispatch(std::string_view s) {
    end_run();
    if (s.size() < 2 || s[1] != ';' || (s[0] != '0' && s[0] != '2')) {
        unknown_text("OSC " + std::string(s.substr(0, s.find(';'))).substr(0, 16));
        return;
    }
    std::string_view t = s.substr(2);
    t = cut_incomplete_tail(t.substr(0, std::min(t.size(), kMaxTitleBytes)));
    std::string clean;
    clean.reserve(t.size());
    std::size_t at = 0;
    while (at < t.size()) {
        if (const auto cp = next_code_point(t, at)) {
            append_utf8(clean, *cp);
        } else {
            append_utf8(clean, 0xFFFD);
        }
    }
    title_ = std::move(clean);
}

void Terminal::dcs_dispatch(std::string_view s) {
    end_run();
    if (s.size() >= 2 && s.substr(0, 2) == "$q") return decrqss(s.substr(2));
    unknown_text("DCS " + std::string(s.substr(0, 8)));
}

// DECRQSS: the settings a program may ask back.
void Terminal::decrqss(std::string_view q) {
    if (q == "m") {
        std::string p;
        auto add = [&](const std::string& v) {
            if (!p.empty()) p += ';';
            p += v;
        };
        if (pen_.has(Pen::kBold)) add("1");
        if (pen_.has(Pen::kItalic)) add("3");
        if (pen_.underline() == 1) add("4");
        if (pen_.underline() == 3) add("4:3");
        if (pen_.has(Pen::kBlink)) add("5");
        if (pen_.has(Pen::kReverse)) add("7");
        if (pen_.has(Pen::kStrike)) add("9");
        if (pen_.font() != 0) add(std::to_string(10 + pen_.font()));
        if (pen_.underline() == 2) add("21");
        auto color = [&](ColorKind k, const std::uint8_t (&v)[3], bool fg) {
            if (k == ColorKind::Indexed) {
                if (v[0] < 8) add(std::to_string(v[0] + (fg ? 30 : 40)));
                else if (v[0] < 16) add(std::to_string(v[0] - 8 + (fg ? 90 : 100)));
                else add(std::string(fg ? "38" : "48") + ":5:" + std::to_string(v[0]));
            } else if (k == ColorKind::Rgb) {
                add(std::string(fg ? "38" : "48") + ":2:" + std::to_string(v[0]) + ":" + std::to_string(v[1]) + ":" +
                    std::to_string(v[2]));
            }
        };
        color(pen_.fg_kind(), pen_.fg, true);
        color(pen_.bg_kind(), pen_.bg, false);
        reply_dcs("1$r%sm", p.c_str());
        return;
    }
    if (q == "r") return reply_dcs("1$r%d;%dr", region_top_ + 1, region_bottom());
    if (q == "s") return reply_dcs("1$r%d;%ds", region_left() + 1, region_right());
    if (q == " q") return reply_dcs("1$r%d q", cursor_shape_ * 2 - (modes_.has(Mode::CursorBlink) ? 1 : 0));
    if (q == "\"q") return reply_dcs("1$r%d\"q", protect_ ? 1 : 2);
    reply_dcs("0$r");
}

void Terminal::reply(std::string_view bytes) {
    // Nobody taking the replies must not grow memory without bound.
    if (replies_.size() + bytes.size() <= kMaxReplyBytes) replies_.append(bytes);
}

void Terminal::reply_csi(const char* fmt, ...) {
    char buf[96];
    int n = modes_.has(Mode::Ctrl8Bit) ? std::snprintf(buf, sizeof buf, "\x9b") : std::snprintf(buf, sizeof buf, "\x1b[");
    va_list ap;
    va_start(ap, fmt);
    n += std::vsnprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), fmt, ap);
    va_end(ap);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buf) reply(std::string_view(buf, static_cast<std::size_t>(n)));
}

void Terminal::reply_dcs(const char* fmt, ...) {
    char body[96];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(body, sizeof body, fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof body) return;
    std::string out = modes_.has(Mode::Ctrl8Bit) ? "\x90" : "\x1bP";
    out.append(body, static_cast<std::size_t>(n));
    out += modes_.has(Mode::Ctrl8Bit) ? "\x9c" : "\x1b\\";
    reply(out);
}

void Terminal::unknown_text(std::string_view text) {
    if (unknown_) unknown_(text);
}

void Terminal::unknown_control(unsigned char c) {
    if (!unknown_) return;
    char text[8];
    std::snprintf(text, sizeof text, "%s %02X", c < 0x80 ? "C0" : "C1", static_cast<unsigned>(c));
    unknown_(text);
}

void Terminal::unknown_escape(std::uint32_t id) {
    if (!unknown_) return;
    std::string text = "ESC";
    if (const char i = static_cast<char>(id >> 8 & 0xff)) (text += ' ') += i;
    (text += ' ') += static_cast<char>(id & 0xff);
    if (id & kUnnamed) text += " (with more intermediates)";
    unknown_(text);
}

void Terminal::unknown_csi(std::uint32_t id, const Params& params) {
    if (!unknown_) return;
    std::string text = "CSI";
    if (const char leader = static_cast<char>(id >> 8 & 0xff)) (text += ' ') += leader;
    for (int i = 0; i < params.count(); ++i) {
        text += i == 0 ? " " : params.has_more(i - 1) ? ":" : ";";
        if (!params.missing(i)) text += std::to_string(params.value(i));
    }
    if (const char intermediate = static_cast<char>(id >> 16 & 0xff)) (text += ' ') += intermediate;
    (text += ' ') += static_cast<char>(id & 0xff);
    if (id & kUnnamed) text += " (with other leaders or intermediates)";
    unknown_(text);
}

}  // namespace ovelin::term
