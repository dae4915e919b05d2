#include "term/parser.hpp"

#include <algorithm>

#include "term/sequences.hpp"

namespace ovelin::term {

// The state functions are the parser's inner loop: one body, no calls.
#define ALWAYS_INLINE [[gnu::always_inline]] inline

namespace {
constexpr long kParamCap = 1000000;  // beyond any count or mode number; more digits are dropped
constexpr int kMaxCollected = 15;    // leader and intermediate bytes counted

bool is_text(unsigned char c) { return c >= 0x20 && c != 0x7f; }
}  // namespace

// Each state's function takes the bytes that belong to it, up to a control
// byte or a change of state, and answers where it stopped.
void Parser::feed(std::string_view bytes, ParserActions& out) {
    auto p = reinterpret_cast<Byte>(bytes.data());
    const Byte end = p + bytes.size();
    while (p < end) {
        if (!is_text(*p)) {
            control(*p++, out);
            continue;
        }
        switch (state_) {
            case State::Ground: p = ground(p, end, out); break;
            case State::Escape: p = escape(p, end, out); break;
            case State::CsiLeader: p = csi_leader(p, end, out); break;
            case State::CsiParams: p = csi_params(p, end, out); break;
            case State::CsiIntermediate: p = csi_intermediate(p, end, out); break;
            case State::String: p = string(p, end); break;
            case State::StringEscape: p = string_escape(p, end, out); break;
        }
    }
    flush_text(out);
}

// ---- ground: text ---------------------------------------------------------

ALWAYS_INLINE Parser::Byte Parser::ground(Byte p, Byte end, ParserActions& out) {
    while (p < end && is_text(*p)) {
        if (*p < 0x80 && utf8_remaining_ == 0) {
            Byte q = p + 1;
            while (q < end && *q >= 0x20 && *q < 0x7f) ++q;
            flush_text(out);
            out.print_ascii(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
            p = q;
            continue;
        }
        decode(*p++);
        if (text_n_ >= kTextBuffer - 1) flush_text(out);
    }
    return p;
}

// A broken sequence gives U+FFFD; an ASCII byte that cuts one short is
// decoded with it, as text of the same run.
ALWAYS_INLINE void Parser::decode(unsigned char c) {
    auto emit = [&](char32_t cp) { text_[text_n_++] = cp; };
    if (c < 0x80) {
        if (utf8_remaining_ > 0) emit(0xFFFD);
        utf8_remaining_ = 0;
        emit(c);
        return;
    }
    if (c < 0xc0) {
        if (utf8_remaining_ == 0) {
            emit(0xFFFD);
            return;
        }
        utf8_cp_ = (utf8_cp_ << 6) | (c & 0x3f);
        if (--utf8_remaining_ > 0) return;
        char32_t cp = utf8_cp_;
        static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
        if (cp < least[utf8_total_] || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) cp = 0xFFFD;
        emit(cp);
        return;
    }
    if (utf8_remaining_ > 0) emit(0xFFFD);
    if (c >= 0xfe) {
        utf8_remaining_ = 0;
        emit(0xFFFD);
        return;
    }
    utf8_total_ = c < 0xe0 ? 2 : c < 0xf0 ? 3 : c < 0xf8 ? 4 : c < 0xfc ? 5 : 6;
    utf8_remaining_ = utf8_total_ - 1;
    utf8_cp_ = c & (0x7fu >> utf8_total_);
}

ALWAYS_INLINE void Parser::flush_text(ParserActions& out) {
    if (text_n_ == 0) return;
    out.print(text_, static_cast<std::size_t>(text_n_));
    text_n_ = 0;
}

// ---- controls, in any state -----------------------------------------------

ALWAYS_INLINE void Parser::control(unsigned char c, ParserActions& out) {
    if (utf8_remaining_ > 0) {
        // A character cut short by a control is shown as U+FFFD, and its
        // remains never join later bytes.
        utf8_remaining_ = 0;
        text_[text_n_++] = 0xFFFD;
    }
    flush_text(out);
    if (c == 0x18 || c == 0x1a) state_ = State::Ground;  // CAN, SUB: back to text
    if (c == 0x1b) {
        intermediates_ = 0;
        state_ = state_ == State::String ? State::StringEscape : State::Escape;
        return;
    }
    if (c == ctl::BEL && state_ == State::String) {
        string_done(out);
        state_ = State::Ground;
        return;
    }
    // As it comes, also inside sequences and strings. NUL and DEL, never
    // part of a string, and CAN and SUB are handed on too: they end text.
    out.execute(c);
}

// ---- escape sequences -----------------------------------------------------

ALWAYS_INLINE void Parser::collect(unsigned char c, unsigned char& first, int& count) {
    if (count >= kMaxCollected) return;
    if (count == 0) first = c;
    ++count;
}

ALWAYS_INLINE Parser::Byte Parser::escape(Byte p, Byte end, ParserActions& out) {
    while (p < end && is_text(*p)) {
        const unsigned char c = *p++;
        if (c == 'P' || c == ']') {  // DCS, OSC
            string_.clear();
            string_is_osc_ = c == ']';
            state_ = State::String;
        } else if (c == '[') {
            leaders_ = 0;
            state_ = State::CsiLeader;
            return csi_leader(p, end, out);
        } else if (c >= 0x20 && c <= 0x2f) {
            collect(c, intermediate_, intermediates_);
            continue;
        } else if (intermediates_ == 0 && c >= 0x40 && c < 0x60) {
            out.execute(static_cast<unsigned char>(c + 0x40));  // a C1 control written as ESC + byte
            state_ = State::Ground;
        } else if (c >= 0x30 && c < 0x7f) {
            const auto final = static_cast<char>(c);
            const std::uint32_t id =
                intermediates_ > 1 ? kUnnamed | c : esc_id(final, intermediates_ ? static_cast<char>(intermediate_) : 0);
            out.esc_dispatch(id);
            state_ = State::Ground;
        } else {
            continue;  // anything else is swallowed; the escape goes on
        }
        break;
    }
    return p;
}

// ---- control sequences ----------------------------------------------------

// The states of a control sequence go on into each other while its bytes last.
ALWAYS_INLINE Parser::Byte Parser::csi_leader(Byte p, Byte end, ParserActions& out) {
    while (p < end && *p >= 0x3c && *p <= 0x3f) collect(*p++, leader_, leaders_);
    if (p == end || !is_text(*p)) return p;
    params_.values_[0] = Params::kMissing;
    params_.count_ = 0;
    dropping_params_ = false;
    state_ = State::CsiParams;
    return csi_params(p, end, out);
}

ALWAYS_INLINE Parser::Byte Parser::csi_params(Byte p, Byte end, ParserActions& out) {
    long* const values = params_.values_;
    for (; p < end; ++p) {
        const unsigned char c = *p;
        if (c >= '0' && c <= '9') {
            // Digits that would only make a number nobody uses are dropped.
            // The parameter being read never carries the sub-parameter mark yet.
            long& v = values[params_.count_];
            if (v == Params::kMissing) v = 0;
            if (!dropping_params_ && v < kParamCap) v = v * 10 + (c - '0');
        } else if (c == ':' || c == ';') {
            if (dropping_params_ || params_.count_ == Params::kMax - 1) {
                dropping_params_ = true;  // past the last parameter kept
            } else {
                if (c == ':') values[params_.count_] |= Params::kMore;
                values[++params_.count_] = Params::kMissing;
            }
        } else {
            if (!is_text(c)) break;  // a control is executed and the parameters go on
            ++params_.count_;
            intermediates_ = 0;
            state_ = State::CsiIntermediate;
            return csi_intermediate(p, end, out);
        }
    }
    return p;
}

ALWAYS_INLINE Parser::Byte Parser::csi_intermediate(Byte p, Byte end, ParserActions& out) {
    while (p < end && *p >= 0x20 && *p <= 0x2f) collect(*p++, intermediate_, intermediates_);
    if (p == end || !is_text(*p)) return p;
    const unsigned char c = *p++;
    if (c >= 0x40 && c <= 0x7e) {
        const bool known_leader = leaders_ == 0 || (leaders_ == 1 && (leader_ == '?' || leader_ == '>'));
        const bool known_intermediate = intermediates_ <= 1;
        std::uint32_t id = csi_id(static_cast<char>(c), leaders_ ? static_cast<char>(leader_) : 0,
                                  intermediates_ ? static_cast<char>(intermediate_) : 0);
        if (!known_leader || !known_intermediate) id |= kUnnamed;
        out.csi_dispatch(id, params_);
    }
    state_ = State::Ground;  // done, or an invalid byte ended it
    return p;
}

// ---- strings: OSC and DCS -------------------------------------------------

Parser::Byte Parser::string(Byte p, Byte end) {
    // Everything up to the next control byte belongs to the string.
    Byte q = p;
    while (q < end && is_text(*q)) ++q;
    const std::size_t cap = string_is_osc_ ? kMaxOscBytes : kMaxDcsBytes;
    if (string_.size() < cap)
        string_.append(reinterpret_cast<const char*>(p), std::min(cap - string_.size(), static_cast<std::size_t>(q - p)));
    return q;
}

Parser::Byte Parser::string_escape(Byte p, Byte end, ParserActions& out) {
    if (*p == '\\') {  // ESC \ ends the string
        string_done(out);
        state_ = State::Ground;
        return p + 1;
    }
    // Another escape: the string is dropped and this one begins.
    state_ = State::Escape;
    return escape(p, end, out);
}

void Parser::string_done(ParserActions& out) {
    if (string_is_osc_)
        out.osc_dispatch(string_);
    else
        out.dcs_dispatch(string_);
    string_.clear();
}

}  // namespace ovelin::term
