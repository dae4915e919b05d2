#pragma once
// The Unicode facts the checks need: full lower-casing and White_Space.
// Invalid UTF-8 bytes are never white space and are copied unchanged.

#include <string>
#include <string_view>

namespace ovelin {

// The lower-case form of one code point under the simple mapping.
char32_t simple_lower(char32_t c);

// Full lower-casing of UTF-8 text (U+0130 becomes "i" and U+0307).
std::string to_lower_full(std::string_view text);

// The Unicode White_Space property.
constexpr bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Without leading and trailing White_Space.
std::string_view trim_white_space(std::string_view text);

}  // namespace ovelin
