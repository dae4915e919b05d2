// Opening, closing and restoring tabs with real /bin/sh sessions.

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "app/lifecycle.hpp"
#include "app/resume.hpp"
#include "app/sessions.hpp"
#include "core/records_json.hpp"
#include "proto/windows_argv.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;
using testing::FakeHost;

class Sessions : public ::testing::Test {
protected:
    Sessions() : comspec_("COMSPEC", std::string("/bin/sh")) {
        host_.cell = &cell_;
        auto app = cell_.take();
        app->config_dir = tmp_.path();
        app->metrics = {8, 16, 14};
    }
    ~Sessions() override {
        EXPECT_EQ(host_.held_violations, 0) << "a window request was made with the state held";
        auto app = cell_.take();
        app->sessions.clear();
    }

    std::vector<std::string> titles() {
        auto app = cell_.take();
        std::vector<std::string> out;
        for (const Session& s : app->sessions) out.push_back(s.title);
        return out;
    }
    std::size_t active() { return cell_.take()->active; }
    std::size_t count() { return cell_.take()->sessions.size(); }

    SessionsFile saved() {
        std::ifstream in(tmp_.path() / "sessions.json", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return parse_record<SessionsFile>(text).value();
    }

    SpawnRequest group_request(const std::string& group, const std::string& title) {
        SpawnRequest r;
        r.group = group;
        r.title = title;
        return r;
    }

    bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
        return host_.sink->wait([&] {
            host_.pump(cell_);
            return done();
        }, timeout);
    }

    testing::TempDir tmp_;
    testing::ScopedEnv comspec_;
    AppCell cell_;
    FakeHost host_;
};

TEST_F(Sessions, PlainTabsAreNumberedByTheTabCountWhenOpened) {
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(open_terminal(cell_, host_, {}));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Terminal 1", "Terminal 2", "Terminal 3"}));
    EXPECT_EQ(active(), 2u);
    close_tab(cell_, host_, 1);
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Terminal 1", "Terminal 3", "Terminal 3"}));
    // Automatic titles are not saved; every tab is.
    auto file = saved();
    ASSERT_EQ(file.sessions.size(), 3u);
    for (const auto& r : file.sessions) {
        EXPECT_EQ(r.title, std::nullopt);
        EXPECT_TRUE(r.id.starts_with("s-")) << r.id;
    }
    EXPECT_EQ(host_.spawned.back().command_line, "/bin/sh");  // COMSPEC
    // Sized from the window: (616 - 42) / 16 rows, (1000 - 12) / 8 columns.
    EXPECT_EQ(host_.spawned.back().rows, 35);
    EXPECT_EQ(host_.spawned.back().cols, 123);
}

TEST_F(Sessions, SessionIdsAreUsedUpByFailedStarts) {
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    SpawnRequest bad;
    bad.command = "/nonexistent/shell";
    EXPECT_FALSE(open_terminal(cell_, host_, bad));
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    ASSERT_EQ(host_.spawned.size(), 3u);
    EXPECT_EQ(host_.spawned[1].id, host_.spawned[0].id + 1);
    EXPECT_EQ(host_.spawned[2].id, host_.spawned[0].id + 2);
    EXPECT_EQ(count(), 2u);
    EXPECT_TRUE(host_.errors.empty());
    EXPECT_EQ(saved().sessions.size(), 2u);
}

TEST_F(Sessions, AFailedStartChangesNothing) {
    SpawnRequest bad;
    bad.command = "/nonexistent/shell";
    bad.group = "g";
    EXPECT_FALSE(open_terminal(cell_, host_, bad));
    EXPECT_EQ(count(), 0u);
    EXPECT_TRUE(cell_.take()->groups.empty());
    EXPECT_FALSE(std::filesystem::exists(tmp_.path() / "sessions.json"));
    EXPECT_TRUE(host_.errors.empty());
    EXPECT_EQ(host_.repaints, 0);
}

