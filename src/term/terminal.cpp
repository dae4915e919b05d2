#include "term/terminal.hpp"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/utf.hpp"

namespace ovelin::term {

namespace {

struct Interval {
    char32_t first, last;
};
#include "term/width_tables.inc"

template <std::size_t N>
bool in_table(char32_t cp, const Interval (&table)[N]) {
    if (cp < table[0].first || cp > table[N - 1].last) return false;
    const auto* it = std::upper_bound(std::begin(table), std::end(table), cp,
                                      [](char32_t v, const Interval& i) { return v < i.first; });
    return it != std::begin(table) && cp <= (it - 1)->last;
}

int slow_width(char32_t cp) {
    if (in_table(cp, kExtraWide)) return 2;
    if (cp == 0) return 0;
    if (cp < 32 || (cp >= 0x7f && cp < 0xa0)) return -1;
    if (in_table(cp, kZeroWidth)) return 0;
    const bool wide = cp >= 0x1100 &&
                      (cp <= 0x115f || cp == 0x2329 || cp == 0x232a || (cp >= 0x2e80 && cp <= 0xa4cf && cp != 0x303f) ||
                       (cp >= 0xac00 && cp <= 0xd7a3) || (cp >= 0xf900 && cp <= 0xfaff) ||
                       (cp >= 0xfe10 && cp <= 0xfe19) || (cp >= 0xfe30 && cp <= 0xfe6f) ||
                       (cp >= 0xff00 && cp <= 0xff60) || (cp >= 0xffe0 && cp <= 0xffe6) ||
                       (cp >= 0x20000 && cp <= 0x2fffd) || (cp >= 0x30000 && cp <= 0x3fffd));
    return wide ? 2 : 1;
}

// Widths of the first planes, two bits each (width + 1), looked up once.
constexpr char32_t kTablePlanes = 0x40000;
struct WidthTable {
    std::array<std::uint8_t, kTablePlanes / 4> bits{};
    std::array<std::uint8_t, kTablePlanes / 8> combining{};
    WidthTable() {
        for (char32_t cp = 0; cp < kTablePlanes; ++cp) {
            bits[cp / 4] |= static_cast<std::uint8_t>((slow_width(cp) + 1) << ((cp % 4) * 2));
            if (in_table(cp, kZeroWidth)) combining[cp / 8] |= static_cast<std::uint8_t>(1u << (cp % 8));
        }
    }
};
const WidthTable& width_table() {
    static const WidthTable table;
    return table;
}

constexpr long kArgMissing = 0x7FFFFFFF;
constexpr long kArgMore = 1L << 31;
constexpr long kArgCap = 1000000;  // beyond any count or mode number; more digits are dropped
constexpr int kMaxCollected = 15;  // leader and intermediate bytes kept
constexpr std::size_t kMaxDcsBytes = 64;

long arg_value(long a) { return a & ~kArgMore; }
bool arg_more(long a) { return (a & kArgMore) != 0; }
bool arg_missing(long a) { return arg_value(a) == kArgMissing; }
long arg_or(long a, long def) { return arg_missing(a) ? def : arg_value(a); }
long arg_count(long a) {
    const long v = arg_value(a);
    return v == kArgMissing || v == 0 ? 1 : v;
}

char32_t dec_drawing(unsigned char c) {
    static constexpr char32_t table[] = {0x25C6, 0x2592, 0x2409, 0x240C, 0x240D, 0x240A, 0x00B0, 0x00B1,
                                         0x2424, 0x240B, 0x2518, 0x2510, 0x250C, 0x2514, 0x253C, 0x23BA,
                                         0x23BB, 0x2500, 0x23BC, 0x23BD, 0x251C, 0x2524, 0x2534, 0x252C,
                                         0x2502, 0x2A7D, 0x2A7E, 0x03C0, 0x2260, 0x00A3, 0x00B7};
    return c >= 0x60 && c <= 0x7e ? table[c - 0x60] : c;
}

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

int code_point_width(char32_t cp) {
    if (cp < 0x7f) return cp >= 0x20 ? 1 : cp == 0 ? 0 : -1;
    if (cp < kTablePlanes) return ((width_table().bits[cp / 4] >> ((cp % 4) * 2)) & 3) - 1;
    return slow_width(cp);
}

bool is_combining(char32_t cp) {
    if (cp < 0x300) return false;
    if (cp < kTablePlanes) return (width_table().combining[cp / 8] >> (cp % 8)) & 1;
    return in_table(cp, kZeroWidth);
}

Terminal::Size Terminal::clamped(int rows, int cols) {
    Size s{std::clamp(rows, 1, kMaxRows), std::clamp(cols, kMinCols, kMaxCols)};
    if (static_cast<long>(s.rows) * s.cols > kMaxCells) s.rows = static_cast<int>(kMaxCells / s.cols);
    return s;
}

Terminal::Terminal(int rows, int cols, std::size_t scrollback_lines)
    : Terminal(clamped(rows, cols), scrollback_lines) {}

Terminal::Terminal(Size size, std::size_t scrollback_lines)
    : main_(size.rows, size.cols, Pen{}),
      alt_(size.rows, size.cols, Pen{}),
      scrollback_(scrollback_lines, kMaxScrollbackBytes),
      tabstops_(static_cast<std::size_t>((size.cols + 7) / 8)),
      line_attrs_(static_cast<std::size_t>(size.rows)) {
    (void)width_table();
    reset(true);
}

int Terminal::row_width(int row) const {
    return row >= 0 && row < rows() && (line_attrs_[static_cast<std::size_t>(row)] & 1) ? cols() / 2 : cols();
}

void Terminal::cursor(int& row, int& col) const {
    row = std::clamp(pos_.row, 0, grid().rows() - 1);
    col = std::clamp(pos_.col, 0, grid().cols() - 1);
}

std::string Terminal::take_replies() {
    std::string out;
    out.swap(replies_);
    return out;
}

// ---- parsing --------------------------------------------------------------

void Terminal::feed(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (state_ == State::Ground && c >= 0x20 && c != 0x7f) {
            p = text(p, end);
            continue;
        }
        ++p;
        if (c < 0x20 || c == 0x7f) {
            end_run();
            if (utf8_remaining_ > 0) {
                // A character cut short by a control is shown as U+FFFD, and
                // its remains never join later bytes.
                utf8_remaining_ = 0;
                code_point(0xFFFD);
                end_run();
            }
            if (c == 0x00 || c == 0x7f) continue;  // ignored everywhere, left out of strings
            if (c == 0x18 || c == 0x1a) {          // CAN, SUB: back to text
                state_ = State::Ground;
                continue;
            }
            if (c == 0x1b) {
                intermed_len_ = 0;
                state_ = state_ == State::String ? State::EscInString : State::Esc;
                continue;
            }
            if (c == 0x07 && state_ == State::String) {
                string_done();
                state_ = State::Ground;
                continue;
            }
            control(c);  // executed as it comes, also inside sequences and strings
            continue;
        }
        switch (state_) {
            case State::Ground: break;  // text, above
            case State::EscInString:
                if (c == 0x5c) {  // ESC \ ends the string
                    string_done();
                    state_ = State::Ground;
                    break;
                }
                state_ = State::Esc;
                [[fallthrough]];
            case State::Esc:
                if (c == 0x50 || c == 0x5d) {  // DCS, OSC
                    string_.clear();
                    string_is_osc_ = c == 0x5d;
                    state_ = State::String;
                } else if (c == 0x5b) {
                    leader_len_ = 0;
                    state_ = State::CsiLeader;
                } else if (c >= 0x20 && c <= 0x2f) {
                    if (intermed_len_ < kMaxCollected) {
                        if (intermed_len_ == 0) intermed0_ = c;
                        ++intermed_len_;
                    }
                } else if (intermed_len_ == 0 && c >= 0x40 && c < 0x60) {
                    control(static_cast<unsigned char>(c + 0x40));  // a C1 control written as ESC + byte
                    state_ = State::Ground;
                } else if (c >= 0x30 && c < 0x7f) {
                    escape(c);
                    state_ = State::Ground;
                }
                // Anything else is swallowed; the escape goes on.
                break;
            case State::CsiLeader:
                if (c >= 0x3c && c <= 0x3f) {
                    if (leader_len_ < kMaxCollected) {
                        if (leader_len_ == 0) leader0_ = c;
                        ++leader_len_;
                    }
                    break;
                }
                argi_ = 0;
                args_[0] = kArgMissing;
                dropping_args_ = false;
                state_ = State::CsiArgs;
                [[fallthrough]];
            case State::CsiArgs:
                if (c >= '0' && c <= '9') {
                    // Digits that would only make a number nobody uses are dropped.
                    long& a = args_[argi_];
                    if (arg_missing(a)) a = 0;
                    if (!dropping_args_ && a < kArgCap) a = a * 10 + (c - '0');
                    // Fast path for the rest of a long parameter list.
                    while (p < end && *p >= '0' && *p <= '9') {
                        if (!dropping_args_ && a < kArgCap) a = a * 10 + (*p - '0');
                        ++p;
                    }
                    break;
                }
                if (c == ':' || c == ';') {
                    if (dropping_args_ || argi_ == kMaxArgs - 1) {
                        dropping_args_ = true;  // past the last parameter kept
                    } else {
                        if (c == ':') args_[argi_] |= kArgMore;
                        args_[++argi_] = kArgMissing;
                    }
                    break;
                }
                ++argi_;
                intermed_len_ = 0;
                state_ = State::CsiIntermed;
                [[fallthrough]];
            case State::CsiIntermed:
                if (c >= 0x20 && c <= 0x2f) {
                    if (intermed_len_ < kMaxCollected) {
                        if (intermed_len_ == 0) intermed0_ = c;
                        ++intermed_len_;
                    }
                    break;
                }
                if (c >= 0x40 && c <= 0x7e) csi(c);
                state_ = State::Ground;  // done, or an invalid byte ended it
                break;
            case State::String: {
                // Everything up to the next control byte belongs to the string.
                const unsigned char* q = p;
                while (q < end && *q >= 0x20 && *q != 0x7f) ++q;
                const std::size_t cap = string_is_osc_ ? kMaxTitleBytes + 2 : kMaxDcsBytes;
                if (string_.size() < cap) {
                    string_.push_back(static_cast<char>(c));
                    const std::size_t room = cap - std::min(cap, string_.size());
                    string_.append(reinterpret_cast<const char*>(p), std::min(room, static_cast<std::size_t>(q - p)));
                }
                p = q;
                break;
            }
        }
    }
    end_run();
}

const unsigned char* Terminal::text(const unsigned char* p, const unsigned char* end) {
    if (single_shift_ != 0) {
        // One character from G2 or G3, then back.
        const Charset set = charsets_[single_shift_];
        const unsigned char c = *p;
        if (set == Charset::Utf8) {
            decode(c);
            if (utf8_remaining_ == 0) single_shift_ = 0, end_run();
            return p + 1;
        }
        const unsigned char b = c & 0x7f;
        if (b >= 0x20 && b != 0x7f) {
            code_point(set == Charset::DecDrawing ? dec_drawing(b) : set == Charset::Uk && b == 0x23 ? 0xA3 : b);
            single_shift_ = 0;
        }
        end_run();
        return p + 1;
    }
    const Charset gl = charsets_[gl_];
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x20 || c == 0x7f) break;
        if (run_ == Run::None) run_ = c < 0x80 && gl != Charset::Utf8 ? Run::Table : Run::Utf8;
        if (run_ == Run::Table) {
            if (c >= 0x80) {
                end_run();  // the table's run ends; UTF-8 takes over
                continue;
            }
            if (gl == Charset::Ascii || (gl == Charset::Uk && c != 0x23) || (gl == Charset::DecDrawing && c < 0x60)) {
                const unsigned char* q = p + 1;
                while (q < end && *q >= 0x20 && *q < 0x7f && (gl == Charset::Ascii || *q != 0x23) &&
                       (gl != Charset::DecDrawing || *q < 0x60))
                    ++q;
                ascii_run(p, static_cast<std::size_t>(q - p));
                p = q;
                continue;
            }
            code_point(gl == Charset::DecDrawing ? dec_drawing(c) : 0xA3);
            ++p;
            continue;
        }
        if (c < 0x7f && utf8_remaining_ == 0) {
            const unsigned char* q = p + 1;
            while (q < end && *q >= 0x20 && *q < 0x7f) ++q;
            ascii_run(p, static_cast<std::size_t>(q - p));
            p = q;
            continue;
        }
        decode(c);
        ++p;
    }
    return p;
}

