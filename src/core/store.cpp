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

namespace {

fs::path companion(const fs::path& target, std::string_view suffix) {
    fs::path p = target;
    p += platform::utf8_path(suffix);
    return p;
}

// The file's bytes; nullopt when it does not exist.
std::expected<std::optional<std::string>, StoreError> read_bytes(const fs::path& file) {
    auto bytes = platform::read_file(file);
    if (!bytes) {
        if (platform::is_missing(bytes.error())) return std::optional<std::string>{};
        return std::unexpected(StoreError::io(bytes.error()));
    }
    return std::optional<std::string>(std::move(*bytes));
}

template <class T>
std::expected<T, StoreError> decode(std::string_view file_name, std::string_view bytes) {
    auto record = parse_record<T>(bytes);
    if (!record) return std::unexpected(StoreError::text(std::string(file_name) + ": " + record.error()));
    if (auto ok = check_schema(file_name, record->schema_version); !ok) return std::unexpected(ok.error());
    return std::move(*record);
}

// Content that did not load is about to be replaced: it goes to
// "<name>.unreadable" unless an earlier one is there, which stays; then it
// becomes the backup like any earlier content. Either way the text the
// user wrote survives this save.
void keep_unloadable(const fs::path& target, const std::string& bytes) {
    if (!platform::write_new_file(companion(target, ".unreadable"), bytes)) return;
    (void)platform::write_file(companion(target, ".bak"), bytes);
}

template <class T>
StoreResult save_locked(const fs::path& dir, std::string_view file_name, SeenFile* seen, const Compose<T>& compose) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return std::unexpected(StoreError::io(ec));

    const fs::path target = dir / platform::utf8_path(file_name);
    auto held = platform::HeldTemp::acquire(companion(target, ".tmp"));
    if (!held) return std::unexpected(StoreError::io(held.error()));

    // Until the rename below no other writer of this file gets past
    // acquire(), so what is read here is what gets replaced.
    auto now = read_bytes(target);
    std::optional<T> there;
    if (now && *now)
        if (auto record = decode<T>(file_name, **now)) there = std::move(*record);
    const bool unchanged = !seen || (seen->known && now && *now == seen->bytes);
    auto record = compose(!unchanged && there ? &*there : nullptr);
    if (!record) {
        if (seen) *seen = now ? SeenFile{true, *now} : SeenFile{};
        return {};
    }

    auto text = to_pretty_json(*record);
    if (!text)
        return std::unexpected(StoreError::text(std::string(file_name) + ": serialization: " + text.error()));
    if (auto werr = held->write(*text)) return std::unexpected(StoreError::io(werr));

    if (now && *now) {
        if (there)
            (void)platform::write_file(companion(target, ".bak"), **now, false);  // a copy, not worth a flush
        else
            keep_unloadable(target, **now);
    }
    // One step: a reader finds the old content or the new, never neither.
    if (auto rerr = held->replace(target)) return std::unexpected(StoreError::io(rerr));
    if (seen) *seen = SeenFile{true, std::move(*text)};
    return {};
}

}  // namespace

template <class T>
std::expected<std::optional<T>, StoreError> read_json(const fs::path& dir, std::string_view file_name) {
    auto bytes = read_bytes(dir / platform::utf8_path(file_name));
    if (!bytes) return std::unexpected(bytes.error());
    if (!*bytes) return std::optional<T>{};
    auto record = decode<T>(file_name, **bytes);
    if (!record) return std::unexpected(record.error());
    return std::optional<T>(std::move(*record));
}

