#include "term/sequence_filter.hpp"

namespace ovelin::term {

namespace {

constexpr long kArgMissing = -1;
constexpr long kArgCap = 1000000;  // beyond any count or mode number; more digits are dropped
constexpr int kMaxCollected = 15;  // libvterm keeps at most 15 leader or intermediate bytes

}  // namespace

void SequenceFilter::process(std::string_view bytes, SequenceSink& sink) {
    std::string joined;
    if (!held_.empty()) {
        joined = std::move(held_);
        joined.append(bytes);
        held_.clear();
        bytes = joined;
    }
    scan(bytes, sink);
}

void SequenceFilter::scan(std::string_view bytes, SequenceSink& sink) {
    std::size_t from = 0;  // first byte not yet passed on
    auto flush = [&](std::size_t to) {
        if (to > from) sink.pass(bytes.substr(from, to - from));
        from = to;
    };
    auto drop = [&](std::size_t i) {
        flush(i);
        from = i + 1;
    };

    utf8_missing_ = 0;
    utf8_clean_ = 0;
    // An unfinished character is replaced before whatever would leave the
    // decoder pending at the end of libvterm's text run.
    auto replace_unfinished = [&](std::size_t i) {
        flush(utf8_clean_);
        sink.pass("\xef\xbf\xbd");
        from = i;
        utf8_clean_ = i;
        utf8_missing_ = 0;
    };
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (state_ == State::Normal) {
            // Printable ASCII is most of the output and changes nothing here.
            const std::size_t start = i;
            while (i < n && static_cast<unsigned char>(bytes[i] - 0x20) < 0x5F) ++i;
            if (i != start) utf8_missing_ = 0;
            if (i == n) break;
        }
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (utf8_missing_ > 0 && (c < 0x20 || c == 0x7f)) replace_unfinished(i);
        if (state_ == State::EscInString && (c < 0x20 || c == 0x7f) && c != 0x1b && c != 0x18 && c != 0x1a) {
            // Between a string's ESC and its backslash libvterm would restart
            // the string after this byte and then measure it as -1 bytes. The
            // byte goes, and the ESC waits to be passed with the next one.
            if (!glue_esc_) flush(string_esc_);
            glue_esc_ = true;
            from = i + 1;
            continue;
        }
        if (glue_esc_) {
            const char two[2] = {'\x1b', static_cast<char>(c)};
            sink.pass(std::string_view(two, 2));
            from = i + 1;
            glue_esc_ = false;
        }
        if (c == 0x00 || c == 0x7f) continue;  // ignored everywhere, left out of strings
        if (c == 0x18 || c == 0x1a) {         // CAN, SUB: back to text
            state_ = State::Normal;
            dropping_args_ = false;
            continue;
        }
        if (c == 0x1b) {
            intermed_len_ = 0;
            dropping_args_ = false;
            if (state_ == State::String) string_esc_ = i;
            state_ = state_ == State::String ? State::EscInString : State::Esc;
            continue;
        }
        if (!(c == 0x07 && state_ == State::String) && c < 0x20) continue;  // a control, executed as it comes

        switch (state_) {
            case State::EscInString:
                if (c == 0x5c) {  // ESC \ ends the string
                    string_done(sink);
                    state_ = State::Normal;
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
                        if (intermed_len_ == 0) intermed0_ = static_cast<char>(c);
                        ++intermed_len_;
                    }
                } else if (intermed_len_ == 0 && c >= 0x40 && c < 0x60) {
                    state_ = State::Normal;  // a C1 control written as ESC + byte
                } else if (c >= 0x30 && c < 0x7f) {
                    if (intermed_len_ == 1 && intermed0_ == '#' && c == '8') {
                        // DECALN writes glyphs of its own; REP must not take their width.
                        flush(i);
                        sink.alignment_test(true);
                        flush(i + 1);
                        sink.alignment_test(false);
                    }
                    state_ = State::Normal;
                }
                break;

            case State::CsiLeader:
                if (c >= 0x3c && c <= 0x3f) {
                    if (leader_len_ < kMaxCollected) {
                        if (leader_len_ == 0) leader0_ = static_cast<char>(c);
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
                    long& a = args_[argi_];
                    if (dropping_args_ || a >= kArgCap) {
                        drop(i);  // libvterm's long would overflow on endless digits
                    } else {
                        a = (a == kArgMissing ? 0 : a) * 10 + (c - '0');
                    }
                    break;
                }
                if (c == ':' || c == ';') {
                    if (dropping_args_ || argi_ == kMaxCsiArgs - 1) {
                        dropping_args_ = true;
                        drop(i);
                    } else {
                        args_[++argi_] = kArgMissing;
                    }
                    break;
                }
                ++argi_;
                intermed_len_ = 0;
                dropping_args_ = false;
                state_ = State::CsiIntermed;
                [[fallthrough]];
            case State::CsiIntermed:
                if (c >= 0x20 && c <= 0x2f) {
                    if (intermed_len_ < kMaxCollected) {
                        if (intermed_len_ == 0) intermed0_ = static_cast<char>(c);
                        ++intermed_len_;
                    }
                    break;
                }
                if (c >= 0x40 && c <= 0x7e) csi_final(static_cast<char>(c), bytes, i, from, sink);
                state_ = State::Normal;
                break;

            case State::String:
                if (c == 0x07) {
                    string_done(sink);
                    state_ = State::Normal;
                } else if (string_is_osc_) {
                    if (string_.size() < kMaxTitleBytes + 2) string_.push_back(static_cast<char>(c));
                }
                break;

            case State::Normal:
                if ((c & 0xC0) == 0x80) {
                    if (utf8_missing_ > 0) --utf8_missing_;
                } else if (c >= 0xC0) {
                    if (utf8_missing_ > 0) replace_unfinished(i);
                    if (c < 0xFE) {
                        utf8_clean_ = i;  // nothing was pending before this lead
                        utf8_missing_ = c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF8 ? 3 : c < 0xFC ? 4 : 5;
                    }
                } else {
                    utf8_missing_ = 0;  // ASCII: the decoder drops what it had
                }
                break;
        }
    }
    if (utf8_missing_ > 0) {
        // The rest of the character comes with the next feed.
        flush(utf8_clean_);
        held_.assign(bytes.substr(utf8_clean_));
        return;
    }
    if (state_ == State::EscInString) {
        // ESC \ must reach libvterm in one piece: it measures the string
        // from the start of the feed that brings the backslash. Only dropped
        // control bytes can follow the ESC here.
        if (!glue_esc_) flush(string_esc_);
        glue_esc_ = false;
        held_.assign("\x1b");
        state_ = State::String;
        return;
    }
    flush(n);
}

