// Feeds the same chunks to our Screen and to libvterm's screen layer and
// compares every visible cell, the cursor, the modes both report and the
// scrollback's text. libvterm is the reference for our parser, state and
// grid alike.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "term/differential.hpp"

namespace ovelin {
namespace {

using test::compare;
using test::StreamGenerator;

int case_count() {
    if (const char* env = std::getenv("OVELIN_DIFF_CASES")) return std::max(1, std::atoi(env));
    return 3000;
}

// Random streams, cut into chunks at random bytes (inside escapes and
// characters too), with resizes between tokens.
TEST(ScreenDifferential, RandomStreamsAgreeWithLibvterm) {
    const int cases = case_count();
    // OVELIN_DIFF_ONLY=k replays one case, comparing after every chunk.
    const char* only = std::getenv("OVELIN_DIFF_ONLY");
    long compared_cells = 0;
    for (int k = only ? std::atoi(only) : 0; k < (only ? std::atoi(only) + 1 : cases); ++k) {
        StreamGenerator gen(0x5eed0000u + static_cast<std::uint32_t>(k));
        ASSERT_EQ(test::run_case(gen, only != nullptr, compared_cells), "") << "case " << k;
    }
    std::printf("[ differential ] %d random streams, %ld cells compared\n", cases, compared_cells);
}
struct Structured {
    const char* name;
    int rows, cols;
    std::string bytes;
    std::vector<std::pair<int, int>> resizes;  // applied one by one after the bytes, each compared
};

std::string numbered_lines(int n, int width) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        std::string line = "line " + std::to_string(i) + " ";
        while (static_cast<int>(line.size()) < width) line += static_cast<char>('a' + (i + static_cast<int>(line.size())) % 26);
        s += "\x1b[3" + std::to_string(i % 8) + "m" + line + "\x1b[0m\r\n";
    }
    return s;
}

std::string full_screen_update(int rows, int cols) {
    std::string s = "\x1b[?1049h\x1b[H\x1b[2J";
    for (int r = 1; r <= rows; ++r) {
        s += "\x1b[" + std::to_string(r) + ";1H\x1b[48;5;" + std::to_string(r * 7 % 256) + "m";
        for (int c = 0; c < cols; ++c) s += static_cast<char>('A' + (r + c) % 26);
    }
    s += "\x1b[0m\x1b[3;" + std::to_string(rows - 2) + "r\x1b[3H\x1b[2M\x1b[5L\x1b[r\x1b[10;10H\xe6\x97\xa5\xe6\x9c\xac";
    return s;
}

TEST(ScreenDifferential, StructuredStreamsAgreeWithLibvterm) {
    std::string wide_line;
    for (int i = 0; i < 40; ++i) wide_line += i % 3 == 0 ? "\xe6\x97\xa5" : i % 3 == 1 ? "a\xcc\x81" : "\xf0\x9f\x98\x80";
    const Structured cases[] = {
        {"scrolling text", 24, 80, numbered_lines(300, 70), {{30, 80}, {10, 60}, {24, 100}, {40, 120}}},
        {"wrapping lines shrink and grow", 10, 20, numbered_lines(40, 50), {{5, 20}, {12, 30}, {3, 7}, {30, 40}}},
        {"wide and combining", 8, 17, wide_line + "\r\n" + wide_line, {{8, 16}, {4, 9}, {20, 33}}},
        {"full-screen application", 30, 90, full_screen_update(30, 90), {{20, 60}, {35, 100}}},
        {"leave alternate screen", 30, 90, full_screen_update(30, 90) + "\x1b[?1049l", {{25, 80}, {40, 100}}},
        {"erase with colours", 6, 12, "\x1b[44mab\x1b[K\r\n\x1b[41m\x1b[2J\x1b[3;3Hx\x1b[1K\x1b[0m", {{4, 6}, {8, 14}}},
        {"scrollback past its limit", 5, 30, numbered_lines(10300, 25), {{40, 30}}},
    };
    for (const auto& c : cases) {
        Screen ours(static_cast<std::uint16_t>(c.rows), static_cast<std::uint16_t>(c.cols));
        test::ReferenceScreen ref(c.rows, c.cols);
        ours.feed(c.bytes);
        ref.feed(c.bytes);
        ASSERT_EQ(compare(ours, ref, true), "") << c.name;
        for (const auto& [r, w] : c.resizes) {
            ours.resize(static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(w));
            ref.resize(r, w);
            ASSERT_EQ(compare(ours, ref, true), "") << c.name << " after resize to " << r << "x" << w;
        }
    }
}

// The same stream cut at every byte gives the same screen as in one piece.
TEST(ScreenDifferential, SplitAtEveryByteMatchesWhole) {
    const std::string bytes =
        "\x1b[1;31mred\x1b[0m \xe6\x97\xa5\xe6\x9c\xac e\xcc\x81\x1b]2;a title\x07\x1b[38;2;1;2;3mrgb\x1b[4;6Hx"
        "\x1b[?2004h\xf0\x9f\x98\x80\x1b[2K";
    Screen whole(5, 20);
    whole.feed(bytes);
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        Screen split(5, 20);
        test::ReferenceScreen ref(5, 20);
        split.feed(std::string_view(bytes).substr(0, cut));
        split.feed(std::string_view(bytes).substr(cut));
        ref.feed(std::string_view(bytes).substr(0, cut));
        ref.feed(std::string_view(bytes).substr(cut));
        ASSERT_EQ(compare(split, ref, false), "") << "cut at " << cut;
        ASSERT_EQ(split.contents(), whole.contents()) << "cut at " << cut;
        ASSERT_EQ(split.title(), "a title") << "cut at " << cut;
        ASSERT_TRUE(split.bracketed_paste()) << "cut at " << cut;
    }
}

}  // namespace
}  // namespace ovelin
