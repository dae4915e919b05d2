#include "core/store.hpp"

#include "core/platform.hpp"
#include "core/records_json.hpp"

namespace ovelin {

namespace fs = std::filesystem;

std::string StoreError::message() const {
    if (is_io()) return std::get<std::error_code>(error_).message();
    return std::get<std::string>(error_);
}

std::expected<fs::path, StoreError> config_dir() {
    auto appdata = platform::env_var("APPDATA");
    // An empty value would put the folder beside the current directory.
    if (!appdata || appdata->empty())
        return std::unexpected(StoreError::text("APPDATA environment variable is not set"));
    fs::path dir = platform::utf8_path(*appdata) / "ovelin";
    std::error_code ec;
    fs::create_directories(dir / HISTORY_DIR, ec);
    if (ec) return std::unexpected(StoreError::io(ec));
    return dir;
}

std::expected<void, StoreError> check_schema(std::string_view file_name, std::uint32_t version) {
    if (version <= SUPPORTED_SCHEMA_VERSION) return {};
    return std::unexpected(StoreError::text(std::string(file_name) + ": schema_version " +
                                            std::to_string(version) + " is newer than supported " +
                                            std::to_string(SUPPORTED_SCHEMA_VERSION)));
}

template <class T>
std::expected<std::optional<T>, StoreError> read_json(const fs::path& dir, std::string_view file_name) {
    auto bytes = platform::read_file(dir / platform::utf8_path(file_name));
    if (!bytes) {
        if (platform::is_missing(bytes.error())) return std::optional<T>{};
        return std::unexpected(StoreError::io(bytes.error()));
    }
    auto record = parse_record<T>(*bytes);
    if (!record) return std::unexpected(StoreError::text(std::string(file_name) + ": " + record.error()));
    if (auto ok = check_schema(file_name, record->schema_version); !ok) return std::unexpected(ok.error());
    return std::optional<T>(std::move(*record));
}

template <class T>
StoreResult save_json(const fs::path& dir, std::string_view file_name, const T& record) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return std::unexpected(StoreError::io(ec));

    auto text = to_pretty_json(record);
    if (!text)
        return std::unexpected(StoreError::text(std::string(file_name) + ": serialization: " + text.error()));

    const fs::path target = dir / platform::utf8_path(file_name);
    fs::path tmp = target;
    tmp += ".tmp";
    fs::path bak = target;
    bak += ".bak";

    if (auto werr = platform::write_file(tmp, *text)) return std::unexpected(StoreError::io(werr));

    if (fs::is_regular_file(target, ec)) fs::copy_file(target, bak, fs::copy_options::overwrite_existing, ec);

    if (!platform::rename_replacing(tmp, target)) return {};
    // A platform whose rename cannot replace: remove the target, try again.
    // Between the two steps only the backup holds the last good content.
    if (fs::remove(target, ec); ec) return std::unexpected(StoreError::io(ec));
    if (auto again = platform::rename_replacing(tmp, target)) return std::unexpected(StoreError::io(again));
    return {};
}

template std::expected<std::optional<Settings>, StoreError> read_json<Settings>(const fs::path&, std::string_view);
template std::expected<std::optional<ProfilesFile>, StoreError> read_json<ProfilesFile>(const fs::path&,
                                                                                        std::string_view);
template std::expected<std::optional<AliasesFile>, StoreError> read_json<AliasesFile>(const fs::path&,
                                                                                      std::string_view);
template std::expected<std::optional<SessionsFile>, StoreError> read_json<SessionsFile>(const fs::path&,
                                                                                        std::string_view);
template StoreResult save_json<Settings>(const fs::path&, std::string_view, const Settings&);
template StoreResult save_json<ProfilesFile>(const fs::path&, std::string_view, const ProfilesFile&);
template StoreResult save_json<AliasesFile>(const fs::path&, std::string_view, const AliasesFile&);
template StoreResult save_json<SessionsFile>(const fs::path&, std::string_view, const SessionsFile&);

StoreResult save_settings(const fs::path& dir, const Settings& settings) {
    return save_json(dir, SETTINGS_FILE, settings);
}

StoreResult save_profiles(const fs::path& dir, const std::vector<ConnectionProfile>& profiles) {
    return save_json(dir, PROFILES_FILE, ProfilesFile{SUPPORTED_SCHEMA_VERSION, profiles});
}

StoreResult save_aliases(const fs::path& dir, const std::vector<Alias>& aliases,
                         const std::vector<QuickKey>& quick_keys) {
    return save_json(dir, ALIASES_FILE, AliasesFile{SUPPORTED_SCHEMA_VERSION, aliases, quick_keys});
}

StoreResult save_sessions(const fs::path& dir, const std::vector<SessionRecord>& sessions) {
    return save_json(dir, SESSIONS_FILE, SessionsFile{SUPPORTED_SCHEMA_VERSION, sessions});
}

namespace {
bool exists_now(const fs::path& dir, std::string_view name) {
    std::error_code ec;
    auto st = fs::status(dir / platform::utf8_path(name), ec);
    return !ec && fs::exists(st);
}
}  // namespace

void load_all(const std::optional<fs::path>& dir, Configuration& config) {
    if (!dir) return;

    const bool settings_existed = exists_now(*dir, SETTINGS_FILE);
    if (auto s = read_json<Settings>(*dir, SETTINGS_FILE); s && *s) config.settings = std::move(**s);
    if (!settings_existed) (void)save_settings(*dir, config.settings);

    if (auto p = read_json<ProfilesFile>(*dir, PROFILES_FILE)) {
        if (*p)
            config.profiles = std::move((*p)->profiles);
        else
            config.profiles.clear();
    }

    const bool aliases_existed = exists_now(*dir, ALIASES_FILE);
    if (auto a = read_json<AliasesFile>(*dir, ALIASES_FILE)) {
        if (*a) {
            config.aliases = std::move((*a)->aliases);
            config.quick_keys = std::move((*a)->quick_keys);
        } else {
            config.aliases.clear();
            config.quick_keys.clear();
        }
    }
    if (!aliases_existed) {
        config.quick_keys = default_quick_keys();
        (void)save_aliases(*dir, config.aliases, config.quick_keys);
    }
}

}  // namespace ovelin
