#include <gtest/gtest.h>

#include "core/records_json.hpp"
#include "support/default_files.hpp"

namespace ovelin {
namespace {

TEST(Records, DefaultsAreWrittenExactly) {
    EXPECT_EQ(to_pretty_json(default_settings()).value(), testing::DEFAULT_SETTINGS_JSON);
    EXPECT_EQ(to_pretty_json(AliasesFile{1, {}, default_quick_keys()}).value(), testing::DEFAULT_ALIASES_JSON);
}

TEST(Records, ProfileOfEveryKindRoundTripsWithEveryKeyWritten) {
    ProfilesFile file;
    file.profiles = {
        {"p-1-0", "shell", LocalShell{"cmd.exe /k echo \"hi\""}, std::nullopt, std::nullopt},
        {"p-1-1", "web", Ssh{"web1", 2222, "alice", "C:\\keys\\id rsa", {"-v", "-4"}}, "prod", 3},
        {"p-1-2", "desk", Rdp{"desk", 3389, "bob", "CORP", true, false}, std::nullopt, 255},
        {"p-1-3", "vnc", Vnc{"10.0.0.5", 5901, std::nullopt, {}}, "lab", 0},
    };
    auto text = to_pretty_json(file).value();
    EXPECT_EQ(parse_record<ProfilesFile>(text).value(), file);
    // Absent optionals are written as null and empty lists as [].
    EXPECT_NE(text.find("\"group\": null,\n      \"color\": null"), std::string::npos) << text;
    EXPECT_NE(text.find("\"viewer_path\": null,\n        \"extra_args\": []"), std::string::npos) << text;
    EXPECT_NE(text.find("\"kind\": {\n        \"type\": \"ssh\",\n        \"host\""), std::string::npos) << text;
    EXPECT_EQ(text.back(), '}');
}

TEST(Records, AbsentKeysTakeTheirDefaults) {
    auto p = parse_record<ProfilesFile>(R"({"schema_version":1,"profiles":[
        {"id":"a","name":"n","kind":{"type":"ssh","host":"h"}},
        {"id":"b","name":"n","kind":{"host":"h","type":"rdp"}},
        {"id":"c","name":"n","kind":{"type":"vnc","host":"h"}}]})")
                 .value();
    EXPECT_EQ(p.profiles[0].kind, ProfileKind(Ssh{"h", 22, {}, {}, {}}));
    EXPECT_EQ(p.profiles[0].group, std::nullopt);
    EXPECT_EQ(p.profiles[0].color, std::nullopt);
    EXPECT_EQ(p.profiles[1].kind, ProfileKind(Rdp{"h", 3389, {}, {}, false, false}));
    EXPECT_EQ(p.profiles[2].kind, ProfileKind(Vnc{"h", 5900, {}, {}}));
    // Written back, the defaults are present.
    EXPECT_NE(to_pretty_json(p).value().find("\"port\": 22"), std::string::npos);

    auto a = parse_record<AliasesFile>(R"({"schema_version":1,"aliases":[{"name":"ll","expansion":"ls -l"}]})")
                 .value();
    EXPECT_FALSE(a.aliases.at(0).send_enter);
    EXPECT_TRUE(a.quick_keys.empty());

    auto s = parse_record<Settings>(
                 R"({"close_to_tray":false,"restore_sessions_on_start":true,"track_history":false,
                     "sync_mode":"cloud","font":{"fallbacks":[]},"unknown":{"x":[1,2]}})")
                 .value();
    EXPECT_EQ(s.schema_version, 0u);        // absent: 0, and kept
    EXPECT_FALSE(s.alias_trigger_tab);      // absent: false
    EXPECT_TRUE(s.autocomplete_history);    // absent: true
    EXPECT_EQ(s.sync_mode, SyncMode::Cloud);
    EXPECT_TRUE(s.font.fallbacks.empty());  // an empty list stays empty
    EXPECT_EQ(s.font.family, std::optional<std::string>("SF Mono"));
    EXPECT_EQ(s.font.size_pt, 12.0f);
    EXPECT_EQ(s.keys, KeySettings{});
    EXPECT_EQ(s.remote, RemoteSettings{});
    EXPECT_NE(to_pretty_json(s).value().find("\"schema_version\": 0,"), std::string::npos);

    auto r = parse_record<SessionsFile>(R"({"schema_version":1,"sessions":[{"id":"s-1-2"}]})").value();
    EXPECT_EQ(r.sessions.at(0), (SessionRecord{"s-1-2", {}, {}, {}, {}}));
}

struct BadInput {
    const char* name;
    const char* json;
    const char* message_part;
};

class RejectedProfiles : public ::testing::TestWithParam<BadInput> {};

TEST_P(RejectedProfiles, FailWithTheLibraryMessage) {
    auto r = parse_record<ProfilesFile>(GetParam().json);
    ASSERT_FALSE(r.has_value());
    EXPECT_NE(r.error().find(GetParam().message_part), std::string::npos) << r.error();
    EXPECT_NE(r.error().find("line "), std::string::npos) << r.error();
}