TEST_F(Sessions, ATabJoiningAGroupLandsAfterItsLastTab) {
    ASSERT_TRUE(open_terminal(cell_, host_, group_request("g", "a")));
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    ASSERT_TRUE(open_terminal(cell_, host_, group_request("g", "b")));
    ASSERT_TRUE(open_terminal(cell_, host_, group_request("h", "c")));
    ASSERT_TRUE(open_terminal(cell_, host_, group_request("g", "d")));
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "b", "d", "Terminal 2", "c"}));
    EXPECT_EQ(active(), 2u);  // the new tab, where it landed
    auto file = saved();
    EXPECT_EQ(file.sessions[2].group, std::optional<std::string>("g"));
    EXPECT_EQ(file.sessions[2].title, std::optional<std::string>("d"));
    EXPECT_EQ(file.sessions[3].group, std::nullopt);
}

TEST_F(Sessions, GroupColoursFollowTheGroupIdAndWrapAfterEight) {
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(open_terminal(cell_, host_, group_request("g" + std::to_string(i), "t")));
    auto app = cell_.take();
    ASSERT_EQ(app->groups.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(app->groups[i].id, i + 1);
        EXPECT_EQ(app->groups[i].color, i % 8);
        EXPECT_FALSE(app->groups[i].collapsed);
    }
}

TEST_F(Sessions, ClosingKeepsTheActiveIndexWherePossible) {
    const struct {
        std::size_t active, close, expected_active;
        std::vector<std::string> remaining;
    } cases[] = {
        {1, 1, 1, {"Terminal 1", "Terminal 3"}},  // the next tab moves into the place
        {2, 2, 1, {"Terminal 1", "Terminal 2"}},  // the last: the new last
        {2, 0, 1, {"Terminal 2", "Terminal 3"}},
        {0, 2, 0, {"Terminal 1", "Terminal 2"}},
        {1, 7, 1, {"Terminal 1", "Terminal 2", "Terminal 3"}},  // out of range
    };
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            app->sessions.clear();
        }
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(open_terminal(cell_, host_, {}));
        activate(cell_, host_, c.active);
        std::filesystem::remove(tmp_.path() / "sessions.json");
        close_tab(cell_, host_, c.close);
        EXPECT_EQ(active(), c.expected_active) << "close " << c.close;
        EXPECT_EQ(titles(), c.remaining);
        EXPECT_EQ(saved().sessions.size(), c.remaining.size());  // saved even when out of range
    }
    EXPECT_EQ(host_.destroyed, 0);
}

TEST_F(Sessions, ClosingAGroupClosesItsOwnTabsAndPrunesIt) {
    ASSERT_TRUE(open_terminal(cell_, host_, group_request("g", "a")));
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    ASSERT_TRUE(open_terminal(cell_, host_, group_request("g", "b")));
    std::uint64_t g = 0;
    {
        auto app = cell_.take();
        g = app->groups.at(0).id;
        app->broadcast_groups.insert(g);
        app->browse_path = {g};
        app->browse_cursor = 3;
    }
    close_group(cell_, host_, g);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Terminal 2"}));
    auto app = cell_.take();
    EXPECT_TRUE(app->groups.empty());
    EXPECT_TRUE(app->broadcast_groups.empty());
    EXPECT_TRUE(app->browse_path.empty());
    EXPECT_EQ(app->browse_cursor, 0u);
}

TEST_F(Sessions, ATabClosesWhenItsProgramEndsAndTheLastEndsTheProgram) {
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    SpawnRequest quick;
    quick.command = "/bin/sh -c 'sleep 0.2'";
    ASSERT_TRUE(open_terminal(cell_, host_, quick));
    ASSERT_TRUE(pump_until([&] { return count() == 1; }));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Terminal 1"}));
    EXPECT_EQ(host_.destroyed, 0);

    {
        auto app = cell_.take();
        app->sessions[0].pty->write("exit\n");
    }
    ASSERT_TRUE(pump_until([&] { return count() == 0; }));
    EXPECT_EQ(host_.destroyed, 1);
    EXPECT_TRUE(saved().sessions.empty());
}

TEST_F(Sessions, LateNotificationsForClosedTabsAreIgnored) {
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    const std::uint64_t first = host_.spawned[0].id;
    close_tab(cell_, host_, 0);
    const int repaints = host_.repaints;
    on_session_output(cell_, host_, first);
    on_session_exit(cell_, host_, first, 0u);
    on_session_exit(cell_, host_, 999999, 3u);
    EXPECT_EQ(count(), 1u);
    EXPECT_EQ(host_.repaints, repaints);
    on_session_output(cell_, host_, host_.spawned[1].id);
    EXPECT_EQ(host_.repaints, repaints + 1);
}

