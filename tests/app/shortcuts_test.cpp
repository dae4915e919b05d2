// The one table of shortcut keys: what each chord dispatches to, the help
// rows it gives, and the README's key table kept in step with them.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/shortcuts.hpp"

namespace ovelin {
namespace {

constexpr Modifiers C{true, false, false}, S{false, true, false}, CS{true, true, false}, CA{true, false, true},
    NONE{};

TEST(Shortcuts, EachChordFindsItsCommand) {
    using enum Shortcut;
    const struct {
        unsigned key;
        Modifiers mods;
        bool chrome;
        std::optional<Shortcut> command;
        unsigned index = 0;
    } cases[] = {
        {'T', C, true, NewTab},          {'T', C, false, std::nullopt},     {'T', CS, false, NewTab},
        {'W', C, true, CloseTab},        {'N', C, true, NewWindow},         {'N', CS, true, std::nullopt},
        {vk::TAB, C, true, NextTab},     {vk::TAB, CS, true, PreviousTab},  {'5', C, true, SelectTab, 4},
        {'1', C, true, SelectTab, 0},    {'5', CS, true, std::nullopt},     {'0', C, true, std::nullopt},
        {vk::INSERT, C, true, CopyScreen}, {vk::INSERT, S, true, Paste},    {vk::INSERT, CS, true, Paste},
        {vk::INSERT, NONE, true, std::nullopt}, {vk::F1, C, true, Help},    {vk::F1, CS, true, std::nullopt},
        {vk::PRIOR, S, true, PageBack},  {vk::NEXT, S, true, PageForward},  {vk::PRIOR, NONE, true, std::nullopt},
        {vk::UP, CS, true, LineBack},    {vk::DOWN, CS, true, LineForward}, {vk::UP, C, true, std::nullopt},
        {vk::HOME, CS, true, Oldest},    {vk::END, CS, true, Live},         {'F', CS, true, Find},
        {'F', C, true, std::nullopt},    {'Z', CS, true, BrowseGroups},     {'E', CS, true, Collapse},
        {'T', CA, true, std::nullopt},   {'T', {true, true, true}, true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + (c.mods.ctrl ? " ctrl" : "") + (c.mods.shift ? " shift" : "") +
                     (c.mods.alt ? " alt" : "") + (c.chrome ? " chrome" : ""));
        const auto hit = find_shortcut(c.key, c.mods, c.chrome);
        ASSERT_EQ(hit.has_value(), c.command.has_value());
        if (hit) {
            EXPECT_EQ(hit->command, *c.command);
            EXPECT_EQ(hit->index, c.index);
        }
    }
}

TEST(Shortcuts, HelpRowsNameTheModifierAndAddTheNewKeysAtTheEnd) {
    const std::pair<const char*, const char*> settings[] = {
        {"alt", "alt+Arrows"}, {"ctrl", "ctrl+Arrows"}, {"", "Alt+Arrows"}, {"Ctrl+Shift", "Ctrl+Shift+Arrows"}};
    for (const auto& [setting, key] : settings) {
        const auto rows = help_rows(setting);
        ASSERT_EQ(rows.size(), 21u);
        EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{key, "Move selection (wraps; 4-way tiled)"}));
        EXPECT_EQ(rows[9], (std::pair<std::string, std::string>{"Ctrl+Shift+H", "History viewer"}));
        EXPECT_EQ(rows[15], (std::pair<std::string, std::string>{"Shift+Ins / Ctrl+Shift+Ins", "Paste"}));
        EXPECT_EQ(rows[17], (std::pair<std::string, std::string>{"Ctrl+F1", "This help (Esc closes)"}));
        EXPECT_EQ(rows[20].first, "Ctrl+Shift+F");
    }
}

TEST(Shortcuts, TheReadmeListsTheHelpRows) {
    std::ifstream in(OVELIN_SOURCE_DIR "/README.md");
    ASSERT_TRUE(in) << "README.md";
    std::vector<std::pair<std::string, std::string>> listed;
    bool in_keys = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("## ")) in_keys = line == "## Keys";
        if (!in_keys || !line.starts_with("| ") || line.starts_with("| keys") || line.starts_with("|---")) continue;
        const std::size_t mid = line.find(" | ", 2);
        ASSERT_NE(mid, std::string::npos) << line;
        listed.emplace_back(line.substr(2, mid - 2), line.substr(mid + 3, line.size() - mid - 3 - 2));
    }
    EXPECT_EQ(listed, help_rows("")) << "README's key table is the help overlay's rows";
}

}  // namespace
}  // namespace ovelin
