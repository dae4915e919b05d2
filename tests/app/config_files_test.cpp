// The configuration files as the application uses them: what did not load
// is said once and kept, and two windows sharing the folder keep each
// other's profile changes.

#include <gtest/gtest.h>

#include "app/dialogs.hpp"
#include "app/lifecycle.hpp"
#include "app/tray.hpp"
#include "core/records_json.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::write_text;

std::vector<std::string> names_in(const std::vector<ConnectionProfile>& profiles) {
    std::vector<std::string> names;
    for (const ConnectionProfile& p : profiles) names.push_back(p.name);
    return names;
}

std::string profiles_json(std::initializer_list<const char*> names) {
    ProfilesFile file{1, {}};
    int n = 0;
    for (const char* name : names) file.profiles.push_back({"p-" + std::to_string(++n), name, LocalShell{name}, {}, {}});
    return to_pretty_json(file).value();
}

// One step in the manager: add `name` (no target), rename `target` to
// `name`, or delete `target` (no name).
struct Step {
    const char* target;
    const char* name;
};

void take(ConnectionManager& m, const Step& step) {
    struct : ManagerPrompts {
        const char* name = nullptr;
        std::optional<ConnectionProfile> edit_profile(const ConnectionProfile* p) override {
            ConnectionProfile made = p ? *p : ConnectionProfile{"", "", LocalShell{"x"}, {}, {}};
            made.name = name;
            return made;
        }
        bool confirm(const std::string&) override { return true; }
    } prompts;
    prompts.name = step.name;
    for (std::size_t i = 0; i < m.lines().size(); ++i)
        if (m.lines()[i].starts_with(std::string(step.target) + " \xE2\x80\x94")) m.select(static_cast<int>(i));
    if (!*step.target)
        m.add(prompts);
    else if (step.name)
        m.edit(prompts);
    else
        m.remove(prompts);
}

struct Window {
    AppCell cell;
    testing::FakeHost host;
    explicit Window(const fs::path& dir) {
        host.cell = &cell;
        auto app = cell.take();
        load_all(dir, *app);
        app->config_dir = dir;
    }
    std::vector<std::string> profiles() { return names_in(cell.take()->profiles); }
};

// Window B's manager is open while window A opens its own, changes it and
// closes it; then B makes its change and closes.
TEST(ConfigFiles, TwoWindowsSharingTheFolderKeepEachOthersProfileChanges) {
    const struct {
        const char* name;
        std::vector<Step> a, b;
        std::vector<std::string> saved;
    } cases[] = {
        {"both add", {{"", "a-new"}}, {{"", "b-new"}}, {"one", "two", "a-new", "b-new"}},
        {"edit there, delete here", {{"one", "one-A"}}, {{"two", nullptr}}, {"one-A"}},
        {"delete there, edit here", {{"one", nullptr}}, {{"two", "two-B"}}, {"two-B"}},
        {"both edit one: the later edit", {{"one", "one-A"}}, {{"one", "one-B"}}, {"one-B", "two"}},
        {"edit of one deleted there is kept", {{"one", nullptr}}, {{"one", "one-B"}}, {"two", "one-B"}},
        {"nothing here", {{"", "a-new"}, {"two", nullptr}}, {}, {"one", "a-new"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir tmp;
        write_text(tmp.path() / "profiles.json", profiles_json({"one", "two"}));
        Window a(tmp.path()), b(tmp.path());
        a.host.manager_script = [&](ConnectionManager& m) {
            for (const Step& s : c.a) take(m, s);
        };
        b.host.manager_script = [&](ConnectionManager& m) {
            open_connection_manager(a.cell, a.host);
            for (const Step& s : c.b) take(m, s);
        };
        open_connection_manager(b.cell, b.host);

        auto file = parse_record<ProfilesFile>(read_text(tmp.path() / "profiles.json"));
        ASSERT_TRUE(file) << file.error();
        EXPECT_EQ(names_in(file->profiles), c.saved);
        // Either window's manager opens on what is saved.
        for (Window* w : {&a, &b}) {
            std::vector<std::string> shown;
            w->host.manager_script = [&](ConnectionManager& m) { shown = names_in(m.profiles()); };
            open_connection_manager(w->cell, w->host);
            EXPECT_EQ(shown, c.saved);
            EXPECT_EQ(w->profiles(), c.saved);
        }
        EXPECT_TRUE(a.host.errors.empty());
        EXPECT_TRUE(b.host.errors.empty());
    }
}

const char BAD_PROFILES[] = R"({"schema_version": 1, "profiles": [{"id": "p"}]})";
const char NEWER_SETTINGS[] = R"({"schema_version": 2, "close_to_tray": false,
  "restore_sessions_on_start": true, "track_history": true, "sync_mode": "local"})";