TEST_F(Sessions, TheActiveTabsOutputPaintsAtOnceTheOthersAtTheirPace) {
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    const std::uint64_t ids[] = {host_.spawned[0].id, host_.spawned[1].id};
    for (std::size_t active : {1u, 0u}) {
        cell_.take()->active = active;
        const int at_once = host_.active_repaints, paced = host_.others_soon;
        on_session_output(cell_, host_, ids[active]);
        on_session_output(cell_, host_, ids[1 - active]);
        EXPECT_EQ(host_.active_repaints - at_once, 1) << "active " << active;
        EXPECT_EQ(host_.others_soon - paced, 1) << "active " << active;
    }
}

TEST_F(Sessions, HistoryIsSeededWithTheLast500Lines) {
    std::filesystem::create_directories(tmp_.path() / "history");
    {
        std::ofstream out(tmp_.path() / "history" / "s-1-1.jsonl", std::ios::binary);
        for (int i = 1; i <= 600; ++i) out << to_compact_json(HistoryEntry{1, "cmd " + std::to_string(i)}).value() << "\n";
    }
    SpawnRequest r;
    r.record_id = "s-1-1";
    ASSERT_TRUE(open_terminal(cell_, host_, r));
    {
        auto app = cell_.take();
        const auto& h = app->sessions[0].history;
        ASSERT_EQ(h.size(), 500u);
        EXPECT_EQ(h.front(), "cmd 101");
        EXPECT_EQ(h.back(), "cmd 600");
        EXPECT_EQ(app->sessions[0].record_id, "s-1-1");
        app->settings.autocomplete_history = false;
    }
    ASSERT_TRUE(open_terminal(cell_, host_, r));
    EXPECT_TRUE(cell_.take()->sessions[1].history.empty());
}

TEST_F(Sessions, WorkingDirectoryOnlyWhenItExists) {
    {
        auto app = cell_.take();
        app->settings.default_working_dir = tmp_.path().string();
    }
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    EXPECT_EQ(host_.spawned.back().working_dir, std::optional<std::string>(tmp_.path().string()));
    {
        auto app = cell_.take();
        app->settings.default_working_dir = (tmp_.path() / "missing").string();
    }
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    EXPECT_EQ(host_.spawned.back().working_dir, std::nullopt);
}

TEST_F(Sessions, ProfilesOpenTabsViewersOrErrorBoxes) {
    ConnectionProfile shell{"p-1", "My shell", LocalShell{"/bin/sh"}, "work", 6};
    open_profile(cell_, host_, shell);
    ASSERT_EQ(count(), 1u);
    {
        auto app = cell_.take();
        const Session& s = app->sessions[0];
        EXPECT_EQ(s.title, "My shell");
        EXPECT_TRUE(s.custom_title);
        EXPECT_EQ(s.color, std::optional<std::uint8_t>(6));
        EXPECT_EQ(s.profile_id, std::optional<std::string>("p-1"));
        EXPECT_EQ(app->groups.at(0).name, "work");
    }

    open_profile(cell_, host_, {"p-2", "bad", Ssh{"", 22, {}, {}, {}}, {}, {}});
    EXPECT_EQ(host_.errors, (std::vector<std::string>{"Cannot connect: invalid profile: host is empty"}));

    host_.start_answer = false;
    open_profile(cell_, host_, {"p-3", "vnc", Vnc{"h", 5900, (tmp_.path() / "viewer.exe").string(), {}}, {}, {}});
    EXPECT_EQ(host_.errors.back(),
              "Cannot connect: program not found: configured VNC viewer not found: " +
                  (tmp_.path() / "viewer.exe").string());
    std::ofstream(tmp_.path() / "viewer.exe") << "x";
    open_profile(cell_, host_, {"p-3", "vnc", Vnc{"h", 5901, (tmp_.path() / "viewer.exe").string(), {}}, {}, {}});
    EXPECT_EQ(host_.errors.back(), "Failed to start " + (tmp_.path() / "viewer.exe").string());
    EXPECT_EQ(count(), 1u);
}

