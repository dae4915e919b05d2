#pragma once
// UTF-8 inside the program, UTF-16 at the platform edge.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ovelin {

// Decodes one code point at `pos`, advancing it. Invalid or truncated
// sequences give nullopt and advance by one byte.
std::optional<char32_t> next_code_point(std::string_view s, std::size_t& pos);

void append_utf8(std::string& out, char32_t cp);
void append_utf16(std::u16string& out, char32_t cp);

bool is_valid_utf8(std::string_view s);

// UTF-16 to UTF-8; nullopt on an unpaired surrogate.
std::optional<std::string> utf16_to_utf8(std::u16string_view s);

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::u16string utf8_to_utf16(std::string_view s);

}  // namespace ovelin
