#pragma once
// Per-session command history: history/{session id}.jsonl in the
// configuration folder, one compact JSON object per line, only appended to.

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/records.hpp"
#include "core/store.hpp"

namespace ovelin {

// How many of the last entries seed a session's remembered lines.
inline constexpr std::size_t HISTORY_SEED_LINES = 500;

// The session's file, or "invalid session id: …" for an identifier that is
// not a plain file name (ASCII letters, digits, '-', '.', '_'; not "." or
// "..", and not a device name such as CON or COM1, with or without extension).
std::expected<std::filesystem::path, StoreError> history_path(const std::filesystem::path& config_dir,
                                                              std::string_view session_id);

// Appends one submitted line with the current time. Failures lose the line
// silently. Safe against other processes appending to the same file.
void append_history(const std::filesystem::path& config_dir, std::string_view session_id, std::string_view line);

// Every entry in file order. A missing file is empty; one bad line fails the
// whole load with "history for {id}: bad line: {reason}".
std::expected<std::vector<HistoryEntry>, StoreError> load_history(const std::filesystem::path& config_dir,
                                                                  std::string_view session_id);

// The parsing half of load_history, over a file's content.
std::expected<std::vector<HistoryEntry>, StoreError> parse_history(std::string_view content,
                                                                   std::string_view session_id);

// The lines a starting session remembers: the last 500, oldest first; none
// when the history cannot be read.
std::vector<std::string> seed_history_lines(const std::filesystem::path& config_dir, std::string_view session_id);

// Without a configuration folder a reset does nothing and says so.
enum class ResetOutcome { Done, NoConfigDir };

// Deletes the session's file; a missing file is success.
std::expected<ResetOutcome, StoreError> reset_history(const std::optional<std::filesystem::path>& config_dir,
                                                      std::string_view session_id);

// Deletes the history files in the history folder itself: plain files
// named by a valid session id and ".jsonl"; anything else stays, and a
// history folder that is a link or junction is not entered. The first
// failure stops it. A missing folder is success.
std::expected<ResetOutcome, StoreError> reset_all_history(const std::optional<std::filesystem::path>& config_dir);

}  // namespace ovelin