void Terminal::decode(unsigned char c) {
    if (c < 0x80) {
        if (utf8_remaining_ > 0) code_point(0xFFFD);
        utf8_remaining_ = 0;
        code_point(c);
        return;
    }
    if (c < 0xc0) {
        if (utf8_remaining_ == 0) {
            code_point(0xFFFD);
            return;
        }
        utf8_cp_ = (utf8_cp_ << 6) | (c & 0x3f);
        if (--utf8_remaining_ > 0) return;
        char32_t cp = utf8_cp_;
        static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
        if (cp < least[utf8_total_] || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) cp = 0xFFFD;
        code_point(cp);
        return;
    }
    if (utf8_remaining_ > 0) code_point(0xFFFD);
    if (c >= 0xfe) {
        utf8_remaining_ = 0;
        code_point(0xFFFD);
        return;
    }
    utf8_total_ = c < 0xe0 ? 2 : c < 0xf0 ? 3 : c < 0xf8 ? 4 : c < 0xfc ? 5 : 6;
    utf8_remaining_ = utf8_total_ - 1;
    utf8_cp_ = c & (0x7fu >> utf8_total_);
}

void Terminal::end_run() {
    run_ = Run::None;
    in_run_ = false;
    drop_combining_ = false;
}

// ---- text -----------------------------------------------------------------