void SequenceFilter::csi_final(char c, std::string_view bytes, std::size_t i, std::size_t& from,
                               SequenceSink& sink) {
    auto flush = [&](std::size_t to) {
        if (to > from) sink.pass(bytes.substr(from, to - from));
        from = to;
    };
    if (c == 'b' && leader_len_ == 0 && intermed_len_ == 0) {
        flush(i);
        if (!sink.may_repeat()) {
            sink.pass("\x18");  // CAN: the sequence ends without effect
            from = i + 1;
        }
        return;
    }
    if (c == 'r' && leader_len_ == 0 && intermed_len_ == 0) {
        flush(i + 1);
        sink.scroll_region(args_[0], argi_ >= 2 ? args_[1] : kArgMissing);
        return;
    }
    if ((c == 'h' || c == 'l') && leader_len_ == 1 && leader0_ == '?' && intermed_len_ == 0) {
        const bool on = c == 'h';
        bool cut = false;
        for (int k = 0; k < argi_ && k < kMaxCsiArgs; ++k) {
            if (args_[k] != 47 && args_[k] != 2004) continue;
            if (!cut) flush(i + 1);
            cut = true;
            if (args_[k] == 47) {
                sink.alternate_screen(on);
            } else {
                sink.bracketed_paste(on);
            }
        }
    }
}

void SequenceFilter::string_done(SequenceSink& sink) {
    if (!string_is_osc_) return;
    if (string_.size() >= 2 && (string_[0] == '0' || string_[0] == '2') && string_[1] == ';')
        sink.title(std::string_view(string_).substr(2));
    string_.clear();
}

}  // namespace ovelin::term