const std::string NOT_USED = "\nIt is not used; before it is saved over, it is kept as ";
const std::string BAD_SAID = "profiles.json: missing field `name` at line 1 column 46";

// Start, then the two saves a user makes most: the manager and a tray toggle.
TEST(ConfigFiles, WhatDidNotLoadIsSaidOnceAtStartAndKeptBeforeItIsSavedOver) {
    const std::string saved = profiles_json({"saved"}), one = profiles_json({"one"});
    using Files = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char* name;
        Files before;
        std::string said;  // the one error box; "" for none
        std::vector<std::string> profiles;
        Files after;  // the set-aside and backup files after the saves
    } cases[] = {
        {"malformed", {{"profiles.json", BAD_PROFILES}}, BAD_SAID + NOT_USED + "profiles.json.unreadable.",
         {"added"}, {{"profiles.json.unreadable", BAD_PROFILES}}},
        {"newer settings, malformed profiles with a good backup",
         {{"settings.json", NEWER_SETTINGS}, {"profiles.json", BAD_PROFILES}, {"profiles.json.bak", saved}},
         "settings.json: schema_version 2 is newer than supported 1" + NOT_USED + "settings.json.unreadable.\n\n" +
             BAD_SAID + "\nprofiles.json.bak was loaded instead; before it is saved over, it is kept as " +
             "profiles.json.unreadable.",
         {"saved", "added"},
         {{"settings.json.unreadable", NEWER_SETTINGS},
          {"profiles.json.unreadable", BAD_PROFILES},
          {"profiles.json.bak", saved}}},
        {"missing, backup there", {{"profiles.json.bak", saved}},
         "profiles.json was missing; profiles.json.bak was loaded instead.", {"saved", "added"},
         {{"profiles.json.bak", saved}}},
        {"an earlier set-aside file stays", {{"profiles.json", BAD_PROFILES}, {"profiles.json.unreadable", "older"}},
         BAD_SAID + NOT_USED + "profiles.json.unreadable.", {"added"},
         {{"profiles.json.unreadable", "older"}, {"profiles.json.bak", BAD_PROFILES}}},
        {"all well", {{"profiles.json", one}}, "", {"one", "added"}, {{"profiles.json.bak", one}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir tmp;
        const fs::path dir = tmp.path() / "ovelin";
        fs::create_directories(dir);
        for (const auto& [name, text] : c.before) write_text(dir / name, text);

        AppCell cell;
        testing::FakeHost host;
        host.cell = &cell;
        {
            testing::ScopedEnv appdata("APPDATA", tmp.path().string());
            testing::ScopedEnv shell("COMSPEC", std::string("/bin/sh"));
            on_create(cell, host);
        }
        EXPECT_TRUE(host.errors.empty()) << "nothing is said before the window shows";
        on_started(cell, host);
        on_started(cell, host);
        EXPECT_EQ(host.errors, c.said.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.said});
        for (const auto& [name, text] : c.before) EXPECT_EQ(read_text(dir / name), text) << "start writes over nothing";

        host.manager_script = [](ConnectionManager& m) { take(m, {"", "added"}); };
        open_connection_manager(cell, host);
        host.tray_answer_id = tray_id::TRACK_HISTORY;
        open_tray_menu(cell, host);
        EXPECT_EQ(names_in(cell.take()->profiles), c.profiles);
        Files after;
        for (const char* name : {"settings.json.unreadable", "profiles.json.unreadable", "profiles.json.bak"})
            if (fs::exists(dir / name)) after.emplace_back(name, read_text(dir / name));
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(host.held_violations, 0);
        cell.take()->sessions.clear();
    }
}

}  // namespace
}  // namespace ovelin
