#pragma once
// The configuration folder and the one way its JSON files are read and
// written: whole files, through a temporary file and a backup copy.

#include <expected>
#include <filesystem>
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

// Writes T pretty-printed via file.tmp, keeping the old content in file.bak.
template <class T>
StoreResult save_json(const std::filesystem::path& dir, std::string_view file_name, const T& record);

StoreResult save_settings(const std::filesystem::path& dir, const Settings& settings);
StoreResult save_profiles(const std::filesystem::path& dir, const std::vector<ConnectionProfile>& profiles);
StoreResult save_aliases(const std::filesystem::path& dir, const std::vector<Alias>& aliases,
                         const std::vector<QuickKey>& quick_keys);
StoreResult save_sessions(const std::filesystem::path& dir, const std::vector<SessionRecord>& sessions);

// The loaded configuration: each part keeps its current value when its file
// is unreadable, malformed or newer; a first start writes the defaults.
struct Configuration {
    Settings settings;
    std::vector<ConnectionProfile> profiles;
    std::vector<Alias> aliases;
    std::vector<QuickKey> quick_keys;
};

void load_all(const std::optional<std::filesystem::path>& dir, Configuration& config);

}  // namespace ovelin