// The connection file lives while its client may still be reading it, and
// no longer: whether the client started, did not, or this program ended first.
TEST_F(Sessions, AConnectionFileIsDeletedOnEveryPath) {
    const ConnectionProfile desk{"p-4", "desk", Rdp{"desk1", 3389, "bob", {}, false, false}, {}, {}};
    const auto file_of = [](const std::pair<std::string, std::string>& started) {
        const auto argv = testing::split_windows_command_line(started.second);
        return argv.size() == 2 ? argv[1] : std::string("(no file argument)");
    };

    host_.start_answer = false;
    open_profile(cell_, host_, desk);
    ASSERT_EQ(host_.started.size(), 1u);
    EXPECT_TRUE(host_.started[0].first.ends_with("mstsc.exe")) << host_.started[0].first;
    EXPECT_EQ(host_.errors, std::vector<std::string>{"Failed to start " + host_.started[0].first});
    EXPECT_FALSE(std::filesystem::exists(file_of(host_.started[0]))) << "kept after a failed start";

    host_.start_answer = true;
    open_profile(cell_, host_, desk);
    ASSERT_EQ(host_.started.size(), 2u);
    const std::string kept = file_of(host_.started[1]);
    EXPECT_TRUE(std::filesystem::exists(kept)) << "gone before the client could read it";
    EXPECT_TRUE(host_.sink->wait([&] { return !std::filesystem::exists(kept); }, 8s));
    EXPECT_EQ(count(), 0u);

    std::string left;
    {
        AppCell cell;
        FakeHost host;
        host.cell = &cell;
        open_profile(cell, host, desk);
        ASSERT_EQ(host.started.size(), 1u);
        left = file_of(host.started[0]);
        EXPECT_TRUE(std::filesystem::exists(left));
    }  // the program ends within the delay
    EXPECT_FALSE(std::filesystem::exists(left)) << "outlived the program";
}

class Restore : public Sessions {
protected:
    void write(const std::string& name, const std::string& text) {
        std::ofstream(tmp_.path() / name, std::ios::binary) << text;
    }
};

TEST_F(Restore, ReopensTitlesGroupsColoursAndDeletedProfiles) {
    write("profiles.json", R"({"schema_version":1,"profiles":[
        {"id":"p-sh","name":"Shell profile","kind":{"type":"local_shell","command":"/bin/sh"},"group":"pg","color":2},
        {"id":"p-rdp","name":"Desk","kind":{"type":"rdp","host":"desk"}}]})");
    write("sessions.json", R"({"schema_version":1,"sessions":[
        {"id":"s-1","title":"Mine"},
        {"id":"s-2","group":"grp","color":5},
        {"id":"s-3","profile_id":"p-gone","title":"Old"},
        {"id":"s-4","profile_id":"p-rdp"},
        {"id":"s-5","profile_id":"p-sh"}]})");
    {
        auto app = cell_.take();
        Configuration config;
        load_all(tmp_.path(), config);
        app->profiles = config.profiles;
        app->settings.restore_sessions_on_start = true;
        app->next_group_id = 4;
    }
    open_startup_tabs(cell_, host_);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Mine", "Terminal 2", "Old", "Shell profile"}));
    EXPECT_TRUE(host_.started.empty());  // the viewer is not started again
    {
        auto app = cell_.take();
        EXPECT_EQ(app->sessions[1].color, std::optional<std::uint8_t>(5));
        ASSERT_TRUE(app->sessions[1].group);
        const TabGroup* grp = app->find_group(*app->sessions[1].group);
        ASSERT_TRUE(grp);
        EXPECT_EQ(grp->name, "grp");
        EXPECT_EQ(grp->id, 5u);
        EXPECT_EQ(grp->color, 4);  // its own colour, not the tab's
        EXPECT_EQ(app->sessions[2].profile_id, std::optional<std::string>("p-gone"));
        EXPECT_EQ(app->sessions[3].color, std::optional<std::uint8_t>(2));
        EXPECT_EQ(app->sessions[3].record_id, "s-5");
    }
    EXPECT_EQ(host_.spawned[2].command_line, "/bin/sh");  // the default shell for a deleted profile
    auto file = saved();
    ASSERT_EQ(file.sessions.size(), 4u);
    EXPECT_EQ(file.sessions[0], (SessionRecord{"s-1", {}, "Mine", {}, {}}));
    EXPECT_EQ(file.sessions[1], (SessionRecord{"s-2", {}, {}, "grp", 5}));
    EXPECT_EQ(file.sessions[2], (SessionRecord{"s-3", "p-gone", "Old", {}, {}}));
    EXPECT_EQ(file.sessions[3], (SessionRecord{"s-5", "p-sh", "Shell profile", "pg", 2}));
}

