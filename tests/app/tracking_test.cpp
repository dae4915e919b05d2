// The typed command line followed through the character path: what reaches
// the session, the tracked line and suggestion, the remembered lines and the
// history file; quick keys; broadcast to a group of real shells.

#include <gtest/gtest.h>

#include <chrono>

#include "app/input.hpp"
#include "app/quick_keys.hpp"
#include "app/sessions.hpp"
#include "app/tab_label.hpp"
#include "core/history.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/recorder.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;
using testing::FakeHost;
using testing::read_text;
using Lines = std::vector<std::string>;

const Modifiers NONE{}, CTRL{true, false, false}, SHIFT{false, true, false}, CTRL_SHIFT{true, true, false},
    CTRL_ALT{true, false, true}, ALT{false, false, true};

class Tracking : public testing::RecorderTest {
protected:
    Tracking() { cell_.take()->config_dir = tmp_.path() / "cfg"; }

    // A session whose program records every byte it receives (raw, no echo).
    std::filesystem::path open_recorder(const std::string& record_id) {
        return RecorderTest::open_recorder("", std::nullopt, record_id).file;
    }
    // Everything the active session received before the marker.
    std::string received(const std::filesystem::path& file) {
        send_input(*cell_.take(), "<end>");
        return recorded(file, "<end>");
    }
    Lines file_lines(const std::string& record_id) {
        Lines out;
        const auto loaded = load_history(tmp_.path() / "cfg", record_id);
        EXPECT_TRUE(loaded) << record_id;
        for (const HistoryEntry& e : loaded.value_or(std::vector<HistoryEntry>{})) {
            EXPECT_GE(e.ts, before_) << e.line;
            out.push_back(e.line);
        }
        return out;
    }
    // Typed keys: Backspace is '\b', Ctrl+Backspace 0x7F, Ctrl+C 0x03,
    // Tab '\t' and Enter '\r', as the window delivers their characters.
    void type(std::u16string_view keys) {
        for (char16_t u : keys) on_char(cell_, host_, u, u == 0x7F || u == 0x03 ? CTRL : NONE);
    }

    const std::uint64_t before_ = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
};

