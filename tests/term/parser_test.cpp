// The byte grammar alone: what the parser hands on for a table of inputs,
// whole and cut at every byte.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/utf.hpp"
#include "term/parser.hpp"
#include "term/sequences.hpp"

namespace ovelin::term {
namespace {

// Writes each action down; adjacent text (ASCII runs and decoded runs
// alike) is one entry, since where text is cut depends on the feeds.
class Recorder final : public ParserActions {
public:
    std::vector<std::string> log;
    std::size_t ascii_calls = 0, decoded_calls = 0;

    void print_ascii(const char* text, std::size_t n) override {
        ++ascii_calls;
        text_entry().append(text, n);
    }
    void print(const char32_t* text, std::size_t n) override {
        ++decoded_calls;
        for (std::size_t i = 0; i < n; ++i) append_utf8(text_entry(), text[i]);
    }
    void execute(unsigned char c) override {
        char buf[16];
        std::snprintf(buf, sizeof buf, "exec %02X", c);
        add(buf);
    }
    void esc_dispatch(std::uint32_t id) override {
        std::string s = "esc ";
        if (id & kUnnamed) s += "unnamed ";
        if (const char i = static_cast<char>(id >> 8 & 0xff)) s += i;
        add(s + static_cast<char>(id & 0xff));
    }
    void csi_dispatch(std::uint32_t id, const Params& p) override {
        std::string s = "csi ";
        if (id & kUnnamed) s += "unnamed ";
        if (const char leader = static_cast<char>(id >> 8 & 0xff)) s += leader;
        for (int i = 0; i < p.count(); ++i) {
            if (i > 0) s += p.has_more(i - 1) ? ':' : ';';
            s += p.missing(i) ? "_" : std::to_string(p.value(i));
        }
        if (const char intermediate = static_cast<char>(id >> 16 & 0xff)) s += intermediate;
        add(s + static_cast<char>(id & 0xff));
    }
    void osc_dispatch(std::string_view body) override { add("osc " + std::string(body)); }
    void dcs_dispatch(std::string_view body) override { add("dcs " + std::string(body)); }

private:
    std::string& text_entry() {
        if (!texting_) log.emplace_back("text ");
        texting_ = true;
        return log.back();
    }
    void add(std::string s) {
        texting_ = false;
        log.push_back(std::move(s));
    }
    bool texting_ = false;
};

std::string joined(const std::vector<std::string>& log) {
    std::string s;
    for (const auto& e : log) s += (s.empty() ? "" : " | ") + e;
    return s;
}

TEST(Parser, HandsOnWhatTheBytesSay) {
    std::string many = "\x1b[";
    for (int i = 1; i <= 20; ++i) many += std::to_string(i) + ";";
    many += "m";
    const struct {
        const char* name;
        std::string bytes;
        std::string want;
    } cases[] = {
        {"text", "caf\xc3\xa9 \xe6\x97\xa5!", "text caf\xc3\xa9 \xe6\x97\xa5!"},
        {"a character cut by a control", "a\xe6\x97\nb", "text a\xef\xbf\xbd | exec 0A | text b"},
        {"a character cut by ASCII", "\xc3" "a", "text \xef\xbf\xbd" "a"},
        {"bytes no UTF-8 has", "\xff\x80", "text \xef\xbf\xbd\xef\xbf\xbd"},
        {"overlong and surrogate forms", "\xc0\xaf\xed\xa0\x80", "text \xef\xbf\xbd\xef\xbf\xbd"},
        {"parameters, sub-parameters, missing ones", "\x1b[38:2:1:2:3;;5m", "csi 38:2:1:2:3;_;5m"},
        {"no parameters", "\x1b[H", "csi _H"},
        {"private leader and intermediates", "\x1b[?1049h\x1b[2 q\x1b[?25$p", "csi ?1049h | csi 2 q | csi ?25$p"},
        {"a leader no sequence uses", "\x1b[<1;2M\x1b[??5h", "csi unnamed <1;2M | csi unnamed ?5h"},
        {"two intermediates", "\x1b[1 !p", "csi unnamed 1 p"},
        {"a control inside a sequence is executed", "\x1b[1\n2H", "exec 0A | csi 12H"},
        {"CAN and SUB cancel", "\x1b[12\x18H\x1b[3\x1aJ", "exec 18 | text H | exec 1A | text J"},
        {"a byte that ends a sequence badly", "\x1b[1\xc3" "A", "text A"},
        {"more parameters than kept", many, "csi 1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16m"},
        {"a number past any use", "\x1b[99999999999999G", "csi 9999999G"},
        {"C1 controls as ESC + byte", "\x1b" "D\x1bM\x1bZ", "exec 84 | exec 8D | exec 9A"},
        {"escape sequences", "\x1b(0\x1b#8\x1b" "7\x1b ( B", "esc (0 | esc #8 | esc 7 | esc unnamed B"},
        {"OSC ended by BEL and by ST", "\x1b]0;t\xc3\xa9\x07\x1b]2;x\x1b\\", "osc 0;t\xc3\xa9 | osc 2;x"},
        {"DCS", "\x1bP$qm\x1b\\", "dcs $qm"},
        {"a string dropped by another escape", "\x1b]2;x\x1b[H", "csi _H"},
        {"NUL and DEL are left out of strings", std::string("\x1b]2;a\x01\x00" "b\x7f\x07", 10), "exec 01 | exec 00 | exec 7F | osc 2;ab"},
        {"a long string is cut", "\x1bP" + std::string(100, 'x') + "\x1b\\", "dcs " + std::string(64, 'x')},
    };
    for (const auto& c : cases) {
        Parser whole;
        Recorder got;
        whole.feed(c.bytes, got);
        EXPECT_EQ(joined(got.log), c.want) << c.name;
        // The same, cut at every byte.
        for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
            Parser split;
            Recorder pieces;
            split.feed(std::string_view(c.bytes).substr(0, cut), pieces);
            split.feed(std::string_view(c.bytes).substr(cut), pieces);
            ASSERT_EQ(joined(pieces.log), c.want) << c.name << ", cut at " << cut;
        }
    }
}

// The fast path: a long ASCII run is one action, decoded text comes in runs.
TEST(Parser, TextComesInRuns) {
    Parser p;
    Recorder r;
    p.feed(std::string(4000, 'a') + "\r\n" + std::string(300, 'b'), r);
    EXPECT_EQ(r.ascii_calls, 2u);
    std::string wide;
    for (int i = 0; i < 200; ++i) wide += "\xe6\x97\xa5";
    Recorder w;
    p.feed(wide, w);
    EXPECT_EQ(w.decoded_calls, 4u);  // 200 characters, at most 64 a run
    EXPECT_EQ(joined(w.log), "text " + wide);
}

}  // namespace
}  // namespace ovelin::term