void Terminal::ascii_run(const unsigned char* p, std::size_t n) {
    drop_combining_ = false;
    if (mode_.insert) {
        for (std::size_t i = 0; i < n; ++i) code_point(p[i]);
        return;
    }
    Grid& g = active();
    Pen pen = pen_;
    pen.set(Pen::kProtected, protect_);
    Pos last = pos_;
    while (n > 0) {
        int width = row_width(pos_.row);
        if (at_phantom_ || pos_.col + 1 > width) {
            wrap_line();
            width = row_width(pos_.row);
        }
        Cell* cells = g.row(pos_.row).cells.get();
        const std::size_t k = std::min(n, static_cast<std::size_t>(width - pos_.col));
        {
            // Locals only: the cells' byte-sized pens may alias anything else.
            auto* const dst = reinterpret_cast<unsigned char*>(cells + pos_.col);
            const unsigned char* const src = p;
            std::uint32_t pen_words[2];
            std::memcpy(pen_words, &pen, sizeof pen);
            const std::uint32_t w1 = pen_words[0], w2 = pen_words[1];
            for (std::size_t i = 0; i < k; ++i) {
                const std::uint32_t ch = src[i];
                unsigned char* const cell = dst + i * sizeof(Cell);
                std::memcpy(cell, &ch, 4);
                std::memcpy(cell + 4, &w1, 4);
                std::memcpy(cell + 8, &w2, 4);
            }
        }
        p += k;
        n -= k;
        pos_.col += static_cast<int>(k);
        last = Pos{pos_.row, pos_.col - 1};
        if (pos_.col >= width) {
            pos_.col = width - 1;
            if (mode_.autowrap) {
                at_phantom_ = true;
            } else if (n > 0) {
                // Without wrapping each further character lands on the last cell.
                cells[pos_.col] = Cell{p[n - 1], pen};
                p += n;
                n = 0;
            }
        }
    }
    combine_chars_[0] = p[-1];
    combine_n_ = 1;
    combine_width_ = 1;
    combine_pos_ = last;
    in_run_ = true;
}

void Terminal::code_point(char32_t cp) {
    if (is_combining(cp)) {
        combine(cp);
        return;
    }
    drop_combining_ = false;
    const int width = code_point_width(cp);
    if (width < 0) {
        // A C1 control sent as UTF-8 is not something to show, nor does it move the cursor.
        drop_combining_ = true;
        return;
    }
    glyph(&cp, 1, width);
    combine_chars_[0] = cp;
    combine_n_ = 1;
    in_run_ = true;
}

void Terminal::glyph(const char32_t* chars, int n, int width) {
    int rw = row_width(pos_.row);
    if (at_phantom_ || pos_.col + width > rw) {
        wrap_line();
        rw = row_width(pos_.row);
    }
    if (mode_.insert) scroll(Rect{pos_.row, pos_.row + 1, pos_.col, rw}, 0, -1);
    active().put(pos_.row, pos_.col, chars, n, width, pen_, protect_);
    combine_width_ = width;
    combine_pos_ = pos_;
    if (pos_.col + width >= rw) {
        if (mode_.autowrap) at_phantom_ = true;
    } else {
        pos_.col += width;
    }
}

