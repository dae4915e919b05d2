#pragma once
// The configuration folder and the one way its JSON files are read and
// written: whole files, through a temporary file and a backup copy. A file
// that does not load is never lost: its backup is read instead, and the
// first save over it keeps it as "<name>.unreadable".

#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "core/records.hpp"

namespace ovelin {

inline constexpr std::string_view SETTINGS_FILE = "settings.json";
inline constexpr std::string_view PROFILES_FILE = "profiles.json";
inline constexpr std::string_view ALIASES_FILE = "aliases.json";
inline constexpr std::string_view SESSIONS_FILE = "sessions.json";
inline constexpr std::string_view HISTORY_DIR = "history";

// An operating-system error, or a message text.
class StoreError {
public:
    static StoreError io(std::error_code ec) { return StoreError(ec); }
    static StoreError text(std::string message) { return StoreError(std::move(message)); }

    bool is_io() const { return std::holds_alternative<std::error_code>(error_); }
    std::error_code code() const { return is_io() ? std::get<std::error_code>(error_) : std::error_code{}; }
    std::string message() const;

private:
    explicit StoreError(std::variant<std::error_code, std::string> e) : error_(std::move(e)) {}
    std::variant<std::error_code, std::string> error_;
};

using StoreResult = std::expected<void, StoreError>;

// %APPDATA%\ovelin, created together with its "history" folder.
std::expected<std::filesystem::path, StoreError> config_dir();

std::expected<void, StoreError> check_schema(std::string_view file_name, std::uint32_t version);

// Reads one file as T; nullopt when the file does not exist.
template <class T>
std::expected<std::optional<T>, StoreError> read_json(const std::filesystem::path& dir,
                                                      std::string_view file_name);

// What this process last read from or wrote to one file: its bytes, or
// nullopt when it did not exist. A save compares it with the file on disk
// to notice that another process wrote the file in between.
struct SeenFile {
    bool known = false;  // false until read or written, or after a read error
    std::optional<std::string> bytes;
};

// A file that did not load, or that was missing while its backup was there.
struct LoadProblem {
    std::string file;                 // the bare name
    std::optional<StoreError> error;  // why it did not load; none when it was missing
    bool from_backup = false;         // its ".bak" was loaded instead
};

template <class T>
struct Loaded {
    std::optional<T> record;  // the file's or its backup's; nullopt when neither loaded
    std::optional<LoadProblem> problem;
    SeenFile seen;  // the file itself, as read
};

// Reads one file as T; when it is missing or does not load, its ".bak".
template <class T>
Loaded<T> load_json(const std::filesystem::path& dir, std::string_view file_name);

// Writes T pretty-printed via file.tmp, keeping the old content in file.bak
// (or, when the old content does not load, in file.unreadable if there is
// none yet). The target is replaced in one step; writers of one file take
// turns on the temporary file.
template <class T>
StoreResult save_json(const std::filesystem::path& dir, std::string_view file_name, const T& record);

// Decides what a save writes, once the save has the file to itself:
// `written_meanwhile` is what another process saved since `seen`, or
// nullptr when nobody did (or what is there does not load). nullopt
// writes nothing.
template <class T>
using Compose = std::function<std::optional<T>(const T* written_meanwhile)>;

// save_json for a record that others may be saving too; `seen` is brought
// up to what is on disk afterwards.
template <class T>
StoreResult save_json_merging(const std::filesystem::path& dir, std::string_view file_name, SeenFile& seen,
                              const Compose<T>& compose);

StoreResult save_settings(const std::filesystem::path& dir, const Settings& settings);
StoreResult save_profiles(const std::filesystem::path& dir, const std::vector<ConnectionProfile>& profiles);
StoreResult save_aliases(const std::filesystem::path& dir, const std::vector<Alias>& aliases,
                         const std::vector<QuickKey>& quick_keys);
StoreResult save_sessions(const std::filesystem::path& dir, const std::vector<SessionRecord>& sessions);

// The loaded configuration: each part keeps its current value when its file
// is unreadable, malformed or newer (and its backup no better); a first
// start writes the defaults.
struct Configuration {
    Settings settings;
    std::vector<ConnectionProfile> profiles;
    std::vector<Alias> aliases;
    std::vector<QuickKey> quick_keys;
    // profiles.json and aliases.json as this process last read or wrote them.
    SeenFile profiles_seen;
    SeenFile aliases_seen;
    // The files that did not load at start, for the one report the user gets.
    std::vector<LoadProblem> load_problems;
};

void load_all(const std::optional<std::filesystem::path>& dir, Configuration& config);

}  // namespace ovelin
