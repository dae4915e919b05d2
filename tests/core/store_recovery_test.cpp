// Files that must not be lost: deep nesting refused with its position,
// saves composed with what another writer saved, and concurrent writers.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/history.hpp"
#include "core/platform.hpp"
#include "core/records_json.hpp"
#include "core/store.hpp"
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

std::string profiles_text(const std::string& name) {
    return to_pretty_json(ProfilesFile{1, {{"p-1", name, LocalShell{"cmd"}, {}, {}}}}).value();
}

// A save sees what another writer saved since this process last read or
// wrote the file, and may write nothing at all.
TEST(StoreRecovery, ASaveIsComposedWithWhatAnotherWriterSavedMeanwhile) {
    const std::string mine = profiles_text("mine"), theirs = profiles_text("theirs");
    const std::string written = profiles_text("written");
    const struct {
        const char* name;
        std::string on_disk;
        bool seen_missing;  // else this process last saw `mine`
        std::optional<std::string> shown;
        bool write;
    } cases[] = {
        {"unchanged", mine, false, {}, true},
        {"changed", theirs, false, "theirs", true},
        {"created meanwhile, taken over", theirs, true, "theirs", false},
        {"changed to something that does not load", BAD, false, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir tmp;
        write_text(tmp.path() / "profiles.json", c.on_disk);
        SeenFile seen{true, c.seen_missing ? std::nullopt : std::optional(mine)};
        std::optional<std::string> shown;
        auto compose = [&](const ProfilesFile* meanwhile) -> std::optional<ProfilesFile> {
            if (meanwhile) shown = meanwhile->profiles.at(0).name;
            if (!c.write) return std::nullopt;
            return parse_record<ProfilesFile>(written).value();
        };
        ASSERT_TRUE(save_json_merging<ProfilesFile>(tmp.path(), PROFILES_FILE, seen, compose));
        EXPECT_EQ(shown, c.shown);
        const std::string now = read_text(tmp.path() / "profiles.json");
        EXPECT_EQ(now, c.write ? written : c.on_disk);
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

    std::atomic<int> writers_left{2}, failed_saves{0};
    auto writer = [&](const Settings& s) {
        for (int i = 0; i < 500; ++i) failed_saves += save_settings(tmp.path(), s) ? 0 : 1;
        --writers_left;
    };
    std::thread first(writer, std::cref(a)), second(writer, std::cref(b));
    int reads = 0;
    std::string problem;
    while (problem.empty() && (writers_left > 0 || reads == 0)) {
        auto bytes = platform::read_file(tmp.path() / "settings.json");
        auto record = bytes ? parse_record<Settings>(*bytes) : std::unexpected(bytes.error().message());
        if (!record || !(*record == a || *record == b))
            problem = bytes ? "partial: " + std::to_string(bytes->size()) + " bytes" : "missing: " + record.error();
        ++reads;
    }
    first.join();
    second.join();
    EXPECT_EQ(problem, "") << "after " << reads << " reads";
    EXPECT_EQ(failed_saves, 0);
    EXPECT_GT(reads, 1);
}

}  // namespace
}  // namespace ovelin