template <class T>
Loaded<T> load_json(const fs::path& dir, std::string_view file_name) {
    Loaded<T> out;
    const fs::path target = dir / platform::utf8_path(file_name);
    std::optional<StoreError> error;
    if (auto bytes = read_bytes(target); !bytes) {
        error = bytes.error();
    } else {
        out.seen = SeenFile{true, *bytes};
        if (!*bytes) {
            // Missing: a save that failed half-way under an older version
            // (or a hand) may have left only the backup.
        } else if (auto record = decode<T>(file_name, **bytes)) {
            out.record = std::move(*record);
            return out;
        } else {
            error = record.error();
        }
    }
    if (auto backup = read_bytes(companion(target, ".bak")); backup && *backup)
        if (auto record = decode<T>(file_name, **backup)) out.record = std::move(*record);
    if (error || out.record) out.problem = LoadProblem{std::string(file_name), error, out.record.has_value()};
    return out;
}

template <class T>
StoreResult save_json(const fs::path& dir, std::string_view file_name, const T& record) {
    return save_locked<T>(dir, file_name, nullptr, [&](const T*) { return std::optional<T>(record); });
}

template <class T>
StoreResult save_json_merging(const fs::path& dir, std::string_view file_name, SeenFile& seen,
                              const Compose<T>& compose) {
    return save_locked<T>(dir, file_name, &seen, compose);
}

#define OVELIN_STORE_FILE(T)                                                                           \
    template std::expected<std::optional<T>, StoreError> read_json<T>(const fs::path&, std::string_view); \
    template Loaded<T> load_json<T>(const fs::path&, std::string_view);                                \
    template StoreResult save_json<T>(const fs::path&, std::string_view, const T&);                    \
    template StoreResult save_json_merging<T>(const fs::path&, std::string_view, SeenFile&, const Compose<T>&);
OVELIN_STORE_FILE(Settings)
OVELIN_STORE_FILE(ProfilesFile)
OVELIN_STORE_FILE(AliasesFile)
OVELIN_STORE_FILE(SessionsFile)
#undef OVELIN_STORE_FILE

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

void load_all(const std::optional<fs::path>& dir, Configuration& config) {
    if (!dir) return;
    auto note = [&](std::optional<LoadProblem>& problem) {
        if (problem) config.load_problems.push_back(std::move(*problem));
    };
    // Missing and no backup either: a first start, which writes the file.
    auto missing = [](const auto& loaded) { return loaded.seen.known && !loaded.seen.bytes && !loaded.record; };

    auto settings = load_json<Settings>(*dir, SETTINGS_FILE);
    note(settings.problem);
    if (settings.record) config.settings = std::move(*settings.record);
    // A file restored from its backup is written back as well.
    if (settings.seen.known && !settings.seen.bytes) (void)save_settings(*dir, config.settings);

    auto profiles = load_json<ProfilesFile>(*dir, PROFILES_FILE);
    note(profiles.problem);
    if (profiles.record)
        config.profiles = std::move(profiles.record->profiles);
    else if (missing(profiles))
        config.profiles.clear();
    config.profiles_seen = std::move(profiles.seen);

    auto aliases = load_json<AliasesFile>(*dir, ALIASES_FILE);
    note(aliases.problem);
    config.aliases_seen = std::move(aliases.seen);
    if (aliases.record) {
        config.aliases = std::move(aliases.record->aliases);
        config.quick_keys = std::move(aliases.record->quick_keys);
    } else if (missing(aliases)) {
        config.aliases.clear();
        config.quick_keys = default_quick_keys();
    }
    if (!config.aliases_seen.known || config.aliases_seen.bytes) return;
    // Another window starting at the same moment may have written the
    // file since: then its content is taken, not overwritten.
    (void)save_json_merging<AliasesFile>(
        *dir, ALIASES_FILE, config.aliases_seen, [&](const AliasesFile* meanwhile) -> std::optional<AliasesFile> {
            if (meanwhile) {
                config.aliases = meanwhile->aliases;
                config.quick_keys = meanwhile->quick_keys;
                return std::nullopt;
            }
            return AliasesFile{SUPPORTED_SCHEMA_VERSION, config.aliases, config.quick_keys};
        });
}

}  // namespace ovelin
