#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovelin {

// "{prefix}-{ms since 1970}-{sequence}"; "p" for profiles, "s" for sessions.
// The sequence is one process-wide counter shared by every prefix.
std::string new_id(std::string_view prefix);

// Milliseconds / seconds / nanoseconds since 1970-01-01 UTC; 0 before it.
std::uint64_t unix_millis();
std::uint64_t unix_seconds();
std::uint64_t unix_nanos();

}  // namespace ovelin
