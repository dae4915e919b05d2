#pragma once
// Walks the output bytes in step with libvterm's parser (same states, same
// rules for C0 bytes, strings and CSI parameters) before they reach it, for
// what libvterm 0.1's state layer does not tell its user or does not survive:
// - bracketed paste (2004) and the alternate screen as mode 47, which it
//   does not report or know;
// - window titles longer than its 64-byte string buffer when they arrive
//   in pieces;
// - a CSI with more than 16 parameters, which overruns its argument array
//   (the extra parameters are dropped), or with a parameter of endless
//   digits, which overflows its long (digits past a million are dropped);
// - REP (CSI b) after a glyph of width 0 or less, which loops forever there
//   (it is cancelled).
// - a UTF-8 character left unfinished before a control character, another
//   lead byte or 0xFE/0xFF, which can leave libvterm's decoder pending and
//   make it write one code point past its stack buffer on the next text:
//   it becomes U+FFFD;
// - a string terminator (ESC \) cut after its ESC by the end of a feed or
//   by a control byte, for which libvterm reads past its input: the ESC is
//   held for the next feed, the control byte dropped;
// - a UTF-8 character cut at the end of a feed after text that began with
//   ASCII, which libvterm decodes with another decoder than the rest and
//   loses: such a tail is held back and put before the next feed.
// The bytes go on to the sink in order, cut where an action must happen
// between them.

#include <cstddef>
#include <string>
#include <string_view>

namespace ovelin::term {

class SequenceSink {
public:
    virtual void pass(std::string_view bytes) = 0;
    virtual void alternate_screen(bool on) = 0;  // mode 47
    virtual void bracketed_paste(bool on) = 0;
    virtual void title(std::string_view utf8) = 0;
    virtual bool may_repeat() = 0;               // asked just before REP's final byte
    virtual void alignment_test(bool starting) = 0;  // around DECALN's final byte
    // DECSTBM's parameters, -1 where missing (after its final byte).
    virtual void scroll_region(long top, long bottom) = 0;

protected:
    ~SequenceSink() = default;
};

class SequenceFilter {
public:
    void process(std::string_view bytes, SequenceSink& sink);

    // Whether libvterm's parser is between sequences (a character may be
    // held back for the next feed; it has not reached libvterm).
    bool at_ground() const { return state_ == State::Normal; }
    // libvterm was sent CAN: any unfinished sequence or string is gone.
    void cancelled() {
        state_ = State::Normal;
        dropping_args_ = false;
        held_.clear();
    }

    static constexpr std::size_t kMaxTitleBytes = 1024;
    static constexpr int kMaxCsiArgs = 16;

private:
    enum class State { Normal, Esc, CsiLeader, CsiArgs, CsiIntermed, String, EscInString };

    void csi_final(char c, std::string_view bytes, std::size_t i, std::size_t& from, SequenceSink& sink);
    void string_done(SequenceSink& sink);
    void scan(std::string_view bytes, SequenceSink& sink);

    State state_ = State::Normal;
    int intermed_len_ = 0;
    char intermed0_ = 0;
    int leader_len_ = 0;
    char leader0_ = 0;
    int argi_ = 0;
    long args_[kMaxCsiArgs] = {};
    bool dropping_args_ = false;
    bool string_is_osc_ = false;
    std::string string_;
    std::string held_;  // an unfinished character from the end of the last feed
    // Where libvterm's UTF-8 decoder last had nothing pending, and how many
    // continuation bytes the character begun after it still needs.
    std::size_t utf8_clean_ = 0;
    std::size_t string_esc_ = 0;  // where the ESC that may end a string is
    bool glue_esc_ = false;       // that ESC waits to be passed with the byte after it
    int utf8_missing_ = 0;
};

}  // namespace ovelin::term