void Terminal::combine(char32_t cp) {
    if (drop_combining_) return;
    // Within a run the mark joins the glyph before it; at the start of one,
    // only if the cursor has not moved since that glyph.
    if (!in_run_ && !(pos_.row == combine_pos_.row && pos_.col == combine_pos_.col + combine_width_)) {
        // Nothing to join: the mark stands alone in the cursor's cell, taking no room.
        glyph(&cp, 1, 0);
        combine_chars_[0] = cp;
        combine_n_ = 1;
        in_run_ = true;
        return;
    }
    if (combine_n_ < kMaxCharsPerCell) combine_chars_[combine_n_++] = cp;
    active().put(combine_pos_.row, combine_pos_.col, combine_chars_, combine_n_, combine_width_, pen_, protect_);
    in_run_ = true;
}

void Terminal::wrap_line() {
    Grid& g = active();
    if (pos_.row >= 0 && pos_.row < g.rows()) g.row(pos_.row).wrapped = true;
    linefeed();
    pos_.col = 0;
    at_phantom_ = false;
}

// ---- state ----------------------------------------------------------------

void Terminal::linefeed() {
    if (pos_.row == region_bottom() - 1) {
        scroll(Rect{region_top_, region_bottom(), region_left(), region_right()}, 1, 0);
    } else if (pos_.row < rows() - 1) {
        ++pos_.row;
    }
}

void Terminal::scroll(Rect rect, int down, int right) {
    if (down == 0 && right == 0) return;
    const int height = rect.end_row - rect.start_row;
    down = std::clamp(down, -std::max(height, 0), std::max(height, 0));
    const int width = rect.end_col - rect.start_col;
    right = std::clamp(right, -std::max(width, 0), std::max(width, 0));
    if (rect.start_col == 0 && rect.end_col == cols() && right == 0 && height > 0) {
        // Line attributes move with their lines; the ones uncovered keep theirs.
        const int keep = height - std::abs(down);
        auto* attrs = line_attrs_.data();
        if (keep > 0 && rect.start_row >= 0 && rect.end_row <= rows()) {
            if (down > 0)
                std::memmove(attrs + rect.start_row, attrs + rect.start_row + down, static_cast<std::size_t>(keep));
            else
                std::memmove(attrs + rect.start_row - down, attrs + rect.start_row, static_cast<std::size_t>(keep));
        }
    }
    Grid& g = active();
    const bool keep = !on_alt_;
    g.scroll(rect, down, right, pen_, [&](const Row& row) {
        if (keep) scrollback_.push(row, g.cols());
    });
}

void Terminal::erase(Rect rect, bool selective) { active().erase(rect, selective, pen_); }

void Terminal::tab(int count, int direction) {
    while (count > 0) {
        if (direction > 0) {
            if (pos_.col >= row_width(pos_.row) - 1) return;
            ++pos_.col;
        } else {
            if (pos_.col < 1) return;
            --pos_.col;
        }
        const auto c = static_cast<std::size_t>(pos_.col);
        if (c / 8 < tabstops_.size() && (tabstops_[c / 8] & (1u << (c % 8)))) --count;
    }
}

// dwl: 0 off, 1 on, -1 unchanged; dhl: 0 off, 1 top, 2 bottom.
void Terminal::set_line_attrs(int row, int dwl, int dhl) {
    if (row < 0 || row >= rows()) return;
    std::uint8_t& a = line_attrs_[static_cast<std::size_t>(row)];
    std::uint8_t now = a;
    if (dwl >= 0) now = static_cast<std::uint8_t>((now & ~1u) | static_cast<unsigned>(dwl));
    now = static_cast<std::uint8_t>((now & 1u) | (static_cast<unsigned>(dhl) << 1));
    // A line turning double-width loses its right half.
    if (now != a && (now & 1)) erase(Rect{row, row + 1, cols() / 2, cols()}, false);
    a = now;
}

void Terminal::moved(const Pos& old, bool cancel_phantom) {
    if (pos_ != old && cancel_phantom) at_phantom_ = false;
}

void Terminal::control(unsigned char c) {
    const Pos old = pos_;
    switch (c) {
        case 0x07: break;  // BEL
        case 0x08:
            if (pos_.col > 0) --pos_.col;
            break;
        case 0x09: tab(1, +1); break;
        case 0x0a:
        case 0x0b:
        case 0x0c:
            linefeed();
            if (mode_.newline) pos_.col = 0;
            break;
        case 0x0d: pos_.col = 0; break;
        case 0x0e: gl_ = 1; break;
        case 0x0f: gl_ = 0; break;
        case 0x84: linefeed(); break;  // IND
        case 0x85:                      // NEL
            linefeed();
            pos_.col = 0;
            break;
        case 0x88: {  // HTS
            const auto col = static_cast<std::size_t>(pos_.col);
            if (col / 8 < tabstops_.size()) tabstops_[col / 8] |= static_cast<std::uint8_t>(1u << (col % 8));
            break;
        }
        case 0x8d:  // RI
            if (pos_.row == region_top_) {
                scroll(Rect{region_top_, region_bottom(), region_left(), region_right()}, -1, 0);
            } else if (pos_.row > 0) {
                --pos_.row;
            }
            break;
        case 0x8e: single_shift_ = 2; break;
        case 0x8f: single_shift_ = 3; break;
        default: return;
    }
    moved(old, true);
}

