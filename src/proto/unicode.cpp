#include "proto/unicode.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "core/utf.hpp"

namespace ovelin {

namespace {

struct LowerRun {
    char32_t first;
    char32_t last;
    std::int32_t delta;
    std::uint32_t stride;
};

constexpr LowerRun LOWER_RUNS[] = {
#include "proto/lower_table.inc"
};

constexpr bool runs_sorted() {
    for (std::size_t i = 1; i < std::size(LOWER_RUNS); ++i)
        if (LOWER_RUNS[i].first <= LOWER_RUNS[i - 1].last) return false;
    return true;
}
static_assert(runs_sorted(), "the lower-case runs must be sorted and disjoint for the binary search");

}  // namespace

char32_t simple_lower(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    auto it = std::upper_bound(std::begin(LOWER_RUNS), std::end(LOWER_RUNS), c,
                               [](char32_t v, const LowerRun& r) { return v < r.first; });
    if (it == std::begin(LOWER_RUNS)) return c;
    const LowerRun& run = *std::prev(it);
    if (c > run.last || (c - run.first) % run.stride != 0) return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + run.delta);
}

std::string to_lower_full(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        auto cp = next_code_point(text, pos);
        if (!cp) {
            out.append(text.substr(start, pos - start));
        } else if (*cp == 0x130) {
            // The one code point whose lower case is two: i and a combining dot.
            out += 'i';
            append_utf8(out, 0x307);
        } else {
            append_utf8(out, simple_lower(*cp));
        }
    }
    return out;
}

std::string_view trim_white_space(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = begin;
        auto cp = next_code_point(text, next);
        if (!cp || !is_white_space(*cp)) break;
        begin = next;
    }
    std::size_t end = text.size();
    while (end > begin) {
        // Step back to the start of the last code point (at most 4 bytes).
        std::size_t start = end - 1;
        while (start > begin && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        std::size_t next = start;
        auto cp = next_code_point(text, next);
        if (!cp || next != end || !is_white_space(*cp)) break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

}  // namespace ovelin
