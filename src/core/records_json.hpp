#pragma once
// The JSON form of the records: reading with per-key defaults and exact
// errors (which name line and column), writing every key in a fixed order.

#include <expected>
#include <string>
#include <string_view>

#include "core/records.hpp"

namespace ovelin {

// Reads a whole document as the record T. T is one of Settings, ProfilesFile,
// AliasesFile, SessionsFile, HistoryEntry (and the records inside them).
template <class T>
std::expected<T, std::string> parse_record(std::string_view text);

// Pretty form: two spaces per level, "key": value, no line feed at the end.
template <class T>
std::expected<std::string, std::string> to_pretty_json(const T& record);

// Compact form, no spaces (history lines).
std::expected<std::string, std::string> to_compact_json(const HistoryEntry& entry);

// The shortest decimal text that reads back as the same 32-bit float, with
// ".0" for whole numbers ("12.0").
std::string float_text(float value);

}  // namespace ovelin