void Terminal::escape(unsigned char final) {
    if (intermed_len_ == 1) {
        switch (intermed0_) {
            case ' ':
                if (final == 'F') mode_.ctrl8bit = false;
                if (final == 'G') mode_.ctrl8bit = true;
                return;
            case '#':
                if (final == '8') {  // DECALN
                    const char32_t e = U'E';
                    for (int r = 0; r < rows(); ++r)
                        for (int c = 0; c < row_width(r); ++c) active().put(r, c, &e, 1, 1, pen_, protect_);
                    return;
                }
                if (mode_.lr_margins) return;
                if (final == '3') set_line_attrs(pos_.row, 1, 1);
                if (final == '4') set_line_attrs(pos_.row, 1, 2);
                if (final == '5') set_line_attrs(pos_.row, 0, 0);
                if (final == '6') set_line_attrs(pos_.row, 1, 0);
                return;
            case '(':
            case ')':
            case '*':
            case '+': {
                Charset& set = charsets_[intermed0_ - '('];
                if (final == '0') set = Charset::DecDrawing;
                if (final == 'A') set = Charset::Uk;
                if (final == 'B') set = Charset::Ascii;
                return;
            }
            default: return;
        }
    }
    if (intermed_len_ != 0) return;
    switch (final) {
        case '7': save_cursor(true); break;
        case '8': save_cursor(false); break;
        case '=': mode_.keypad = true; break;
        case '>': mode_.keypad = false; break;
        case 'c': reset(true); break;  // RIS
        case 'n': gl_ = 2; break;
        case 'o': gl_ = 3; break;
        case '~': gr_ = 1; break;
        case '}': gr_ = 2; break;
        case '|': gr_ = 3; break;
        default: break;
    }
}

