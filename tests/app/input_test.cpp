// Keys and characters into real sessions whose program records every byte
// it receives.

#include <gtest/gtest.h>

#include "app/input.hpp"
#include "app/sessions.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/recorder.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;
using testing::FakeHost;
using testing::read_text;

TEST(KeyTable, EverySpecialKeyAndNothingElse) {
    const struct {
        unsigned key;
        Modifiers mods;
        std::optional<std::string> bytes;
    } cases[] = {
        {vk::UP, {}, "\x1b[A"},          {vk::DOWN, {}, "\x1b[B"},       {vk::RIGHT, {}, "\x1b[C"},
        {vk::LEFT, {}, "\x1b[D"},        {vk::HOME, {}, "\x1b[H"},       {vk::END, {}, "\x1b[F"},
        {vk::INSERT, {}, "\x1b[2~"},     {vk::DELETE_KEY, {}, "\x1b[3~"}, {vk::PRIOR, {}, "\x1b[5~"},
        {vk::NEXT, {}, "\x1b[6~"},       {vk::F1, {}, "\x1bOP"},         {vk::F1 + 1, {}, "\x1bOQ"},
        {vk::F1 + 2, {}, "\x1bOR"},      {vk::F1 + 3, {}, "\x1bOS"},     {vk::F1 + 4, {}, "\x1b[15~"},
        {vk::F1 + 5, {}, "\x1b[17~"},    {vk::F1 + 6, {}, "\x1b[18~"},   {vk::F1 + 7, {}, "\x1b[19~"},
        {vk::F1 + 8, {}, "\x1b[20~"},    {vk::F1 + 9, {}, "\x1b[21~"},   {vk::F1 + 10, {}, "\x1b[23~"},
        {vk::F12, {}, "\x1b[24~"},       {vk::TAB, {false, true, false}, "\x1b[Z"},
        // With modifiers, xterm's parameter: 1 + Shift + 2 Alt + 4 Ctrl.
        {vk::LEFT, {true, false, false}, "\x1b[1;5D"}, {vk::F1 + 4, {false, true, false}, "\x1b[15;2~"},
        {vk::F1, {true, true, true}, "\x1b[1;8P"},     {vk::TAB, {true, true, false}, "\x1b[Z"},
        // Keys that send nothing from key-down.
        {vk::TAB, {}, std::nullopt},     {vk::RETURN, {}, std::nullopt}, {vk::BACK, {}, std::nullopt},
        {vk::ESCAPE, {}, std::nullopt},  {'A', {}, std::nullopt},        {0x7C /* F13 */, {}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(key_sequence(c.key, c.mods), c.bytes) << "key " << c.key;
}

// Sessions running a recorder: raw terminal, no echo, every byte to a file.
class Input : public testing::RecorderTest {
protected:
    std::filesystem::path open_recorder(const std::optional<std::string>& group = std::nullopt) {
        return open_recorder_file(group);
    }
    void mark(const std::string& marker) { send_input(*cell_.take(), marker); }
};

TEST_F(Input, CharactersBecomeTheirBytes) {
    const Modifiers none{}, ctrl{true, false, false}, ctrl_shift{true, true, false}, shift{false, true, false},
        altgr{true, false, true};
    const struct {
        const char* name;
        std::vector<char16_t> units;
        Modifiers mods;
        bool chrome_tab_keys;
        std::string bytes;
    } cases[] = {
        {"backspace", {0x08}, none, true, "\x7f"},
        {"ctrl+backspace", {0x7F}, ctrl, true, "\x08"},
        {"ctrl+c", {0x03}, ctrl, true, "\x03"},
        {"ctrl+shift+c", {0x03}, ctrl_shift, true, ""},
        {"ctrl+t with tab keys", {0x14}, ctrl, true, ""},
        {"ctrl+t without tab keys", {0x14}, ctrl, false, "\x14"},
        {"ctrl+w with tab keys", {0x17}, ctrl, true, ""},
        {"ctrl+n without tab keys", {0x0E}, ctrl, false, "\x0e"},
        {"ctrl+tab", {0x09}, ctrl, true, ""},
        {"shift+tab", {0x09}, shift, true, ""},
        {"tab", {0x09}, none, true, "\t"},
        {"enter", {0x0D}, none, true, "\r"},
        {"ctrl+enter", {0x0A}, ctrl, true, "\n"},
        {"escape", {0x1B}, none, true, "\x1b"},
        {"altgr", {u'@'}, altgr, true, "@"},
        {"letter", {u'a'}, none, true, "a"},
        {"e acute", {0xE9}, none, true, "\xc3\xa9"},
        {"emoji", {0xD83D, 0xDE00}, none, true, "\xf0\x9f\x98\x80"},
        {"lone low surrogate", {0xDE00}, none, true, ""},
        {"high surrogate then letter", {0xD83D, u'x'}, none, true, ""},
    };
    const auto file = open_recorder();
    for (const auto& c : cases) {
        cell_.take()->settings.keys.chrome_tab_keys = c.chrome_tab_keys;
        for (char16_t u : c.units) on_char(cell_, host_, u, c.mods);
        const std::string marker = std::string("<") + c.name + ">";
        mark(marker);
        const std::string all = recorded(file, marker);
        const std::size_t from = all.rfind('>');
        EXPECT_EQ(all.substr(from == std::string::npos ? 0 : from + 1), c.bytes) << c.name;
    }
}

// Every key of the table with a modifier, through the key-down path; keys
// that shortcuts claim keep doing that.
TEST_F(Input, ModifiedKeysReachTheProgramAsXtermSendsThem) {
    const Modifiers shift{false, true, false}, ctrl{true, false, false}, ctrl_alt{true, false, true},
        ctrl_shift{true, true, false}, all{true, true, true};
    const struct {
        unsigned key;
        Modifiers mods;
        const char* bytes;
    } cases[] = {
        {vk::UP, shift, "\x1b[1;2A"},         {vk::DOWN, ctrl, "\x1b[1;5B"},
        {vk::RIGHT, ctrl, "\x1b[1;5C"},       {vk::LEFT, ctrl_alt, "\x1b[1;7D"},
        {vk::HOME, shift, "\x1b[1;2H"},       {vk::END, ctrl, "\x1b[1;5F"},
        {vk::DELETE_KEY, ctrl, "\x1b[3;5~"},  {vk::PRIOR, ctrl, "\x1b[5;5~"},
        {vk::NEXT, ctrl_alt, "\x1b[6;7~"},    {vk::INSERT, ctrl_alt, "\x1b[2;7~"},
        {vk::F1, shift, "\x1b[1;2P"},         {vk::F1 + 1, ctrl, "\x1b[1;5Q"},
        {vk::F1 + 2, all, "\x1b[1;8R"},       {vk::F1 + 3, ctrl_shift, "\x1b[1;6S"},
        {vk::F1 + 4, shift, "\x1b[15;2~"},    {vk::F1 + 5, ctrl, "\x1b[17;5~"},
        {vk::F1 + 6, ctrl_alt, "\x1b[18;7~"}, {vk::F1 + 7, shift, "\x1b[19;2~"},
        {vk::F1 + 8, ctrl_shift, "\x1b[20;6~"}, {vk::F10, shift, "\x1b[21;2~"},
        {vk::F1 + 10, ctrl, "\x1b[23;5~"},    {vk::F12, all, "\x1b[24;8~"},
        {vk::UP, {}, "\x1b[A"},               {vk::F1, {}, "\x1bOP"},
        {vk::INSERT, ctrl, ""},                // copies the screen
    };
    const auto file = open_recorder();
    for (const auto& c : cases) {
        on_key_down(cell_, host_, c.key, c.mods);
        mark("|");
    }
    mark("!");
    const std::string all_bytes = recorded(file, "!");
    std::string want;
    for (const auto& c : cases) want += std::string(c.bytes) + "|";
    EXPECT_EQ(all_bytes, want);
}

TEST_F(Input, ShiftTabSendsBackTabOnce) {
    const auto file = open_recorder();
    on_key_down(cell_, host_, vk::TAB, {false, true, false});
    on_char(cell_, host_, 0x09, {false, true, false});
    mark("!");
    EXPECT_EQ(recorded(file, "!"), "\x1b[Z");
}

TEST_F(Input, EscapeFirstClosesTheHelpOverlay) {
    const auto file = open_recorder();
    cell_.take()->help_visible = true;
    on_char(cell_, host_, 0x1B, {});
    EXPECT_FALSE(cell_.take()->help_visible);
    on_char(cell_, host_, 0x1B, {});
    mark("!");
    EXPECT_EQ(recorded(file, "!"), "\x1b");
}

TEST_F(Input, NothingIsSentWhileBrowsingGroups) {
    const auto file = open_recorder();
    cell_.take()->view_mode = ViewMode::BrowseGroups;
    on_char(cell_, host_, u'a', {});
    on_key_down(cell_, host_, vk::F1 + 4, {});
    cell_.take()->view_mode = ViewMode::Single;
    mark("!");
    EXPECT_EQ(recorded(file, "!"), "");
}

TEST_F(Input, BroadcastReachesEveryTabOfTheGroup) {
    const auto a = open_recorder("g");
    const auto b = open_recorder("g");
    const auto other = open_recorder();
    const auto c = open_recorder("g");
    std::uint64_t group = 0;
    {
        auto app = cell_.take();
        app->active = *app->index_of(host_.spawned[0].id);
        group = *app->sessions[app->active].group;
    }
    on_char(cell_, host_, u'x', {});  // not broadcasting: the active tab only
    cell_.take()->broadcast_groups.insert(group);
    on_char(cell_, host_, u'y', {});
    on_key_down(cell_, host_, vk::UP, {});
    {
        auto app = cell_.take();
        for (Session& s : app->sessions) s.pty->write("!");
    }
    EXPECT_EQ(recorded(a, "!"), "xy\x1b[A");
    EXPECT_EQ(recorded(b, "!"), "y\x1b[A");
    EXPECT_EQ(recorded(c, "!"), "y\x1b[A");
    EXPECT_EQ(recorded(other, "!"), "");
}

TEST_F(Input, TypedTextComesBackFromTheShell) {
    SpawnRequest r;
    r.command = "/bin/sh";
    ASSERT_TRUE(open_terminal(cell_, host_, r));
    {
        auto app = cell_.take();
        const auto& pty = app->sessions[0].pty;
        ASSERT_TRUE(host_.sink->wait([&] { return !testing::screen_text(*pty).empty(); }));  // the prompt
    }
    for (char c : std::string("echo typed$((6*7))\r")) on_char(cell_, host_, static_cast<char16_t>(c), {});
    auto app = cell_.take();
    const auto& pty = app->sessions[0].pty;
    EXPECT_TRUE(host_.sink->wait([&] { return testing::screen_text(*pty).find("\ntyped42") != std::string::npos; }))
        << testing::screen_text(*pty);
}

TEST_F(Input, TabShortcutsAndNavigation) {
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(open_terminal(cell_, host_, {}));
    const Modifiers ctrl{true, false, false};
    on_key_down(cell_, host_, vk::TAB, ctrl);
    EXPECT_EQ(cell_.take()->active, 0u);  // wraps
    on_key_down(cell_, host_, '3', ctrl);
    EXPECT_EQ(cell_.take()->active, 2u);
    on_key_down(cell_, host_, '5', ctrl);  // no fifth tab
    EXPECT_EQ(cell_.take()->active, 2u);
    cell_.take()->settings.keys.nav_modifier = "ctrl";
    on_key_down(cell_, host_, vk::RIGHT, ctrl);
    EXPECT_EQ(cell_.take()->active, 0u);
    on_key_down(cell_, host_, vk::UP, ctrl);
    EXPECT_EQ(cell_.take()->active, 0u);
    on_key_down(cell_, host_, 'T', ctrl);
    EXPECT_EQ(cell_.take()->sessions.size(), 4u);
    on_key_down(cell_, host_, 'W', {true, true, false});
    EXPECT_EQ(cell_.take()->sessions.size(), 3u);
    cell_.take()->settings.keys.chrome_tab_keys = false;
    on_key_down(cell_, host_, 'W', ctrl);  // now a character for the terminal
    EXPECT_EQ(cell_.take()->sessions.size(), 3u);
}

// A key the window takes (browser keys, shortcuts, quick keys) is not typed
// as well: the characters the platform makes of it, which arrive between its
// key-down and the next key message, are dropped. Other keys are typed.
TEST_F(Input, TheCharactersOfATakenKeyAreNotTyped) {
    const Modifiers none{}, ctrl{true, false, false}, ctrl_shift{true, true, false};
    struct Key {
        unsigned key;
        char16_t unit;  // 0: the key makes no character
        Modifiers mods;
    };
    const struct {
        const char* name;
        ViewMode mode;
        std::vector<Key> keys;  // each pressed as the window sees it: key-down, character, key-up
        std::string sent;
        bool help;
    } cases[] = {
        {"enter on the browser's card of the tab", ViewMode::BrowseGroups, {{vk::RETURN, u'\r', none}}, "", false},
        {"escape out of the browser", ViewMode::BrowseGroups, {{vk::ESCAPE, 0x1B, none}}, "", false},
        {"a quick key's letter", ViewMode::Single, {{'K', 0x0B, ctrl}}, "[k]", false},
        {"ctrl+shift+f1 is a quick key's", ViewMode::Single, {{vk::F1, 0, ctrl_shift}}, "[f1]", false},
        {"ctrl+f1 is help", ViewMode::Single, {{vk::F1, 0, ctrl}}, "", true},
        {"the next key is typed again", ViewMode::Single, {{'K', 0x0B, ctrl}, {'A', u'a', none}}, "[k]a", false},
        {"enter typed", ViewMode::Single, {{vk::RETURN, u'\r', none}}, "\r", false},
        {"ctrl+c typed", ViewMode::Single, {{'C', 0x03, ctrl}}, "\x03", false},
    };
    const auto file = open_recorder();
    {
        auto app = cell_.take();
        app->quick_keys = {QuickKey{"Ctrl+K", SendText{"[k]"}}, QuickKey{"Ctrl+Shift+F1", SendText{"[f1]"}}};
    }
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            app->view_mode = c.mode;
            app->help_visible = false;
        }
        for (const Key& k : c.keys) {
            on_key_down(cell_, host_, k.key, k.mods);
            if (k.unit) on_char(cell_, host_, k.unit, k.mods);
            on_key_up(cell_);
        }
        {
            auto app = cell_.take();
            EXPECT_EQ(app->view_mode, ViewMode::Single) << c.name;
            EXPECT_EQ(app->help_visible, c.help) << c.name;
        }
        const std::string marker = std::string("<") + c.name + ">";
        mark(marker);
        const std::string all = recorded(file, marker);
        const std::size_t from = all.rfind('>');
        EXPECT_EQ(all.substr(from == std::string::npos ? 0 : from + 1), c.sent) << c.name;
    }
}

}  // namespace
}  // namespace ovelin
