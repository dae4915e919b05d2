#include "core/history.hpp"

#include <fstream>

#include "core/ids.hpp"
#include "core/platform.hpp"
#include "core/quoted.hpp"
#include "core/records_json.hpp"
#include "core/utf.hpp"

namespace ovelin {

namespace fs = std::filesystem;

namespace {

bool is_id_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

// Unicode White_Space, as blank lines are recognised.
bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

bool is_blank(std::string_view line) {
    std::size_t pos = 0;
    while (pos < line.size()) {
        auto cp = next_code_point(line, pos);
        if (!cp || !is_white_space(*cp)) return false;
    }
    return true;
}

// False when the file exists and its last byte is not a line feed: a line
// left unfinished by hand or by a failed write.
bool ends_with_line_feed(const fs::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() <= 0) return true;
    in.seekg(-1, std::ios::end);
    char last = '\n';
    in.get(last);
    return !in || last == '\n';
}

// Removes a file, never a folder; a missing file is not an error.
std::error_code remove_file(const fs::path& p) {
    std::error_code ec;
    auto st = fs::symlink_status(p, ec);
    if (st.type() == fs::file_type::not_found) return {};
    if (ec) return ec;
    if (st.type() == fs::file_type::directory) return std::make_error_code(std::errc::is_a_directory);
    fs::remove(p, ec);
    return ec;
}

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 name devices in every folder,
// whatever extension follows: "history\COM1.jsonl" would open a port.
bool is_device_name(std::string_view id) {
    std::string stem;
    for (char c : id.substr(0, id.find('.'))) stem += ascii_upper(c);
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' &&
           stem[3] <= '9';
}

bool is_valid_session_id(std::string_view id) {
    if (id.empty() || id == "." || id == ".." || is_device_name(id)) return false;
    for (char c : id)
        if (!is_id_char(c)) return false;
    return true;
}

}  // namespace

std::expected<fs::path, StoreError> history_path(const fs::path& config_dir, std::string_view session_id) {
    if (!is_valid_session_id(session_id))
        return std::unexpected(StoreError::text("invalid session id: " + debug_quoted(session_id)));
    return config_dir / platform::utf8_path(HISTORY_DIR) / platform::utf8_path(std::string(session_id) + ".jsonl");
}

void append_history(const fs::path& config_dir, std::string_view session_id, std::string_view line) {
    auto path = history_path(config_dir, session_id);
    if (!path) return;
    std::error_code ec;
    fs::create_directories(path->parent_path(), ec);
    if (ec) return;
    auto json = to_compact_json(HistoryEntry{unix_seconds(), std::string(line)});
    if (!json) return;

    // One write per entry: appenders in other processes never split it.
    // After an unfinished last line the entry starts on a line of its own
    // instead of merging into it; the extra line feed only adds a blank line.
    std::string record;
    if (!ends_with_line_feed(*path)) record += '\n';
    record += *json;
    record += '\n';
    (void)platform::append_file_shared(*path, record);
}

std::expected<std::vector<HistoryEntry>, StoreError> parse_history(std::string_view content,
                                                                   std::string_view session_id) {
    std::vector<HistoryEntry> entries;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view{} : content.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (is_blank(line)) continue;
        auto entry = parse_record<HistoryEntry>(line);
        if (!entry)
            return std::unexpected(
                StoreError::text("history for " + std::string(session_id) + ": bad line: " + entry.error()));
        entries.push_back(std::move(*entry));
    }
    return entries;
}

std::expected<std::vector<HistoryEntry>, StoreError> load_history(const fs::path& config_dir,
                                                                  std::string_view session_id) {
    auto path = history_path(config_dir, session_id);
    if (!path) return std::unexpected(path.error());
    auto bytes = platform::read_file(*path);
    if (!bytes) {
        if (platform::is_missing(bytes.error())) return std::vector<HistoryEntry>{};
        return std::unexpected(StoreError::io(bytes.error()));
    }
    return parse_history(*bytes, session_id);
}

std::vector<std::string> seed_history_lines(const fs::path& config_dir, std::string_view session_id) {
    auto entries = load_history(config_dir, session_id);
    if (!entries) return {};
    std::vector<std::string> lines;
    const std::size_t skip = entries->size() > HISTORY_SEED_LINES ? entries->size() - HISTORY_SEED_LINES : 0;
    for (std::size_t i = skip; i < entries->size(); ++i) lines.push_back(std::move((*entries)[i].line));
    return lines;
}

std::expected<ResetOutcome, StoreError> reset_history(const std::optional<fs::path>& config_dir,
                                                      std::string_view session_id) {
    if (!config_dir) return ResetOutcome::NoConfigDir;
    auto path = history_path(*config_dir, session_id);
    if (!path) return std::unexpected(path.error());
    if (auto ec = remove_file(*path)) return std::unexpected(StoreError::io(ec));
    return ResetOutcome::Done;
}

std::expected<ResetOutcome, StoreError> reset_all_history(const std::optional<fs::path>& config_dir) {
    if (!config_dir) return ResetOutcome::NoConfigDir;
    const fs::path folder = *config_dir / platform::utf8_path(HISTORY_DIR);
    switch (platform::entry_kind(folder)) {
        case platform::EntryKind::Missing: return ResetOutcome::Done;
        case platform::EntryKind::Folder: break;
        // A junction or link would lead the deletions into another folder.
        default: return std::unexpected(StoreError::text("history is not a plain folder; nothing was deleted"));
    }
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        // Only what this program writes there: a history file of a valid
        // session id, itself a plain file.
        const std::string name = platform::path_utf8(it->path().filename());
        if (!name.ends_with(".jsonl") || !is_valid_session_id(name.substr(0, name.size() - 6))) continue;
        if (platform::entry_kind(it->path()) == platform::EntryKind::File) files.push_back(it->path());
    }
    if (ec) return std::unexpected(StoreError::io(ec));
    for (const fs::path& file : files)
        if (auto err = remove_file(file)) return std::unexpected(StoreError::io(err));
    return ResetOutcome::Done;
}

}  // namespace ovelin