void Terminal::csi(unsigned char command) {
    int leader = 0, intermed = 0;
    if (leader_len_ > 0) {
        if (leader_len_ > 1 || (leader0_ != '?' && leader0_ != '>')) return;
        leader = leader0_;
    }
    if (intermed_len_ > 0) {
        if (intermed_len_ > 1 ||
            (intermed0_ != ' ' && intermed0_ != '"' && intermed0_ != '$' && intermed0_ != '\''))
            return;
        intermed = intermed0_;
    }
    const int argc = argi_;
    auto a = [&](int i) { return arg(i); };
    const Pos old = pos_;
    bool cancel_phantom = true;
    auto count = [&]() { return static_cast<int>(arg_count(a(0))); };
    auto home = [&]() {
        pos_ = Pos{};
        if (mode_.origin) pos_ = Pos{region_top_, region_left()};
    };
    auto in_region = [&]() {
        return pos_.row >= region_top_ && pos_.row < region_bottom() && pos_.col >= region_left() &&
               pos_.col < region_right();
    };

    switch (intermed << 16 | leader << 8 | command) {
        case '@':  // ICH
            if (!in_region()) break;
            scroll(Rect{pos_.row, pos_.row + 1, pos_.col, mode_.lr_margins ? region_right() : row_width(pos_.row)}, 0,
                   -count());
            break;
        case 'A': pos_.row -= count(), at_phantom_ = false; break;
        case 'B': pos_.row += count(), at_phantom_ = false; break;
        case 'C': pos_.col += count(), at_phantom_ = false; break;
        case 'D': pos_.col -= count(), at_phantom_ = false; break;
        case 'E': pos_.col = 0, pos_.row += count(), at_phantom_ = false; break;
        case 'F': pos_.col = 0, pos_.row -= count(), at_phantom_ = false; break;
        case 'G': pos_.col = static_cast<int>(arg_or(a(0), 1)) - 1, at_phantom_ = false; break;
        case 'H':
        case 'f': {
            pos_.row = static_cast<int>(arg_or(a(0), 1)) - 1;
            pos_.col = static_cast<int>(arg_or(a(1), 1)) - 1;
            if (mode_.origin) pos_.row += region_top_, pos_.col += region_left();
            at_phantom_ = false;
            break;
        }
        case 'I': tab(count(), +1); break;
        case 'J':
        case '?' << 8 | 'J': {
            const bool selective = leader == '?';
            const long how = arg_value(a(0));
            if (how == kArgMissing || how == 0) {
                if (cols() > pos_.col) erase(Rect{pos_.row, pos_.row + 1, pos_.col, cols()}, selective);
                for (int r = pos_.row + 1; r < rows(); ++r) line_attrs_[static_cast<std::size_t>(r)] = 0;
                if (rows() > pos_.row + 1) erase(Rect{pos_.row + 1, rows(), 0, cols()}, selective);
            } else if (how == 1) {
                for (int r = 0; r < pos_.row; ++r) line_attrs_[static_cast<std::size_t>(r)] = 0;
                erase(Rect{0, pos_.row, 0, cols()}, selective);
                erase(Rect{pos_.row, pos_.row + 1, 0, pos_.col + 1}, selective);
            } else if (how == 2) {
                std::fill(line_attrs_.begin(), line_attrs_.end(), std::uint8_t{0});
                erase(Rect{0, rows(), 0, cols()}, selective);
            }
            break;
        }
        case 'K':
        case '?' << 8 | 'K': {
            const bool selective = leader == '?';
            const long how = arg_value(a(0));
            Rect r{pos_.row, pos_.row + 1, 0, 0};
            if (how == kArgMissing || how == 0) {
                r.start_col = pos_.col, r.end_col = row_width(pos_.row);
            } else if (how == 1) {
                r.start_col = 0, r.end_col = pos_.col + 1;
            } else if (how == 2) {
                r.start_col = 0, r.end_col = row_width(pos_.row);
            } else {
                return;
            }
            if (r.end_col > r.start_col) erase(r, selective);
            break;
        }
        case 'L':
            if (!in_region()) break;
            scroll(Rect{pos_.row, region_bottom(), region_left(), region_right()}, -count(), 0);
            break;
        case 'M':
            if (!in_region()) break;
            scroll(Rect{pos_.row, region_bottom(), region_left(), region_right()}, count(), 0);
            break;
        case 'P':
            if (!in_region()) break;
            scroll(Rect{pos_.row, pos_.row + 1, pos_.col, mode_.lr_margins ? region_right() : row_width(pos_.row)}, 0,
                   count());
            break;
        case 'S': scroll(Rect{region_top_, region_bottom(), region_left(), region_right()}, count(), 0); break;
        case 'T': scroll(Rect{region_top_, region_bottom(), region_left(), region_right()}, -count(), 0); break;
        case 'X': {
            const int end = static_cast<int>(std::min<long>(pos_.col + arg_count(a(0)), row_width(pos_.row)));
            erase(Rect{pos_.row, pos_.row + 1, pos_.col, end}, false);
            break;
        }
        case 'Z': tab(count(), -1); break;
        case '`': pos_.col = static_cast<int>(arg_or(a(0), 1)) - 1, at_phantom_ = false; break;
        case 'a': pos_.col += count(), at_phantom_ = false; break;
        case 'b': {  // REP
            // Nothing to repeat, or a glyph that takes no room: nothing happens.
            if (combine_width_ <= 0 || combine_n_ == 0) return;
            const int rw = row_width(pos_.row);
            const int end = static_cast<int>(std::min<long>(pos_.col + arg_count(a(0)), rw));
            while (pos_.col < end) {
                active().put(pos_.row, pos_.col, combine_chars_, combine_n_, combine_width_, pen_, protect_);
                pos_.col += combine_width_;
            }
            if (pos_.col + combine_width_ >= rw && mode_.autowrap) {
                at_phantom_ = true;
                cancel_phantom = false;
            }
            break;
        }
        case 'c':
            if (arg_or(a(0), 0) == 0) reply_csi("?1;2c");
            break;
        case '>' << 8 | 'c': reply_csi(">%d;%d;%dc", 0, 100, 0); break;
        case 'd':
            pos_.row = static_cast<int>(arg_or(a(0), 1)) - 1;
            if (mode_.origin) pos_.row += region_top_;
            at_phantom_ = false;
            break;
        case 'e': pos_.row += count(), at_phantom_ = false; break;
        case 'g': {
            const long how = arg_or(a(0), 0);
            if (how == 0) {
                const auto col = static_cast<std::size_t>(pos_.col);
                if (col / 8 < tabstops_.size()) tabstops_[col / 8] &= static_cast<std::uint8_t>(~(1u << (col % 8)));
            } else if (how == 3 || how == 5) {
                std::fill(tabstops_.begin(), tabstops_.end(), std::uint8_t{0});
            } else if (how != 1 && how != 2 && how != 4) {
                return;
            }
            break;
        }
        case 'h':
        case 'l':
        case '?' << 8 | 'h':
        case '?' << 8 | 'l':
            // Every mode listed, not only the first.
            for (int i = 0; i < std::max(argc, 1); ++i) {
                if (arg_missing(a(i))) continue;
                if (leader == '?')
                    set_dec_mode(arg_value(a(i)), command == 'h');
                else
                    set_mode(arg_value(a(i)), command == 'h');
            }
            break;
        case 'j': pos_.col -= count(), at_phantom_ = false; break;
        case 'k': pos_.row -= count(), at_phantom_ = false; break;
        case 'm': sgr(); break;
        case 'n':
        case '?' << 8 | 'n': {
            const char* q = leader == '?' ? "?" : "";
            const long what = arg_or(a(0), 0);
            if (what == 5) reply_csi("%s0n", q);
            if (what == 6) reply_csi("%s%d;%dR", q, pos_.row + 1, pos_.col + 1);
            break;
        }
        case '$' << 16 | '?' << 8 | 'p': request_dec_mode(arg_value(a(0))); break;
        case ' ' << 16 | 'q': {
            const long v = arg_or(a(0), 1);
            if (v >= 0 && v <= 6) {
                mode_.cursor_blink = v == 0 || v % 2 == 1;
                mode_.cursor_shape = v <= 2 ? 1 : v <= 4 ? 2 : 3;
            }
            break;
        }
        case '"' << 16 | 'q': {
            const long v = arg_or(a(0), 0);
            if (v == 0 || v == 2) protect_ = false;
            if (v == 1) protect_ = true;
            break;
        }
        case 'r':  // DECSTBM
            margins(rows(), region_top_, region_bottom_);
            if (region_bottom() <= region_top_) region_top_ = 0, region_bottom_ = -1;
            home();
            break;
        case 's':  // DECSLRM, in force only with the margin mode on
            margins(cols(), region_left_, region_right_);
            if (region_right_ > -1 && region_right_ <= region_left_) region_left_ = 0, region_right_ = -1;
            home();
            break;
        case '\'' << 16 | '}':  // DECIC
            if (!in_region()) break;
            scroll(Rect{region_top_, region_bottom(), pos_.col, region_right()}, 0, -count());
            break;
        case '\'' << 16 | '~':  // DECDC
            if (!in_region()) break;
            scroll(Rect{region_top_, region_bottom(), pos_.col, region_right()}, 0, count());
            break;
        default: return;
    }

    if (mode_.origin) {
        pos_.row = std::clamp(pos_.row, region_top_, region_bottom() - 1);
        pos_.col = std::clamp(pos_.col, region_left(), region_right() - 1);
    } else {
        pos_.row = std::clamp(pos_.row, 0, rows() - 1);
        pos_.col = std::clamp(pos_.col, 0, row_width(pos_.row) - 1);
    }
    moved(old, cancel_phantom);
}

long Terminal::arg(int i) const { return i < argi_ ? args_[i] : kArgMissing; }

// First and last line (or column) from the first two parameters, as DECSTBM
// and DECSLRM take them: last -1 stands for the far edge.
void Terminal::margins(int extent, int& first, int& last) const {
    first = static_cast<int>(std::clamp<long>(arg_or(arg(0), 1) - 1, 0, extent));
    last = arg_missing(arg(1)) ? -1 : static_cast<int>(std::max<long>(arg_value(arg(1)), -1));
    if (first == 0 && last == extent)
        last = -1;
    else
        last = std::min(last, extent);
}

