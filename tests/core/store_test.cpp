#include <gtest/gtest.h>
#include <algorithm>

#include <chrono>
#include <thread>

#include "core/platform.hpp"
#include "core/records_json.hpp"
#include "core/store.hpp"
#include "support/default_files.hpp"
#include "support/env.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::TempDir;
using testing::write_text;

std::vector<std::string> files_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Store, ConfigDirNeedsAppData) {
    TempDir tmp;
    {
        testing::ScopedEnv env("APPDATA", std::nullopt);
        auto dir = config_dir();
        ASSERT_FALSE(dir.has_value());
        EXPECT_EQ(dir.error().message(), "APPDATA environment variable is not set");
    }
    {
        testing::ScopedEnv env("APPDATA", tmp.path().string());
        auto dir = config_dir();
        ASSERT_TRUE(dir.has_value());
        EXPECT_EQ(*dir, tmp.path() / "ovelin");
        EXPECT_TRUE(fs::is_directory(tmp.path() / "ovelin" / "history"));
    }
    {
        write_text(tmp.path() / "blocker", "x");
        testing::ScopedEnv env("APPDATA", (tmp.path() / "blocker").string());
        auto dir = config_dir();
        ASSERT_FALSE(dir.has_value());
        EXPECT_TRUE(dir.error().is_io());
    }
}

TEST(Store, FirstStartWritesSettingsAndDefaultQuickKeys) {
    TempDir tmp;
    Configuration config;
    load_all(tmp.path(), config);
    EXPECT_EQ(config.settings, default_settings());
    EXPECT_TRUE(config.profiles.empty());
    EXPECT_TRUE(config.aliases.empty());
    EXPECT_EQ(config.quick_keys, default_quick_keys());
    EXPECT_EQ(files_in(tmp.path()), (std::vector<std::string>{"aliases.json", "settings.json"}));
    EXPECT_EQ(read_text(tmp.path() / "settings.json"), testing::DEFAULT_SETTINGS_JSON);
    EXPECT_EQ(read_text(tmp.path() / "aliases.json"), testing::DEFAULT_ALIASES_JSON);

    // A second start reads them back and writes nothing.
    Configuration again;
    load_all(tmp.path(), again);
    EXPECT_EQ(again.quick_keys, default_quick_keys());
    EXPECT_EQ(files_in(tmp.path()), (std::vector<std::string>{"aliases.json", "settings.json"}));
}

TEST(Store, BadFilesGiveDefaultsAndStayUntouched) {
    const struct {
        const char* name;
        const char* file;
        const char* content;
    } cases[] = {
        {"newer settings", "settings.json",
         R"({"schema_version": 2, "close_to_tray": false, "restore_sessions_on_start": true,
             "track_history": false, "sync_mode": "local"})"},
        {"whitespace-only settings", "settings.json", "  \r\n  "},
        {"malformed settings", "settings.json", "{\"close_to_tray\": tru"},
        {"duplicate-keyed settings", "settings.json",
         R"({"close_to_tray": false, "close_to_tray": false, "restore_sessions_on_start": true,
             "track_history": false, "sync_mode": "local"})"},
        {"malformed profiles", "profiles.json", R"({"schema_version": 1, "profiles": [{"id": 1}]})"},
        {"newer profiles", "profiles.json", R"({"schema_version": 7, "profiles": []})"},
        {"unknown kind", "profiles.json",
         R"({"schema_version":1,"profiles":[{"id":"a","name":"n","kind":{"type":"x"}}]})"},
        {"malformed aliases", "aliases.json", "[]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir tmp;
        write_text(tmp.path() / c.file, c.content);
        // Companion files must exist for the untouched parts so nothing else is written.
        if (std::string(c.file) != "settings.json")
            write_text(tmp.path() / "settings.json", testing::DEFAULT_SETTINGS_JSON);
        if (std::string(c.file) != "aliases.json")
            write_text(tmp.path() / "aliases.json", testing::DEFAULT_ALIASES_JSON);
        Configuration config;
        load_all(tmp.path(), config);
        EXPECT_EQ(config.settings, default_settings());
        EXPECT_TRUE(config.profiles.empty());
        EXPECT_EQ(read_text(tmp.path() / c.file), c.content);
        EXPECT_FALSE(fs::exists(tmp.path() / (std::string(c.file) + ".bak")));
        EXPECT_FALSE(fs::exists(tmp.path() / (std::string(c.file) + ".tmp")));
    }
}

