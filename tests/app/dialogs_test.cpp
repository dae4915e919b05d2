// Quick connect and the connection manager as the application runs them:
// the dialogs themselves are the fake host's, answering as scripted.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "app/dialogs.hpp"
#include "app/input.hpp"
#include "app/resume.hpp"
#include "bar_fixture.hpp"
#include "core/records_json.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;

// A stand-in ssh.exe where the system's client is, so a connection opens a
// real tab.
class Dialogs : public testing::BarTest {
protected:
    Dialogs() : root_("SystemRoot", root_dir_.path().string()) {
        fs::create_directories(ssh_.parent_path());
        std::ofstream(ssh_) << "#!/bin/sh\nexec cat\n";
        fs::permissions(ssh_, fs::perms::owner_all);
    }
    std::vector<std::string> initials() {
        std::vector<std::string> out;
        for (const auto& p : host_.prompts) out.push_back(p.initial);
        return out;
    }

    testing::TempDir root_dir_;
    testing::ScopedEnv root_;
    const fs::path ssh_ = root_dir_.path() / "System32" / "OpenSSH" / "ssh.exe";
};

TEST_F(Dialogs, QuickConnectRetriesWithTheTextUntilATabOpensOrTheUserCancels) {
    const struct {
        std::vector<std::optional<std::string>> typed;
        std::vector<std::string> errors;
        std::optional<std::string> command, title;  // the command after the client
    } cases[] = {
        {{"  alice@server1:2222 "}, {}, " -p 2222 alice@server1", "alice@server1:2222"},
        {{"my server", "server1"},
         {"invalid profile: host contains invalid characters: \"my server\""},
         " server1",
         "server1"},
        {{"@h", "-oProxyCommand=x", std::nullopt},
         {"invalid profile: user is empty", "invalid profile: host must not start with '-'"},
         {},
         {}},
        {{"   "}, {}, {}, {}},
        {{}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        host_.prompts.clear();
        host_.errors.clear();
        host_.spawned.clear();
        host_.prompt_answers = c.typed;
        const std::size_t tabs = cell_.take()->sessions.size();
        open_quick_connect(cell_, host_);

        EXPECT_EQ(host_.errors, c.errors);
        ASSERT_EQ(host_.prompts.size(), std::max<std::size_t>(c.typed.size(), 1));
        EXPECT_EQ(host_.prompts[0].title, "Quick connect");
        EXPECT_EQ(host_.prompts[0].label, "SSH target \xE2\x80\x94 [user@]host[:port]:");
        // Each retry holds what was typed before.
        std::vector<std::string> expected_initials{""};
        for (std::size_t i = 0; i + 1 < c.typed.size(); ++i) expected_initials.push_back(*prompt_answer(*c.typed[i]));
        EXPECT_EQ(initials(), expected_initials);

        auto app = cell_.take();
        if (c.command) {
            ASSERT_EQ(host_.spawned.size(), 1u);
            EXPECT_EQ(host_.spawned[0].command_line, ssh_.string() + *c.command);
            ASSERT_EQ(app->sessions.size(), tabs + 1);
            EXPECT_EQ(app->sessions.back().title, *c.title);
            EXPECT_TRUE(app->sessions.back().custom_title);
        } else {
            EXPECT_TRUE(host_.spawned.empty());
            EXPECT_EQ(app->sessions.size(), tabs);
        }
    }
}

// Edits made in the editor from inside the manager.
struct Editor : ManagerPrompts {
    std::vector<std::optional<ConnectionProfile>> edits;
    std::optional<ConnectionProfile> edit_profile(const ConnectionProfile*) override {
        auto e = edits.front();
        edits.erase(edits.begin());
        return e;
    }
    bool confirm(const std::string&) override { return true; }
};

TEST_F(Dialogs, TheManagerWritesAChangedListAndOpensTheChosenProfileAsEdited) {
    const ConnectionProfile old_ssh{"p-1-1", "Box", Ssh{"box", 22, {}, {}, {}}, {}, {}};
    const ConnectionProfile edited{"p-1-1", "Box", Ssh{"box", 2200, "me", {}, {}}, "Ops", 3};
    cell_.take()->profiles = {old_ssh};

    // Left unchanged: nothing is written, nothing opens.
    open_connection_manager(cell_, host_);
    EXPECT_EQ(host_.managers_run, 1);
    EXPECT_FALSE(fs::exists(tmp_.path() / "profiles.json"));

    Editor editor;
    editor.edits = {edited};
    host_.manager_script = [&](ConnectionManager& m) {
        EXPECT_EQ(cell_.taken(), false);
        m.edit(editor);
        m.connect();
    };
    open_connection_manager(cell_, host_);

    auto file = parse_record<ProfilesFile>(testing::read_text(tmp_.path() / "profiles.json"));
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->profiles, std::vector<ConnectionProfile>{edited});
    ASSERT_EQ(host_.spawned.size(), 1u);
    EXPECT_EQ(host_.spawned[0].command_line, ssh_.string() + " -p 2200 me@box");
    auto app = cell_.take();
    EXPECT_EQ(app->profiles, std::vector<ConnectionProfile>{edited});
    ASSERT_EQ(app->sessions.size(), 1u);
    EXPECT_EQ(app->sessions[0].title, "Box");
    EXPECT_EQ(app->sessions[0].profile_id, std::optional<std::string>("p-1-1"));
    EXPECT_EQ(app->sessions[0].color, std::optional<std::uint8_t>(3));
    ASSERT_EQ(app->groups.size(), 1u);
    EXPECT_EQ(app->groups[0].name, "Ops");
}