INSTANTIATE_TEST_SUITE_P(
    Records, RejectedProfiles,
    ::testing::Values(
        BadInput{"UnknownVariant",
                 R"({"schema_version":1,"profiles":[{"id":"a","name":"n","kind":{"type":"telnet","host":"h"}}]})",
                 "unknown variant `telnet`, expected one of `local_shell`, `ssh`, `rdp`, `vnc`"},
        BadInput{"MissingTag", R"({"schema_version":1,"profiles":[{"id":"a","name":"n","kind":{"host":"h"}}]})",
                 "missing field `type`"},
        BadInput{"PortAboveRange",
                 R"({"schema_version":1,"profiles":[{"id":"a","name":"n","kind":{"type":"ssh","host":"h","port":65536}}]})",
                 "invalid value: integer `65536`, expected u16"},
        BadInput{"NegativePort",
                 R"({"schema_version":1,"profiles":[{"id":"a","name":"n","kind":{"type":"ssh","host":"h","port":-1}}]})",
                 "invalid value: integer `-1`, expected u16"},
        BadInput{"FractionalPort",
                 R"({"schema_version":1,"profiles":[{"id":"a","name":"n","kind":{"type":"ssh","host":"h","port":22.5}}]})",
                 "invalid type: floating point `22.5`, expected u16"},
        BadInput{"ColourAboveRange",
                 R"({"schema_version":1,"profiles":[{"id":"a","name":"n","color":256,"kind":{"type":"local_shell","command":"x"}}]})",
                 "invalid value: integer `256`, expected u8"},
        BadInput{"DuplicateKey",
                 R"({"schema_version":1,"profiles":[{"id":"a","id":"b","name":"n","kind":{"type":"local_shell","command":"x"}}]})",
                 "duplicate field `id`"},
        BadInput{"MissingName", R"({"schema_version":1,"profiles":[{"id":"a","kind":{"type":"local_shell","command":"x"}}]})",
                 "missing field `name`"},
        BadInput{"MissingList", R"({"schema_version":1})", "missing field `profiles`"},
        BadInput{"WrongType", R"({"schema_version":"1","profiles":[]})", "invalid type: string \"1\", expected u32"},
        BadInput{"WhitespaceOnly", " \n\t ", "unexpected end of input"},
        BadInput{"TrailingGarbage", R"({"schema_version":1,"profiles":[]} x)", "parse error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Records, SettingsRequireTheirKeysAndRefuseBadValues) {
    const struct {
        const char* json;
        const char* message_part;
    } cases[] = {
        {R"({"restore_sessions_on_start":false,"track_history":true,"sync_mode":"local"})",
         "missing field `close_to_tray`"},
        {R"({"close_to_tray":true,"restore_sessions_on_start":false,"track_history":true,"sync_mode":"ftp"})",
         "unknown variant `ftp`, expected `local` or `cloud`"},
        {R"({"close_to_tray":1,"restore_sessions_on_start":false,"track_history":true,"sync_mode":"local"})",
         "invalid type: integer `1`, expected a boolean"},
        {R"({"close_to_tray":true,"restore_sessions_on_start":false,"track_history":true,"sync_mode":"local",
             "font":{"size_pt":1e300}})",
         "expected f32"},
        {R"({"close_to_tray":true,"restore_sessions_on_start":false,"track_history":true,"sync_mode":"local",
             "schema_version":4294967296})",
         "expected u32"},
    };
    for (const auto& c : cases) {
        auto r = parse_record<Settings>(c.json);
        ASSERT_FALSE(r.has_value()) << c.json;
        EXPECT_NE(r.error().find(c.message_part), std::string::npos) << r.error();
    }
}

TEST(Records, ErrorsNameTheLineAndColumn) {
    auto r = parse_record<ProfilesFile>("{\n  \"schema_version\": 1\n}");
    ASSERT_FALSE(r.has_value());
    EXPECT_EQ(r.error(), "missing field `profiles` at line 3 column 1");
}

TEST(Records, SizeIsWrittenAsTheShortestFloatText) {
    const struct {
        float value;
        const char* text;
    } cases[] = {{12.0f, "12.0"}, {11.1f, "11.1"}, {0.1f, "0.1"}, {10.5f, "10.5"}, {16777216.0f, "16777216.0"}};
    for (const auto& c : cases) {
        EXPECT_EQ(float_text(c.value), c.text);
        Settings s;
        s.font.size_pt = c.value;
        auto text = to_pretty_json(s).value();
        EXPECT_NE(text.find(std::string("\"size_pt\": ") + c.text + "\n"), std::string::npos) << text;
        EXPECT_EQ(parse_record<Settings>(text).value().font.size_pt, c.value);
    }
}

TEST(Records, QuickActionsAndTextsRoundTrip) {
    AliasesFile f;
    f.aliases = {{"gs", "git status", true}, {"q\"uote", "a\\b\tc\x01 é", false}};
    f.quick_keys = {{"Ctrl+Alt+1", OpenProfile{"p-1-1"}}, {"Ctrl+Alt+2", SendText{"ls\r"}},
                    {"Ctrl+Alt+3", RunAlias{"gs"}}, {"Ctrl+Alt+R", RenameTab{}}, {"Ctrl+Alt+H", ShowHelp{}}};
    auto text = to_pretty_json(f).value();
    EXPECT_EQ(parse_record<AliasesFile>(text).value(), f);
    EXPECT_NE(text.find(R"("a\\b\tc\u0001 é")"), std::string::npos) << text;
}

TEST(Records, HistoryEntryIsCompact) {
    EXPECT_EQ(to_compact_json(HistoryEntry{17, "echo \"a\\b\""}).value(), R"({"ts":17,"line":"echo \"a\\b\""})");
    EXPECT_EQ(parse_record<HistoryEntry>(R"({"line":"x","ts":5})").value(), (HistoryEntry{5, "x"}));
    EXPECT_FALSE(parse_record<HistoryEntry>(R"({"line":"x"})").has_value());
}

}  // namespace
}  // namespace ovelin
