#include "term/width.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

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

}  // namespace ovelin::term
