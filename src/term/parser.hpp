#pragma once
// The byte grammar of terminal output: bytes in, actions out, nothing about
// what an action means. One function per state of the usual VT parser
// diagram (ground, escape, control sequence leader, parameters and
// intermediates, string, escape inside a string), kept across feeds so a
// sequence or a character may be cut anywhere.
//
// Runs of printable ASCII are handed on whole, and other text as runs of
// decoded code points, so the terminal can write text in bulk. C0 controls
// are executed wherever they come, inside sequences and strings too, as DEC
// terminals do; CAN and SUB cancel a sequence; NUL and DEL are left out of
// strings. Every control is handed on, so the terminal knows text ended.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ovelin::term {

// The parameters of one control sequence.
class Params {
public:
    static constexpr int kMax = 16;  // more are dropped
    static constexpr long kMissing = 0x7FFFFFFF;

    int count() const { return count_; }
    // Parameter i; those not given read as missing.
    long value(int i) const { return i < count_ ? values_[i] & ~kMore : kMissing; }
    bool missing(int i) const { return value(i) == kMissing; }
    long value_or(int i, long fallback) const { return missing(i) ? fallback : value(i); }
    // A count: missing and 0 both mean 1.
    long count_at(int i) const {
        const long v = value(i);
        return v == kMissing || v == 0 ? 1 : v;
    }
    // Whether parameter i is followed by a ':' sub-parameter.
    bool has_more(int i) const { return i < count_ && (values_[i] & kMore) != 0; }

private:
    friend class Parser;
    static constexpr long kMore = 1L << 31;
    long values_[kMax] = {};
    int count_ = 0;
};

// What the parser hands on. The terminal state implements it; a test
// records it.
class ParserActions {
public:
    // Printable ASCII (0x20-0x7E), a run of it.
    virtual void print_ascii(const char* text, std::size_t n) = 0;
    // Other text decoded from UTF-8: code points, U+FFFD for broken input.
    virtual void print(const char32_t* text, std::size_t n) = 0;
    // A C0 control, or a C1 control written as ESC + 0x40..0x5F (0x80..0x9F).
    virtual void execute(unsigned char control) = 0;
    // ESC [intermediates] final: esc_id(final, intermediate), kUnnamed set
    // when there was more than one intermediate.
    virtual void esc_dispatch(std::uint32_t id) = 0;
    // CSI [leader] params [intermediates] final: csi_id(...), kUnnamed set
    // for leaders or intermediates no sequence uses.
    virtual void csi_dispatch(std::uint32_t id, const Params& params) = 0;
    // The body of an operating system command or a device control string,
    // cut at a limit (titles are long; our DCS replies are short).
    virtual void osc_dispatch(std::string_view body) = 0;
    virtual void dcs_dispatch(std::string_view body) = 0;

protected:
    ~ParserActions() = default;
};

class Parser {
public:
    static constexpr std::size_t kMaxOscBytes = 1026;
    static constexpr std::size_t kMaxDcsBytes = 64;

    void feed(std::string_view bytes, ParserActions& out);

private:
    enum class State : std::uint8_t { Ground, Escape, CsiLeader, CsiParams, CsiIntermediate, String, StringEscape };

    // One per state: each starts at a byte that is not a control.
    using Byte = const unsigned char*;
    Byte ground(Byte p, Byte end, ParserActions& out);
    Byte escape(Byte p, Byte end, ParserActions& out);
    Byte csi_leader(Byte p, Byte end, ParserActions& out);
    Byte csi_params(Byte p, Byte end, ParserActions& out);
    Byte csi_intermediate(Byte p, Byte end, ParserActions& out);
    Byte string(Byte p, Byte end);
    Byte string_escape(Byte p, Byte end, ParserActions& out);
    // C0 controls and DEL, whatever the state.
    void control(unsigned char c, ParserActions& out);

    void decode(unsigned char c);
    void flush_text(ParserActions& out);
    void collect(unsigned char c, unsigned char& first, int& count);
    void string_done(ParserActions& out);

    State state_ = State::Ground;

    // Leader (CSI only) and intermediate bytes: the first kept, all counted.
    unsigned char leader_ = 0, intermediate_ = 0;
    int leaders_ = 0, intermediates_ = 0;
    Params params_;
    bool dropping_params_ = false;
    bool string_is_osc_ = false;
    std::string string_;

    // UTF-8 being decoded, kept across feeds, and decoded text not yet handed on.
    int utf8_remaining_ = 0;
    int utf8_total_ = 0;
    char32_t utf8_cp_ = 0;
    static constexpr int kTextBuffer = 64;
    char32_t text_[kTextBuffer] = {};
    int text_n_ = 0;
};

}  // namespace ovelin::term