TEST(Store, ReadErrorsCarryTheBareFileName) {
    TempDir tmp;
    write_text(tmp.path() / "settings.json", " ");
    auto r = read_json<Settings>(tmp.path(), SETTINGS_FILE);
    ASSERT_FALSE(r.has_value());
    EXPECT_TRUE(r.error().message().starts_with("settings.json: ")) << r.error().message();
    EXPECT_EQ(r.error().message().find(tmp.path().string()), std::string::npos);

    write_text(tmp.path() / "sessions.json", R"({"schema_version": 3, "sessions": []})");
    auto s = read_json<SessionsFile>(tmp.path(), SESSIONS_FILE);
    ASSERT_FALSE(s.has_value());
    EXPECT_EQ(s.error().message(), "sessions.json: schema_version 3 is newer than supported 1");

    fs::create_directory(tmp.path() / "profiles.json");  // exists, but cannot be read as a file
    auto p = read_json<ProfilesFile>(tmp.path(), PROFILES_FILE);
    ASSERT_FALSE(p.has_value());
    EXPECT_TRUE(p.error().is_io());

    auto missing = read_json<AliasesFile>(tmp.path(), ALIASES_FILE);
    ASSERT_TRUE(missing.has_value());
    EXPECT_FALSE(missing->has_value());
}

TEST(Store, CheckSchemaAcceptsZeroAndOne) {
    EXPECT_TRUE(check_schema("x.json", 0).has_value());
    EXPECT_TRUE(check_schema("x.json", 1).has_value());
    ASSERT_FALSE(check_schema("x.json", 2).has_value());
    EXPECT_EQ(check_schema("x.json", 2).error().message(), "x.json: schema_version 2 is newer than supported 1");
}

TEST(Store, SavesKeepTheEarlierContentAsBackup) {
    TempDir tmp;
    fs::path dir = tmp.path() / "deep" / "er";
    SessionRecord one{"s-1-0", {}, {}, {}, {}};
    SessionRecord two{"s-1-1", "p-1-0", "t", "g", 4};

    ASSERT_TRUE(save_sessions(dir, {one}).has_value());
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"sessions.json"}));  // no backup on first save
    const std::string first = read_text(dir / "sessions.json");

    ASSERT_TRUE(save_sessions(dir, {one, two}).has_value());
    EXPECT_EQ(read_text(dir / "sessions.json.bak"), first);
    EXPECT_EQ(parse_record<SessionsFile>(read_text(dir / "sessions.json")).value().sessions,
              (std::vector<SessionRecord>{one, two}));
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"sessions.json", "sessions.json.bak"}));
}

TEST(Store, FailedTemporaryWriteLeavesTheTargetAlone) {
    TempDir tmp;
    ASSERT_TRUE(save_profiles(tmp.path(), {}).has_value());
    const std::string before = read_text(tmp.path() / "profiles.json");
    fs::create_directory(tmp.path() / "profiles.json.tmp");  // the temporary file cannot be written
    auto r = save_profiles(tmp.path(), {{"p", "n", LocalShell{"x"}, {}, {}}});
    ASSERT_FALSE(r.has_value());
    EXPECT_TRUE(r.error().is_io());
    EXPECT_EQ(read_text(tmp.path() / "profiles.json"), before);
}

}  // namespace
}  // namespace ovelin

#ifdef _WIN32
namespace ovelin {
namespace {

// Another program reading the target without delete sharing holds up the
// replace only while it has the file open.
TEST(Store, ReplaceWaitsForABriefReaderOfTheTarget) {
    TempDir tmp;
    ASSERT_TRUE(save_sessions(tmp.path(), {}).has_value());
    const auto target = tmp.path() / "sessions.json";
    HANDLE reader = ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the reader's hold, not a wait
        ::CloseHandle(reader);
    });
    const SessionRecord one{"s-1", {}, {}, {}, {}};
    auto saved = save_sessions(tmp.path(), {one});
    release.join();
    EXPECT_TRUE(saved.has_value()) << saved.error().message();
    EXPECT_EQ(parse_record<SessionsFile>(read_text(target)).value().sessions, std::vector<SessionRecord>{one});
}

// Once in place the new file is let go of: most programs open a file without
// delete sharing, which a handle kept with delete access would refuse.
TEST(Store, AReplacedFileIsFreeForAnyReader) {
    TempDir tmp;
    const auto target = tmp.path() / "x.json";
    auto held = platform::HeldTemp::acquire(tmp.path() / "x.json.tmp");
    ASSERT_TRUE(held.has_value());
    ASSERT_FALSE(held->write("{}"));
    ASSERT_FALSE(held->replace(target));
    HANDLE reader = ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << ::GetLastError();
    ::CloseHandle(reader);
}
}  // namespace
}  // namespace ovelin
#endif
