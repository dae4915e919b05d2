// Files that must not be lost: deep nesting refused with its position, a
// file that does not load kept aside and its backup read instead, saves
// composed with what another writer saved, and concurrent writers.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/history.hpp"
#include "core/platform.hpp"
#include "core/records_json.hpp"
#include "core/store.hpp"
#include "support/default_files.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::TempDir;
using testing::write_text;

std::string nest(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// A settings file with arrays nested under an unknown key: the object is
// the first level, so the value adds depth - 1.
std::string settings_nested(std::size_t depth) {
    return R"({"x":)" + nest(depth - 1) +
           R"(,"close_to_tray":false,"restore_sessions_on_start":false,"track_history":true,"sync_mode":"local"})";
}

TEST(StoreRecovery, NestingDeeperThan64IsMalformedAsAFileAndAsAHistoryLine) {
    const struct {
        std::size_t depth;
        bool loads;
    } cases[] = {{63, true}, {64, true}, {65, false}, {100000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.depth);
        TempDir tmp;
        write_text(tmp.path() / "settings.json", settings_nested(c.depth));
        Configuration config;
        load_all(tmp.path(), config);
        EXPECT_EQ(config.settings.close_to_tray, !c.loads);
        // The 65th opening bracket, after {"x": on line 1.
        const std::string where = "nesting deeper than 64 levels at line 1 column 69";
        if (c.loads) {
            EXPECT_TRUE(config.load_problems.empty());
        } else {
            ASSERT_EQ(config.load_problems.size(), 1u);
            EXPECT_EQ(config.load_problems[0].error->message(), "settings.json: " + where);
        }

        const std::string line = R"({"ts":1,"line":"b","x":)" + nest(c.depth - 1) + "}";
        fs::create_directories(tmp.path() / "history");
        write_text(tmp.path() / "history" / "s-1.jsonl", "{\"ts\":1,\"line\":\"a\"}\n" + line + "\n");
        auto history = load_history(tmp.path(), "s-1");
        EXPECT_EQ(history.has_value(), c.loads);
        if (!c.loads) {
            EXPECT_EQ(history.error().message(),
                      "history for s-1: bad line: nesting deeper than 64 levels at line 1 column 87");
        }
    }
}

const char BAD[] = R"({"schema_version": 1, "profiles": [{"id": "p"}]})";
const char NEWER[] = R"({"schema_version": 2, "profiles": []})";

std::string profiles_text(const std::string& name) {
    return to_pretty_json(ProfilesFile{1, {{"p-1", name, LocalShell{"cmd"}, {}, {}}}}).value();
}

// What loads, what is said, and where every text is after one save.
TEST(StoreRecovery, AFileThatDoesNotLoadIsKeptAsideAndItsBackupLoads) {
    const std::string good_bak = profiles_text("from backup");
    const std::string old_unreadable = "kept from before";
    const struct {
        const char* name;
        std::optional<std::string> file, bak, unreadable;
        std::optional<std::string> loaded;  // the profile name
        std::string said;                   // the problem, "" for none
        bool from_backup;
        // After a save: the backup and the set-aside file.
        std::optional<std::string> bak_after, unreadable_after;
    } cases[] = {
        {"malformed", BAD, {}, {}, {}, "profiles.json: missing field `name` at line 1 column 46", false, {}, BAD},
        {"newer", NEWER, {}, {}, {}, "profiles.json: schema_version 2 is newer than supported 1", false, {}, NEWER},
        {"malformed, backup good", BAD, good_bak, {}, "from backup",
         "profiles.json: missing field `name` at line 1 column 46", true, good_bak, BAD},
        {"missing, backup good", {}, good_bak, {}, "from backup", "", true, good_bak, {}},
        {"missing, backup bad", {}, BAD, {}, {}, "", false, BAD, {}},
        {"an earlier one is not replaced", BAD, good_bak, old_unreadable, "from backup",
         "profiles.json: missing field `name` at line 1 column 46", true, BAD, old_unreadable},
        {"loads", profiles_text("file"), good_bak, {}, "file", "", false, profiles_text("file"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir tmp;
        const fs::path file = tmp.path() / "profiles.json";
        if (c.file) write_text(file, *c.file);
        if (c.bak) write_text(tmp.path() / "profiles.json.bak", *c.bak);
        if (c.unreadable) write_text(tmp.path() / "profiles.json.unreadable", *c.unreadable);

        auto loaded = load_json<ProfilesFile>(tmp.path(), PROFILES_FILE);
        ASSERT_EQ(loaded.record.has_value(), c.loaded.has_value());
        if (c.loaded) {
            EXPECT_EQ(loaded.record->profiles.at(0).name, *c.loaded);
        }
        const bool said = !c.said.empty() || c.from_backup;
        ASSERT_EQ(loaded.problem.has_value(), said);
        if (said) {
            EXPECT_EQ(loaded.problem->file, "profiles.json");
            EXPECT_EQ(loaded.problem->error ? loaded.problem->error->message() : "", c.said);
            EXPECT_EQ(loaded.problem->from_backup, c.from_backup);
        }
        if (c.file) {
            EXPECT_EQ(read_text(file), *c.file) << "loading writes nothing";
        }

        ASSERT_TRUE(save_profiles(tmp.path(), {}).has_value());
        EXPECT_EQ(read_text(file), to_pretty_json(ProfilesFile{1, {}}).value());
        EXPECT_EQ(fs::exists(tmp.path() / "profiles.json.bak"), c.bak_after.has_value());
        if (c.bak_after) {
            EXPECT_EQ(read_text(tmp.path() / "profiles.json.bak"), *c.bak_after);
        }
        EXPECT_EQ(fs::exists(tmp.path() / "profiles.json.unreadable"), c.unreadable_after.has_value());
        if (c.unreadable_after) {
            EXPECT_EQ(read_text(tmp.path() / "profiles.json.unreadable"), *c.unreadable_after);
        }
    }
}

// A save sees what another writer saved since this process last read or
// wrote the file, and may write nothing at all.
TEST(StoreRecovery, ASaveIsComposedWithWhatAnotherWriterSavedMeanwhile) {
    const std::string mine = profiles_text("mine"), theirs = profiles_text("theirs");
    enum Seen { Mine, Missing, Never };  // what this process last read or wrote
    const struct {
        const char* name;
        std::optional<std::string> on_disk;
        Seen seen;
        std::optional<std::string> meanwhile;  // what the composer is shown
        bool write;
    } cases[] = {
        {"unchanged", mine, Mine, {}, true},
        {"changed", theirs, Mine, "theirs", true},
        {"created meanwhile, not taken over", theirs, Missing, "theirs", false},
        {"never read", theirs, Never, "theirs", true},
        {"deleted meanwhile", {}, Mine, {}, true},
        {"changed to something that does not load", BAD, Mine, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir tmp;
        if (c.on_disk) write_text(tmp.path() / "profiles.json", *c.on_disk);
        SeenFile seen;
        if (c.seen != Never) seen = SeenFile{true, c.seen == Mine ? std::optional(mine) : std::nullopt};
        std::optional<std::string> shown;
        auto saved = save_json_merging<ProfilesFile>(
            tmp.path(), PROFILES_FILE, seen, [&](const ProfilesFile* meanwhile) -> std::optional<ProfilesFile> {
                if (meanwhile) shown = meanwhile->profiles.at(0).name;
                if (!c.write) return std::nullopt;
                return ProfilesFile{1, {{"p-2", "written", LocalShell{"sh"}, {}, {}}}};
            });
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(shown, c.meanwhile);
        const std::string now = read_text(tmp.path() / "profiles.json");
        EXPECT_EQ(now, c.write ? to_pretty_json(ProfilesFile{1, {{"p-2", "written", LocalShell{"sh"}, {}, {}}}}).value()
                               : *c.on_disk);
        EXPECT_TRUE(seen.known);
        EXPECT_EQ(seen.bytes, std::optional<std::string>(now)) << "the next save compares with this";
    }
}

// Two writers saving one file a thousand times between them while a third
// reads it: the reader always finds a whole file, one of the two records.
TEST(StoreRecovery, TwoWritersAndAReaderNeverMeetAMissingOrPartialFile) {
    TempDir tmp;
    Settings a = default_settings();
    Settings b = default_settings();
    b.close_to_tray = false;
    b.default_working_dir = std::string(20000, 'x');  // takes several writes
    ASSERT_TRUE(save_settings(tmp.path(), a).has_value());

    constexpr int saves = 500;  // each
    std::atomic<int> writers_left{2};
    std::atomic<int> failed_saves{0};
    auto writer = [&](const Settings& s) {
        for (int i = 0; i < saves; ++i)
            if (!save_settings(tmp.path(), s)) ++failed_saves;
        --writers_left;
    };
    std::thread first(writer, std::cref(a));
    std::thread second(writer, std::cref(b));
    int reads = 0;
    std::string problem;
    while (writers_left > 0 || reads == 0) {
        auto bytes = platform::read_file(tmp.path() / "settings.json");
        ++reads;
        if (!bytes) {
            problem = "missing: " + bytes.error().message();
            break;
        }
        auto record = parse_record<Settings>(*bytes);
        if (!record || !(*record == a || *record == b)) {
            problem = "partial: " + std::to_string(bytes->size()) + " bytes";
            break;
        }
    }
    first.join();
    second.join();
    EXPECT_EQ(problem, "") << "after " << reads << " reads";
    EXPECT_EQ(failed_saves, 0);
    EXPECT_GT(reads, 1);
}

}  // namespace
}  // namespace ovelin
