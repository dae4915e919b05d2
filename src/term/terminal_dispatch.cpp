// What each control, escape sequence and control sequence does to the
// terminal state; what none of them names goes to the unknown hook.

#include <algorithm>

#include "term/sequences.hpp"
#include "term/terminal.hpp"

namespace ovelin::term {

void Terminal::execute(unsigned char c) {
    end_run();
    const Pos old = pos_;
    switch (c) {
        case 0x00:
        case 0x18:
        case 0x1a:
        case 0x7f:
        case 0x9c: return;  // NUL, CAN, SUB, DEL and a stray ST only end the text
        case ctl::BEL: return;
        case ctl::BS:
            if (pos_.col > 0) --pos_.col;
            break;
        case ctl::HT: tab(1, +1); break;
        case ctl::LF:
        case ctl::VT:
        case ctl::FF:
            linefeed();
            if (modes_.has(Mode::Newline)) pos_.col = 0;
            break;
        case ctl::CR: pos_.col = 0; break;
        case ctl::SO: gl_ = 1; break;
        case ctl::SI: gl_ = 0; break;
        case ctl::IND: linefeed(); break;
        case ctl::NEL:
            linefeed();
            pos_.col = 0;
            break;
        case ctl::HTS: set_tab_stop(true); break;
        case ctl::RI: reverse_index(); break;
        case ctl::SS2: single_shift_ = 2; break;
        case ctl::SS3: single_shift_ = 3; break;
        default: unknown_control(c); return;
    }
    moved(old, true);
}

void Terminal::esc_dispatch(std::uint32_t id) {
    end_run();
    const auto intermediate = static_cast<char>(id >> 8 & 0xff), final = static_cast<char>(id & 0xff);
    if (!(id & kUnnamed) && intermediate >= kDesignateG0 && intermediate <= kDesignateG3) {
        Charset& set = charsets_[intermediate - kDesignateG0];
        if (final == '0') set = Charset::DecDrawing;
        else if (final == 'A') set = Charset::Uk;
        else if (final == 'B') set = Charset::Ascii;
        else unknown_escape(id);
        return;
    }
    const bool margins = modes_.has(Mode::LeftRightMargins);  // line sizes do not go with them
    switch (static_cast<Esc>(id)) {
        case Esc::DECSC: save_cursor(true); break;
        case Esc::DECRC: save_cursor(false); break;
        case Esc::DECKPAM: modes_.set(Mode::KeypadApplication, true); break;
        case Esc::DECKPNM: modes_.set(Mode::KeypadApplication, false); break;
        case Esc::RIS: reset(); break;
        case Esc::LS2: gl_ = 2; break;
        case Esc::LS3: gl_ = 3; break;
        case Esc::LS1R: gr_ = 1; break;
        case Esc::LS2R: gr_ = 2; break;
        case Esc::LS3R: gr_ = 3; break;
        case Esc::S7C1T: modes_.set(Mode::Ctrl8Bit, false); break;
        case Esc::S8C1T: modes_.set(Mode::Ctrl8Bit, true); break;
        case Esc::DECALN: {
            const char32_t e = U'E';
            for (int r = 0; r < rows(); ++r)
                for (int c = 0; c < row_width(r); ++c) active().put(r, c, &e, 1, 1, pen_, protect_);
            break;
        }
        case Esc::DECDHL_TOP:
            if (!margins) set_line_attrs(pos_.row, 1, 1);
            break;
        case Esc::DECDHL_BOTTOM:
            if (!margins) set_line_attrs(pos_.row, 1, 2);
            break;
        case Esc::DECSWL:
            if (!margins) set_line_attrs(pos_.row, 0, 0);
            break;
        case Esc::DECDWL:
            if (!margins) set_line_attrs(pos_.row, 1, 0);
            break;
        default: unknown_escape(id); break;
    }
}

void Terminal::csi_dispatch(std::uint32_t id, const Params& a) {
    end_run();
    Pos old = pos_;
    bool cancel_phantom = true;
    const auto count = [&] { return static_cast<int>(a.count_at(0)); };
    const auto in_region = [&] {
        return pos_.row >= region_top_ && pos_.row < region_bottom() && pos_.col >= region_left() &&
               pos_.col < region_right();
    };
    const auto region = [&] { return Rect{region_top_, region_bottom(), region_left(), region_right()}; };
    // The edge of insert and delete in a line: the right margin when margins are in force.
    const auto line_end = [&] { return modes_.has(Mode::LeftRightMargins) ? region_right() : row_width(pos_.row); };

    switch (static_cast<Csi>(id)) {
        case Csi::ICH:
            if (in_region()) scroll(Rect{pos_.row, pos_.row + 1, pos_.col, line_end()}, 0, -count());
            break;
        case Csi::CUU: pos_.row -= count(), at_phantom_ = false; break;
        case Csi::CUD: pos_.row += count(), at_phantom_ = false; break;
        case Csi::CUF: pos_.col += count(), at_phantom_ = false; break;
        case Csi::CUB: pos_.col -= count(), at_phantom_ = false; break;
        case Csi::CNL: pos_.col = 0, pos_.row += count(), at_phantom_ = false; break;
        case Csi::CPL: pos_.col = 0, pos_.row -= count(), at_phantom_ = false; break;
        case Csi::CHA:
        case Csi::HPA: pos_.col = static_cast<int>(a.value_or(0, 1)) - 1, at_phantom_ = false; break;
        case Csi::CUP:
        case Csi::HVP:
            pos_.row = static_cast<int>(a.value_or(0, 1)) - 1;
            pos_.col = static_cast<int>(a.value_or(1, 1)) - 1;
            if (modes_.has(Mode::Origin)) pos_.row += region_top_, pos_.col += region_left();
            at_phantom_ = false;
            break;
        case Csi::CHT: tab(count(), +1); break;
        case Csi::CBT: tab(count(), -1); break;
        case Csi::ED:
        case Csi::DECSED: erase_display(a.value(0), static_cast<Csi>(id) == Csi::DECSED); break;
        case Csi::EL:
        case Csi::DECSEL:
            if (!erase_line(a.value(0), static_cast<Csi>(id) == Csi::DECSEL)) return;
            break;
        case Csi::IL:
            if (in_region()) scroll(Rect{pos_.row, region_bottom(), region_left(), region_right()}, -count(), 0);
            break;
        case Csi::DL:
            if (in_region()) scroll(Rect{pos_.row, region_bottom(), region_left(), region_right()}, count(), 0);
            break;
        case Csi::DCH:
            if (in_region()) scroll(Rect{pos_.row, pos_.row + 1, pos_.col, line_end()}, 0, count());
            break;
        case Csi::SU: scroll(region(), count(), 0); break;
        case Csi::SD: scroll(region(), -count(), 0); break;
        case Csi::ECH: {
            const int end = static_cast<int>(std::min<long>(pos_.col + a.count_at(0), row_width(pos_.row)));
            erase(Rect{pos_.row, pos_.row + 1, pos_.col, end}, false);
            break;
        }
        case Csi::HPR: pos_.col += count(), at_phantom_ = false; break;
        case Csi::REP:
            // Nothing to repeat, or a glyph that takes no room: nothing happens.
            if (combine_width_ <= 0 || combine_n_ == 0) return;
            if (repeat(a.count_at(0))) cancel_phantom = false;
            break;
        case Csi::DA1:
            if (a.value_or(0, 0) == 0) reply_csi("?1;2c");
            break;
        case Csi::DA2: reply_csi(">%d;%d;%dc", 0, 100, 0); break;
        case Csi::VPA:
            pos_.row = static_cast<int>(a.value_or(0, 1)) - 1;
            if (modes_.has(Mode::Origin)) pos_.row += region_top_;
            at_phantom_ = false;
            break;
        case Csi::VPR: pos_.row += count(), at_phantom_ = false; break;
        case Csi::TBC: {
            const long how = a.value_or(0, 0);
            if (how == 0) {
                set_tab_stop(false);
            } else if (how == 3 || how == 5) {
                std::fill(tabstops_.begin(), tabstops_.end(), std::uint8_t{0});
            } else if (how != 1 && how != 2 && how != 4) {
                return;
            }
            break;
        }
        // A mode that moves the cursor settles the pending wrap itself (a
        // restored cursor brings its own back); only the clamp below may cancel it.
        case Csi::SM: set_modes(a, false, true), old = pos_; break;
        case Csi::RM: set_modes(a, false, false), old = pos_; break;
        case Csi::DECSET: set_modes(a, true, true), old = pos_; break;
        case Csi::DECRST: set_modes(a, true, false), old = pos_; break;
        case Csi::HPB: pos_.col -= count(), at_phantom_ = false; break;
        case Csi::VPB: pos_.row -= count(), at_phantom_ = false; break;
        case Csi::SGR: sgr(a); break;
        case Csi::DSR:
        case Csi::DECDSR: {
            const char* q = static_cast<Csi>(id) == Csi::DECDSR ? "?" : "";
            const long what = a.value_or(0, 0);
            if (what == 5) reply_csi("%s0n", q);
            if (what == 6) reply_csi("%s%d;%dR", q, pos_.row + 1, pos_.col + 1);
            break;
        }
        case Csi::DECRQM: request_mode(a.value(0), true); break;
        case Csi::DECRQM_ANSI: request_mode(a.value(0), false); break;
        case Csi::DECSCUSR: {
            const long v = a.value_or(0, 1);
            if (v >= 0 && v <= 6) {
                modes_.set(Mode::CursorBlink, v == 0 || v % 2 == 1);
                cursor_shape_ = v <= 2 ? 1 : v <= 4 ? 2 : 3;
            }
            break;
        }
        case Csi::DECSCA: {
            const long v = a.value_or(0, 0);
            if (v == 0 || v == 2) protect_ = false;
            if (v == 1) protect_ = true;
            break;
        }
        case Csi::DECSTBM: set_margins(a, false); break;
        // In force only with the left and right margin mode on.
        case Csi::DECSLRM: set_margins(a, true); break;
        case Csi::DECIC:
            if (in_region()) scroll(Rect{region_top_, region_bottom(), pos_.col, region_right()}, 0, -count());
            break;
        case Csi::DECDC:
            if (in_region()) scroll(Rect{region_top_, region_bottom(), pos_.col, region_right()}, 0, count());
            break;
        default: unknown_csi(id, a); return;
    }
    clamp_cursor();
    moved(old, cancel_phantom);
}

// True when it leaves a wrap pending.
bool Terminal::repeat(long count) {
    const int rw = row_width(pos_.row);
    const int end = static_cast<int>(std::min<long>(pos_.col + count, rw));
    while (pos_.col < end) {
        active().put(pos_.row, pos_.col, combine_chars_, combine_n_, combine_width_, pen_, protect_);
        pos_.col += combine_width_;
    }
    if (pos_.col + combine_width_ < rw || !modes_.has(Mode::Autowrap)) return false;
    at_phantom_ = true;
    return true;
}

// First and last line (or column) from the first two parameters, as DECSTBM
// and DECSLRM take them: last -1 stands for the far edge. Then home.
void Terminal::set_margins(const Params& a, bool columns) {
    const int extent = columns ? cols() : rows();
    int& first = columns ? region_left_ : region_top_;
    int& last = columns ? region_right_ : region_bottom_;
    first = static_cast<int>(std::clamp<long>(a.value_or(0, 1) - 1, 0, extent));
    last = a.missing(1) ? -1 : static_cast<int>(std::max<long>(a.value(1), -1));
    if (first == 0 && last == extent)
        last = -1;
    else
        last = std::min(last, extent);
    // A region of no lines is none; columns are checked when margins come into force.
    if (columns ? last > -1 && last <= first : (last > -1 ? last : extent) <= first) first = 0, last = -1;
    pos_ = modes_.has(Mode::Origin) ? Pos{region_top_, region_left()} : Pos{};
}

// Every mode listed, not only the first.
void Terminal::set_modes(const Params& a, bool dec, bool on) {
    for (int i = 0; i < std::max(a.count(), 1); ++i) {
        if (a.missing(i)) continue;
        const long number = a.value(i);
        if (dec && number == 1048) {
            save_cursor(on);
            continue;
        }
        const std::optional<Mode> mode = dec ? dec_mode(number) : ansi_mode(number);
        if (!mode) {
            unknown_text(std::string(dec ? "CSI ? " : "CSI ") + std::to_string(number) + (on ? " h" : " l"));
            continue;
        }
        if (*mode == Mode::AltScreen && number == 1049) {
            // The cursor is saved on the main screen and restored there.
            if (on) save_cursor(true);
            set_alternate(on);
            if (!on) save_cursor(false);
            continue;
        }
        set_mode(*mode, on);
    }
}

void Terminal::set_mode(Mode mode, bool on) {
    if (is_mouse_mode(mode)) {
        modes_.set_mouse(mode, on);
        return;
    }
    switch (mode) {
        case Mode::Origin: {
            const Pos old = pos_;
            modes_.set(mode, on);
            pos_ = on ? Pos{region_top_, region_left()} : Pos{};
            moved(old, true);
            break;
        }
        case Mode::LeftRightMargins:
            modes_.set(mode, on);
            if (on) std::fill(line_attrs_.begin(), line_attrs_.end(), std::uint8_t{0});
            break;
        case Mode::AltScreen: set_alternate(on); break;
        default: modes_.set(mode, on); break;
    }
}

// DECRQM: 1 set, 2 reset, 0 not known.
void Terminal::request_mode(long number, bool dec) {
    const std::optional<Mode> mode = number == Params::kMissing ? std::nullopt : dec ? dec_mode(number) : ansi_mode(number);
    const long shown = number == Params::kMissing ? 0 : number;
    reply_csi(dec ? "?%ld;%d$y" : "%ld;%d$y", shown, !mode ? 0 : modes_.has(*mode) ? 1 : 2);
}

}  // namespace ovelin::term