TEST_F(Dialogs, AChangedListThatCannotBeWrittenSaysSoAndAnInvalidChoiceShowsWhy) {
    const fs::path not_a_dir = tmp_.path() / "file";
    std::ofstream(not_a_dir) << "x";
    cell_.take()->config_dir = not_a_dir;
    cell_.take()->profiles = {{"p-1-1", "Bad", Ssh{"-oops", 22, {}, {}, {}}, {}, {}}};
    host_.manager_script = [](ConnectionManager& m) {
        m.duplicate();
        m.connect();
    };
    open_connection_manager(cell_, host_);
    ASSERT_EQ(host_.errors.size(), 2u);
    EXPECT_TRUE(host_.errors[0].starts_with("Cannot save profiles: ")) << host_.errors[0];
    EXPECT_EQ(host_.errors[1], "Cannot connect: invalid profile: host must not start with '-'");
    EXPECT_EQ(cell_.take()->profiles.size(), 2u);  // kept in memory all the same
    EXPECT_TRUE(host_.spawned.empty());
}

// Every open the user asks for says why its program cannot start; the
// start-up tab stays silent. No ssh.exe where the system's client belongs
// nor on the search path: the start names where it was looked for.
TEST_F(Dialogs, AnOpenTheUserAskedForSaysWhyItsProgramCannotStart) {
    testing::ScopedEnv path("PATH", std::string("/usr/bin:/bin")), comspec("COMSPEC", std::string("/no/shell"));
    fs::remove(ssh_);
    const std::string no_ssh = "Cannot start " + ssh_.string() + ": No such file or directory\nThe OpenSSH client "
                               "is an optional Windows feature: add it in Settings \u203a Apps \u203a Optional features.";
    const std::string no_shell = "Cannot start /no/shell: No such file or directory";
    cell_.take()->profiles = {{"p-1", "Local", LocalShell{"\"/no such/prog\" -x"}, {}, {}}};
    cell_.take()->quick_keys = {QuickKey{"Ctrl+Alt+1", OpenProfile{"p-1"}}};
    host_.prompt_answers = {"alice@server1"};
    host_.manager_script = [](ConnectionManager& m) {
        m.select(0);
        m.connect();
    };
    const struct {
        const char* name;
        std::function<void()> open;
        std::vector<std::string> errors;
    } cases[] = {
        {"new tab", [&] { on_key_down(cell_, host_, 'T', {true, true, false}); }, {no_shell}},
        {"quick connect, not asked again", [&] { open_quick_connect(cell_, host_); }, {no_ssh}},
        {"connect in the manager", [&] { open_connection_manager(cell_, host_); },
         {"Cannot start /no such/prog: No such file or directory"}},
        {"quick key", [&] { on_key_down(cell_, host_, '1', {true, false, true}); },
         {"Cannot start /no such/prog: No such file or directory"}},
        {"start-up tab", [&] { open_startup_tabs(cell_, host_); }, {}},
    };
    for (const auto& c : cases) {
        host_.errors.clear();
        c.open();
        EXPECT_EQ(host_.errors, c.errors) << c.name;
        EXPECT_TRUE(cell_.take()->sessions.empty()) << c.name;
    }
    EXPECT_EQ(host_.prompts.size(), 1u);
}

}  // namespace
}  // namespace ovelin