TEST_F(Tracking, TypedLinesAliasesAndSuggestions) {
    const Alias gs{"gs", "git status", false}, gs_enter{"gs", "git status", true}, enye{"\u00f1", "ls -l", false};
    const Lines with_controls{"ls -la", "ls\rrm -rf x", "ls\n", "ls\x1b[2J", "ls\tx", "ls\x7f", "ls\u009b2J", "ls\x01"};
    struct Flags {
        bool track = true, alias_tab = true, autocomplete = true;
    };
    const struct {
        const char* name;
        Lines history;
        std::vector<Alias> aliases;
        Flags flags;
        std::u16string keys;
        std::string sent;
        std::string line;
        std::optional<std::string> pending;
        Lines remembered;  // history afterwards
        Lines file;
    } cases[] = {
        {"enter records", {}, {}, {}, u"ls -la\r", "ls -la\r", "", {}, {"ls -la"}, {"ls -la"}},
        {"spaces kept", {}, {}, {}, u"  ls  \r", "  ls  \r", "", {}, {"  ls  "}, {"  ls  "}},
        {"blank lines skipped", {}, {}, {}, u"\r   \r", "\r   \r", "", {}, {}, {}},
        {"tracking to disk off", {}, {}, {false}, u"ls\r", "ls\r", "", {}, {"ls"}, {}},
        {"ctrl+backspace after spaces", {}, {}, {}, u"git   \x7f", "git   \b", "", {}, {}, {}},
        {"ctrl+backspace a word", {}, {}, {}, u"git sta\x7f", "git sta\b", "git ", {}, {}, {}},
        {"ctrl+backspace unicode space", {}, {}, {}, u"a\u3000b\x7f", "a\u3000b\b", "a\u3000", {}, {}, {}},
        {"backspace a whole character", {}, {}, {}, u"a\u00e9\b", "a\u00e9\x7f", "a", {}, {}, {}},
        {"ctrl+c clears", {}, {}, {}, u"abc\x03", "abc\x03", "", {}, {}, {}},
        {"controls ignored", {}, {}, {}, u"a\x1b\u0085b", "a\x1b\u0085b", "ab", {}, {}, {}},
        {"alias expands", {"gs x"}, {gs}, {}, u"echo; gs\t", "echo; gs\x7f\x7fgit status", "echo; git status", {},
         {"gs x"}, {}},
        {"alias with enter records", {}, {gs_enter}, {}, u"echo; gs\t", "echo; gs\x7f\x7fgit status\r", "", {},
         {"echo; git status"}, {"echo; git status"}},
        {"one DEL per character", {}, {enye}, {}, u"\u00f1\t", "\u00f1\x7fls -l", "ls -l", {}, {}, {}},
        {"no word after a space", {}, {gs}, {}, u"gs \t", "gs \t", "gs ", {}, {}, {}},
        {"alias names are case-sensitive", {}, {gs}, {}, u"GS\t", "GS\t", "GS", {}, {}, {}},
        {"alias trigger off", {}, {gs}, {true, false}, u"gs\t", "gs\t", "gs", {}, {}, {}},
        {"newest match suggested", {"git status", "git stash"}, {}, {}, u"git st", "git st", "git st",
         "git stash", {"git status", "git stash"}, {}},
        {"suggestion taken on tab", {"git status", "git stash"}, {}, {}, u"git st\t", "git stash", "git stash", {},
         {"git status", "git stash"}, {}},
        {"equal line never suggested", {"ls"}, {}, {}, u"ls", "ls", "ls", {}, {"ls"}, {}},
        {"prefix is byte-wise", {"Git stash"}, {}, {}, u"git\t", "git\t", "git", {}, {"Git stash"}, {}},
        {"autocomplete off", {"git status"}, {}, {true, true, false}, u"git s\t", "git s\t", "git s", {},
         {"git status"}, {}},
        {"entered line drops the suggestion", {"ls -la"}, {}, {}, u"ls\r", "ls\r", "", {}, {"ls -la", "ls"},
         {"ls"}},
        // A line holding a control character is skipped, never cut: Tab
        // would send what the ghost text cannot show.
        {"lines with controls skipped", with_controls, {}, {}, u"ls\t", "ls -la", "ls -la", {}, with_controls, {}},
        {"only a line with a control matches", {"ls\x1b]0;x\x07"}, {}, {}, u"ls\t", "ls\t", "ls", {},
         {"ls\x1b]0;x\x07"}, {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string id = "s-case-" + std::to_string(++n);
        const auto file = open_recorder(id);
        {
            auto app = cell_.take();
            app->sessions[app->active].history = c.history;
            app->aliases = c.aliases;
            app->settings.track_history = c.flags.track;
            app->settings.alias_trigger_tab = c.flags.alias_tab;
            app->settings.autocomplete_history = c.flags.autocomplete;
        }
        type(c.keys);
        EXPECT_EQ(received(file), c.sent) << c.name;
        auto app = cell_.take();
        const Session& s = app->sessions[app->active];
        EXPECT_EQ(s.line, c.line) << c.name;
        EXPECT_EQ(s.pending, c.pending) << c.name;
        EXPECT_EQ(s.history, c.remembered) << c.name;
        EXPECT_EQ(file_lines(id), c.file) << c.name;
    }
}

TEST(QuickKeyChords, ParseExactly) {
    const struct {
        const char* text;
        std::optional<Chord> chord;
    } cases[] = {
        {"Ctrl+Alt+R", Chord{{true, false, true}, 'R'}},
        {"ctrl+shift+f5", Chord{{true, true, false}, vk::F1 + 4}},
        {"Alt+Ctrl+7", Chord{{true, false, true}, '7'}},
        {"CTRL+k", Chord{{true, false, false}, 'K'}},
        {"sHiFt+F12", Chord{{false, true, false}, vk::F12}},
        {"Ctrl+Ctrl+F", Chord{{true, false, false}, 'F'}},
        {"Alt+f1", Chord{{false, false, true}, vk::F1}},
        {"F5", std::nullopt},
        {"K", std::nullopt},
        {"Ctrl + K", std::nullopt},
        {"Ctrl+ K", std::nullopt},
        {"Ctrl+Space", std::nullopt},
        {"Ctrl+Tab", std::nullopt},
        {"Ctrl+Enter", std::nullopt},
        {"Ctrl+F13", std::nullopt},
        {"Ctrl+F0", std::nullopt},
        {"Ctrl+", std::nullopt},
        {"Ctrl++K", std::nullopt},
        {"+K", std::nullopt},
        {"Control+K", std::nullopt},
        {"Win+K", std::nullopt},
        {"Ctrl+;", std::nullopt},
        {"Ctrl+\u00e9", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_chord(c.text), c.chord) << c.text;
}

// A quick key bound to each chord: does pressing it run the action?
TEST(QuickKeyChords, ReservedChordsNeverRunAndModifiersMustMatchExactly) {
    const struct {
        const char* chord;
        unsigned key;
        Modifiers mods;
        bool chrome_tab_keys;
        bool runs;
    } cases[] = {
        {"Ctrl+Shift+T", 'T', CTRL_SHIFT, true, false}, {"Ctrl+Shift+B", 'B', CTRL_SHIFT, true, false},
        {"Ctrl+Shift+A", 'A', CTRL_SHIFT, true, false}, {"Ctrl+Shift+Z", 'Z', CTRL_SHIFT, true, false},
        {"Ctrl+Shift+H", 'H', CTRL_SHIFT, true, false}, {"Ctrl+F1", vk::F1, CTRL, true, false},
        {"Ctrl+3", '3', CTRL, true, false},             {"Ctrl+T", 'T', CTRL, true, false},
        {"Ctrl+N", 'N', CTRL, true, false},             {"Ctrl+N", 'N', CTRL, false, true},
        {"Ctrl+W", 'W', CTRL, false, true},             {"Ctrl+Alt+T", 'T', CTRL_ALT, true, true},
        {"Ctrl+Shift+C", 'C', CTRL_SHIFT, true, true},  {"Ctrl+Shift+1", '1', CTRL_SHIFT, true, true},
        {"Ctrl+Shift+F1", vk::F1, CTRL_SHIFT, true, true}, {"Ctrl+0", '0', CTRL, true, true},
        {"Ctrl+F2", vk::F1 + 1, CTRL, true, true},      {"Shift+F5", vk::F1 + 4, SHIFT, true, true},
        {"Alt+K", 'K', ALT, true, true},                {"Ctrl+K", 'K', CTRL_SHIFT, true, false},
        {"Ctrl+Shift+K", 'K', CTRL, true, false},       {"Ctrl+K", 'L', CTRL, true, false},
    };
    for (const auto& c : cases) {
        AppCell cell;
        FakeHost host;
        {
            auto app = cell.take();
            app->settings.keys.chrome_tab_keys = c.chrome_tab_keys;
            app->quick_keys = {QuickKey{c.chord, ShowHelp{}}};
        }
        EXPECT_EQ(run_quick_key(cell, host, c.key, c.mods), c.runs) << c.chord;
        EXPECT_EQ(cell.take()->help_visible, c.runs) << c.chord;
    }
}

TEST_F(Tracking, QuickActions) {
    const auto file = open_recorder("s-quick");
    const std::uint64_t first_id = host_.spawned.back().id;
    {
        auto app = cell_.take();
        app->profiles = {ConnectionProfile{"p-1", "Shell", LocalShell{"/bin/sh -c 'exec sleep 30'"}, {}, {}}};
        app->aliases = {Alias{"st", "git status", true}, Alias{"ll", "ls -l", false}};
        // The first match wins; a chord that cannot be parsed never matches.
        app->quick_keys = {
            QuickKey{"Ctrl + K", ShowHelp{}},           QuickKey{"Ctrl+K", SendText{"echo hi\r\r echo ho\n"}},
            QuickKey{"Ctrl+K", ShowHelp{}},             QuickKey{"Ctrl+Alt+1", RunAlias{"st"}},
            QuickKey{"Ctrl+Alt+2", RunAlias{"ll"}},     QuickKey{"Ctrl+Alt+3", RunAlias{"gone"}},
            QuickKey{"Ctrl+Alt+4", OpenProfile{"p-gone"}}, QuickKey{"Ctrl+Alt+5", OpenProfile{"p-1"}},
            QuickKey{"Ctrl+Alt+R", RenameTab{}},        QuickKey{"Ctrl+Alt+H", ShowHelp{}},
            QuickKey{"Ctrl+Shift+T", SendText{"never"}},
        };
    }
    type(u"ab");
    // Ctrl+K runs on key-down; its character is not typed as well.
    on_key_down(cell_, host_, 'K', CTRL);
    on_char(cell_, host_, 0x0B, CTRL);
    on_key_down(cell_, host_, '1', CTRL_ALT);
    on_key_down(cell_, host_, '2', CTRL_ALT);
    on_key_down(cell_, host_, '3', CTRL_ALT);
    on_key_down(cell_, host_, '4', CTRL_ALT);
    EXPECT_EQ(received(file), "abecho hi\r\r echo ho\ngit status\rls -l");
    EXPECT_EQ(host_.errors, (Lines{"Quick key points to a deleted alias", "Quick key points to a deleted profile"}));
    {
        auto app = cell_.take();
        const Session& s = app->sessions[app->active];
        EXPECT_EQ(s.line, "ab");  // quick keys leave the typed line alone
        EXPECT_EQ(s.history, (Lines{"echo hi", " echo ho", "git status", "ls -l"}));  // one line each
        EXPECT_FALSE(app->help_visible);
    }
    EXPECT_EQ(file_lines("s-quick"), (Lines{"echo hi", " echo ho", "git status", "ls -l"}));

    on_key_down(cell_, host_, 'H', CTRL_ALT);
    EXPECT_TRUE(cell_.take()->help_visible);
    on_key_down(cell_, host_, 'R', CTRL_ALT);
    ASSERT_EQ(host_.edits_begun.size(), 1u);
    EXPECT_EQ(cell_.take()->rename.id, first_id);
    host_.edits_begun.clear();

    on_key_down(cell_, host_, 'T', CTRL_SHIFT);  // the built-in new tab, not the quick key
    on_key_down(cell_, host_, '5', CTRL_ALT);
    auto app = cell_.take();
    ASSERT_EQ(app->sessions.size(), 3u);
    EXPECT_EQ(app->sessions[2].profile_id, "p-1");
    EXPECT_EQ(app->sessions[2].title, "Shell");
    EXPECT_EQ(host_.errors.size(), 2u);
}

// Three shells of one group and one outside, each in a folder of its own.
TEST_F(Tracking, BroadcastWritesToTheGroupAndTracksTheTypedInTab) {
    std::vector<std::filesystem::path> dirs;
    for (int i = 0; i < 4; ++i) {
        dirs.push_back(tmp_.path() / ("d" + std::to_string(i)));
        std::filesystem::create_directories(dirs.back());
        SpawnRequest r;
        r.command = "/bin/sh -c 'cd " + dirs.back().string() + " && exec /bin/sh'";
        r.record_id = "s-b" + std::to_string(i);
        if (i != 2) r.group = "g";
        ASSERT_TRUE(open_terminal(cell_, host_, r));
    }
    const auto out = [&](int i) { return read_text(dirs[static_cast<std::size_t>(i)] / "out"); };
    std::uint64_t group = 0;
    {
        auto app = cell_.take();
        app->active = *app->index_of(host_.spawned[1].id);
        group = *app->sessions[app->active].group;
        EXPECT_EQ(tab_label(*app, app->sessions[app->active]), "Terminal 2");
    }
    on_key_down(cell_, host_, 'B', CTRL_SHIFT);
    on_key_up(cell_);
    {
        auto app = cell_.take();
        EXPECT_TRUE(app->broadcast_groups.contains(group));
        for (const Session& s : app->sessions)
            EXPECT_EQ(tab_label(*app, s).starts_with("\u00bb "), s.group.has_value()) << s.title;
    }
    type(u"echo one >> out\r");
    ASSERT_TRUE(host_.sink->wait([&] { return out(0) == "one\n" && out(1) == "one\n" && out(3) == "one\n"; }))
        << out(0) << out(1) << out(3);

    on_key_down(cell_, host_, 'B', CTRL_SHIFT);
    on_key_up(cell_);
    type(u"echo two >> out\r");
    {
        auto app = cell_.take();
        EXPECT_TRUE(app->broadcast_groups.empty());
        EXPECT_EQ(tab_label(*app, app->sessions[app->active]), "Terminal 2");
        for (Session& s : app->sessions) s.pty->write("echo end >> out\r");
    }
    ASSERT_TRUE(host_.sink->wait([&] {
        for (int i = 0; i < 4; ++i)
            if (!out(i).ends_with("end\n")) return false;
        return true;
    }));
    EXPECT_EQ(out(0), "one\nend\n");
    EXPECT_EQ(out(1), "one\ntwo\nend\n");  // the typed-in tab
    EXPECT_EQ(out(2), "end\n");            // outside the group
    EXPECT_EQ(out(3), "one\nend\n");
    // A tab outside every group has nothing to broadcast to.
    cell_.take()->active = 3;
    on_key_down(cell_, host_, 'B', CTRL_SHIFT);
    on_key_up(cell_);
    auto app = cell_.take();
    EXPECT_FALSE(app->sessions[3].group);
    EXPECT_TRUE(app->broadcast_groups.empty());
    for (const Session& s : app->sessions) {
        const bool typed_in = s.id() == host_.spawned[1].id;
        EXPECT_EQ(s.history.size(), typed_in ? 2u : 0u) << s.title;
        EXPECT_EQ(std::filesystem::exists(tmp_.path() / "cfg" / "history" / (s.record_id + ".jsonl")), typed_in)
            << s.title;
    }
}

}  // namespace
}  // namespace ovelin
