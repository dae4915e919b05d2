#pragma once
// Finding text in a screen's history: case-insensitive by Unicode's simple
// case folding, a line that wraps searched together with the next one. It
// reads the screen's lines as they are kept (ASCII scrollback lines as their
// stored bytes), never building a string per line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "term/screen.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

// The simple case folding of one code point (K and the Kelvin sign both
// give k, final sigma gives sigma).
char32_t fold_case(char32_t c);

// What is searched for, folded once.
class FindNeedle {
public:
    explicit FindNeedle(std::string_view text);
    bool empty() const { return chars_.empty(); }

private:
    friend class Finder;
    std::vector<char32_t> chars_;  // folded
    std::string ascii_;            // the same, when all of it is ASCII
    std::uint32_t skip_[256];      // bad-character shifts over ASCII bytes, both cases
};

// Appends the matches of `needle` in the lines from `from` to the end of the
// grid in use, in order and not overlapping; `from` begins a line of text
// (see text_start).
void find_matches(const Screen& screen, const FindNeedle& needle, std::uint64_t from, std::vector<FoundSpan>& out);

// The first line of the wrapped text that `line` belongs to.
std::uint64_t text_start(const Screen& screen, std::uint64_t line);

}  // namespace ovelin