TEST_F(Restore, AllTabsShowAtOnceAndTheActiveStartsFirst) {
    write("profiles.json", R"({"schema_version":1,"profiles":[
        {"id":"p-bad","name":"Bad","kind":{"type":"local_shell","command":"/nonexistent/program"}}]})");
    write("sessions.json", R"({"schema_version":1,"sessions":[{"id":"s-1","profile_id":"p-bad"},{"id":"s-2"},{"id":"s-3"}]})");
    {
        auto app = cell_.take();
        Configuration config;
        load_all(tmp_.path(), config);
        app->profiles = config.profiles;
        app->settings.restore_sessions_on_start = true;
    }
    const auto waiting = [&] {
        auto app = cell_.take();
        std::vector<bool> out;
        for (const Session& s : app->sessions) out.push_back(s.pty->waiting());
        return out;
    };
    open_startup_tabs(cell_, host_);
    EXPECT_EQ(count(), 3u);
    EXPECT_EQ(active(), 2u);
    EXPECT_EQ(waiting(), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(host_.waiting_soon, (std::vector<unsigned>{2000}));  // should the active one stay silent
    // The active tab's output has the others start soon after it is painted.
    ASSERT_TRUE(pump_until([&] { return host_.waiting_soon.size() > 1; }));
    EXPECT_EQ(host_.waiting_soon.back(), 100u);
    EXPECT_EQ(waiting(), (std::vector<bool>{true, true, false}));
    // One a call, in tab order; a program that cannot start ends its tab.
    start_waiting_tabs(cell_, host_);
    EXPECT_EQ(host_.waiting_soon.back(), 0u);
    {
        auto app = cell_.take();
        EXPECT_TRUE(app->sessions[0].ended());
        EXPECT_TRUE(app->sessions[0].exit_status_unknown);
    }
    const std::size_t asked = host_.waiting_soon.size();
    start_waiting_tabs(cell_, host_);
    EXPECT_EQ(waiting(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(host_.waiting_soon.size(), asked) << "none waits: nothing more to ask";
    EXPECT_EQ(saved().sessions.size(), 3u);
}

TEST_F(Restore, NothingToRestoreOpensOnePlainTab) {
    const struct {
        const char* sessions_json;
        bool restore;
    } cases[] = {
        {R"({"schema_version":1,"sessions":[]})", true},
        {R"({"schema_version":2,"sessions":[{"id":"s-1"}]})", true},
        {"not json", true},
        {R"({"schema_version":1,"sessions":[{"id":"s-1","title":"x"},{"id":"s-2"}]})", false},
    };
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            app->sessions.clear();
            app->settings.restore_sessions_on_start = c.restore;
        }
        write("sessions.json", c.sessions_json);
        open_startup_tabs(cell_, host_);
        EXPECT_EQ(titles(), (std::vector<std::string>{"Terminal 1"})) << c.sessions_json;
        EXPECT_EQ(saved().sessions.size(), 1u);
    }
}

TEST_F(Sessions, DestroySavesTheTabsBeforeEndingThem) {
    ASSERT_TRUE(open_terminal(cell_, host_, group_request("g", "kept")));
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    std::filesystem::remove(tmp_.path() / "sessions.json");
    {
        auto app = cell_.take();
        app->tray_added = true;
    }
    on_destroy(cell_, host_);
    EXPECT_EQ(saved().sessions.size(), 2u);
    EXPECT_EQ(count(), 0u);
    EXPECT_TRUE(host_.icon_removed);
    EXPECT_EQ(host_.quit_code, 0);
}

}  // namespace
}  // namespace ovelin