void Terminal::sgr() {
    const int argc = std::max(argi_, 1);
    auto a = [&](int i) { return arg(i); };
    auto color = [&](int i, bool fg) {
        // 38/48 at i: returns how many parameters after the palette number it took.
        const long palette = arg_value(a(i + 1));
        const int rest = argc - i - 2;
        if (palette == 2) {
            if (rest < 3) return std::max(rest, 0);
            const auto r = static_cast<std::uint8_t>(arg_value(a(i + 2))), g = static_cast<std::uint8_t>(arg_value(a(i + 3))),
                       b = static_cast<std::uint8_t>(arg_value(a(i + 4)));
            fg ? pen_.set_fg(ColorKind::Rgb, r, g, b) : pen_.set_bg(ColorKind::Rgb, r, g, b);
            return 3;
        }
        if (palette == 5) {
            if (rest <= 0) return 0;
            if (arg_missing(a(i + 2))) return 1;
            const auto idx = static_cast<std::uint8_t>(a(i + 2));
            fg ? pen_.set_fg(ColorKind::Indexed, idx, 0, 0) : pen_.set_bg(ColorKind::Indexed, idx, 0, 0);
            return 1;
        }
        return 0;
    };
    int i = 0;
    while (i < argc) {
        const long v = arg_value(a(i));
        switch (v) {
            case kArgMissing:
            case 0: pen_ = Pen{}; break;
            case 1: pen_.set(Pen::kBold, true); break;
            case 3: pen_.set(Pen::kItalic, true); break;
            case 4: {
                unsigned u = 1;
                if (arg_more(a(i))) {
                    ++i;
                    const long s = arg_value(a(i));
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
        while (i < kMaxArgs && arg_more(a(i++))) {
        }
        if (i >= kMaxArgs) break;
    }
}

void Terminal::set_mode(long num, bool on) {
    if (num == 4) mode_.insert = on;
    if (num == 20) mode_.newline = on;
}

void Terminal::set_alternate(bool on) {
    on_alt_ = on;
    if (on) erase(Rect{0, rows(), 0, cols()}, false);
}

void Terminal::set_dec_mode(long num, bool on) {
    switch (num) {
        case 1: mode_.cursor_keys = on; break;
        case 5: mode_.reverse_video = on; break;
        case 6: {
            const Pos old = pos_;
            mode_.origin = on;
            pos_ = on ? Pos{region_top_, region_left()} : Pos{};
            moved(old, true);
            break;
        }
        case 7: mode_.autowrap = on; break;
        case 12: mode_.cursor_blink = on; break;
        case 25: mode_.cursor_visible = on; break;
        case 69:
            mode_.lr_margins = on;
            if (on) std::fill(line_attrs_.begin(), line_attrs_.end(), std::uint8_t{0});
            break;
        case 1000:
        case 1002:
        case 1003: mode_.mouse = on ? static_cast<int>(num) : 0; break;
        case 1004: mode_.report_focus = on; break;
        case 1005:
        case 1006:
        case 1015: mode_.mouse_protocol = on ? static_cast<int>(num) : 0; break;
        case 47:
        case 1047: set_alternate(on); break;
        case 1048: save_cursor(on); break;
        case 1049:
            set_alternate(on);
            save_cursor(on);
            break;
        case 2004: mode_.bracketed_paste = on; break;
        default: break;
    }
}

void Terminal::request_dec_mode(long num) {
    int value = 0;
    switch (num) {
        case 1: value = mode_.cursor_keys; break;
        case 5: value = mode_.reverse_video; break;
        case 6: value = mode_.origin; break;
        case 7: value = mode_.autowrap; break;
        case 12: value = mode_.cursor_blink; break;
        case 25: value = mode_.cursor_visible; break;
        case 69: value = mode_.lr_margins; break;
        case 1000:
        case 1002:
        case 1003: value = mode_.mouse == num; break;
        case 1004: value = mode_.report_focus; break;
        case 1005:
        case 1006:
        case 1015: value = mode_.mouse_protocol == num; break;
        case 1047: value = on_alt_; break;
        case 2004: value = mode_.bracketed_paste; break;
        default: reply_csi("?%ld;%d$y", num, 0); return;
    }
    reply_csi("?%ld;%d$y", num, value ? 1 : 2);
}

void Terminal::save_cursor(bool save) {
    if (save) {
        saved_.pos = pos_;
        saved_.cursor_visible = mode_.cursor_visible;
        saved_.cursor_blink = mode_.cursor_blink;
        saved_.cursor_shape = mode_.cursor_shape;
        saved_.pen = pen_;
        return;
    }
    const Pos old = pos_;
    // A position saved before the screen shrank comes back inside it.
    pos_.row = std::clamp(saved_.pos.row, 0, rows() - 1);
    pos_.col = std::clamp(saved_.pos.col, 0, cols() - 1);
    mode_.cursor_visible = saved_.cursor_visible;
    mode_.cursor_blink = saved_.cursor_blink;
    mode_.cursor_shape = saved_.cursor_shape;
    pen_ = saved_.pen;
    moved(old, true);
}

void Terminal::reset(bool hard) {
    region_top_ = 0, region_bottom_ = -1, region_left_ = 0, region_right_ = -1;
    const Modes keep = mode_;
    mode_ = Modes{};
    mode_.reverse_video = keep.reverse_video;
    mode_.mouse = keep.mouse;
    mode_.mouse_protocol = keep.mouse_protocol;
    for (std::size_t i = 0; i < tabstops_.size(); ++i) tabstops_[i] = 1;  // every eighth column
    std::fill(line_attrs_.begin(), line_attrs_.end(), std::uint8_t{0});
    pen_ = Pen{};
    for (Charset& c : charsets_) c = Charset::Utf8;
    gl_ = 0, gr_ = 1, single_shift_ = 0;
    protect_ = false;
    if (hard) {
        pos_ = Pos{};
        at_phantom_ = false;
        erase(Rect{0, rows(), 0, cols()}, false);
    }
}

void Terminal::reply(std::string_view bytes) {
    // Nobody taking the replies must not grow memory without bound.
    if (replies_.size() + bytes.size() <= kMaxReplyBytes) replies_.append(bytes);
}

void Terminal::reply_csi(const char* fmt, ...) {
    char buf[96];
    int n = mode_.ctrl8bit ? std::snprintf(buf, sizeof buf, "\x9b") : std::snprintf(buf, sizeof buf, "\x1b[");
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
    std::string out = mode_.ctrl8bit ? "\x90" : "\x1bP";
    out.append(body, static_cast<std::size_t>(n));
    out += mode_.ctrl8bit ? "\x9c" : "\x1b\\";
    reply(out);
}

void Terminal::string_done() {
    if (string_is_osc_) {
        osc(string_);
    } else {
        dcs(string_);
    }
    string_.clear();
}

void Terminal::osc(std::string_view s) {
    if (s.size() < 2 || s[1] != ';' || (s[0] != '0' && s[0] != '2')) return;
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

void Terminal::dcs(std::string_view s) {
    if (s.size() < 2 || s.substr(0, 2) != "$q") return;
    const std::string_view q = s.substr(2);
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
    if (q == " q") return reply_dcs("1$r%d q", mode_.cursor_shape * 2 - (mode_.cursor_blink ? 1 : 0));
    if (q == "\"q") return reply_dcs("1$r%d\"q", protect_ ? 1 : 2);
    reply_dcs("0$r");
}

// ---- resizing -------------------------------------------------------------

void Terminal::resize(int rows_wanted, int cols_wanted) {
    const Size s = clamped(rows_wanted, cols_wanted);
    if (s.rows == rows() && s.cols == cols()) return;
    const Pos old = pos_;
    if (s.cols != cols()) {
        std::vector<std::uint8_t> stops(static_cast<std::size_t>((s.cols + 7) / 8));
        for (int c = 0; c < s.cols; ++c) {
            const auto u = static_cast<std::size_t>(c);
            const bool set = c < cols() ? (tabstops_[u / 8] >> (u % 8)) & 1 : c % 8 == 0;
            if (set) stops[u / 8] |= static_cast<std::uint8_t>(1u << (u % 8));
        }
        tabstops_ = std::move(stops);
    }
    line_attrs_.resize(static_cast<std::size_t>(s.rows), 0);
    if (region_bottom_ > -1) region_bottom_ = std::min(region_bottom_, s.rows);
    if (region_right_ > -1) region_right_ = std::min(region_right_, s.cols);
    int delta_row = 0;
    on_resize(s.rows, s.cols, delta_row);
    if (at_phantom_ && pos_.col < s.cols - 1) {
        at_phantom_ = false;
        ++pos_.col;
    }
    pos_.row = std::clamp(pos_.row + delta_row, 0, s.rows - 1);
    pos_.col = std::clamp(pos_.col, 0, s.cols - 1);
    // Margins the smaller screen leaves empty or inverted go.
    if (region_bottom() <= region_top_) region_top_ = 0, region_bottom_ = -1, at_phantom_ = false;
    if (region_right_ > -1 && region_right_ <= region_left_) region_left_ = 0, region_right_ = -1;
    if (region_left_ >= s.cols) region_left_ = 0, region_right_ = -1;
    moved(old, true);
    in_run_ = false;
}

void Terminal::on_resize(int new_rows, int new_cols, int& delta_row) {
    const int old_rows = main_.rows();
    if (!on_alt_ && new_rows < old_rows) {
        // Fewer rows: rows above the cursor that hold something go to the
        // scrollback, blank rows at the bottom are dropped first; no
        // further than the cursor's row, so the cursor stays on the screen.
        int r = old_rows - 1;
        for (; r >= new_rows; --r)
            if (!main_.row_is_blank(r) || pos_.row == r) break;
        const int first_blank = r + 1;
        const int up = std::min(first_blank - new_rows, std::max(pos_.row, 0));
        if (up > 0) {
            const int cols_now = main_.cols();
            main_.scroll(Rect{0, old_rows, 0, cols_now}, up, 0, pen_,
                         [&](const Row& row) { scrollback_.push(row, cols_now); });
            delta_row -= up;
        }
    }
    main_.resize(new_rows, new_cols, pen_);
    alt_.resize(new_rows, new_cols, pen_);
    if (!on_alt_ && new_rows > old_rows) {
        // More rows: lines come back from the scrollback above the screen.
        DecodedLine line;
        for (int n = new_rows - old_rows; n > 0 && scrollback_.pop_newest(line); --n) {
            pull_line_from_scrollback(line);
            ++delta_row;
        }
    }
}

void Terminal::pull_line_from_scrollback(const DecodedLine& line) {
    Grid& g = main_;
    g.scroll(Rect{0, g.rows(), 0, g.cols()}, -1, 0, pen_, [](const Row&) {});
    g.pulled_line_back();
    Row& top = g.row(0);
    const int stored = static_cast<int>(line.cells.size());
    int c = 0;
    while (c < g.cols()) {
        const Cell cell = c < stored ? line.cells[static_cast<std::size_t>(c)] : Cell{0, Pen{}};
        const bool wide = c + 1 < stored && line.cells[static_cast<std::size_t>(c) + 1].ch == kContinuation;
        Cell& dst = top.cells[c];
        dst.pen = cell.pen;
        if (cell.is_cluster()) {
            const auto cps = cluster_of(line.clusters, cell);
            dst.ch = cps.empty() ? 0xFFFD : g.intern_cluster(top, cps.data(), static_cast<int>(cps.size()));
        } else {
            dst.ch = cell.ch;
        }
        if (wide && c + 1 < g.cols()) {
            top.cells[c + 1].ch = kContinuation;
            c += 2;
        } else {
            c += 1;
        }
    }
    top.wrapped = line.wrapped;
}

}  // namespace ovelin::term
