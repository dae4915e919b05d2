#pragma once

#include <string>
#include <string_view>

namespace ovelin {

// A value as a message shows it: in double quotes, with \" \\ \t \r \n \0
// and every other control character as \u{hex} (invalid UTF-8 bytes as \xNN).
std::string debug_quoted(std::string_view value);

// A control character is below U+0020 or in U+007F..U+009F.
constexpr bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace ovelin
