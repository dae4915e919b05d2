// The bar built from real tabs, what the mouse does on it, and renaming in place.

#include <gtest/gtest.h>

#include <mutex>

#include "app/input.hpp"
#include "app/mouse.hpp"
#include "app/rename.hpp"
#include "app/tab_bar.hpp"
#include "app/tab_label.hpp"
#include "bar_fixture.hpp"

namespace ovelin {
namespace {

using testing::BarTest;
using Kind = TabBarItem::Kind;

void program_sets_title(const Session& s, std::string_view title) {
    std::lock_guard lock(s.pty->screen()->mutex);
    s.pty->screen()->screen.feed("\x1b]2;" + std::string(title) + "\x07");
}

TEST_F(BarTest, TabLabels) {
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    const std::uint64_t g = add_group("G", {0});
    const struct {
        const char* title;
        bool custom;
        const char* program_title;  // nullptr: as before
        bool broadcast;
        std::optional<std::uint32_t> exit_code;
        const char* label;
        const char* bare;
    } cases[] = {
        {"Terminal 1", false, nullptr, false, {}, "Terminal 1", "Terminal 1"},
        {"Terminal 1", false, "vim notes", false, {}, "vim notes", "vim notes"},
        {"mine", true, nullptr, false, {}, "mine", "mine"},
        {"Terminal 1", false, nullptr, true, {}, "\u00bb vim notes", "vim notes"},
        {"mine", true, nullptr, true, 2, "\u2715 \u00bb mine", "mine"},
        {"Terminal 1", false, nullptr, false, 1, "\u2715 vim notes", "vim notes"},
        {"Terminal 1", false, "", false, {}, "Terminal 1", "Terminal 1"},  // the program cleared its title
    };
    for (const auto& c : cases) {
        auto app = cell_.take();
        Session& s = app->sessions[0];
        s.title = c.title;
        s.custom_title = c.custom;
        s.exit_code = c.exit_code;
        if (c.program_title) program_sets_title(s, c.program_title);
        app->broadcast_groups.clear();
        if (c.broadcast) app->broadcast_groups.insert(g);
        EXPECT_EQ(tab_label(*app, s), c.label);
        EXPECT_EQ(session_title(s), c.bare) << c.label;
    }
}

TEST_F(BarTest, ItemsStandACollapsedGroupAtItsFirstTabAndOnlyItsOwnTabsHide) {
    open_tabs({"a", "b", "c", "d", "e", "f"});
    const std::uint64_t work = add_group("Work", {1, 3}, std::nullopt, true);
    add_group("Inner", {2}, work, false);  // expanded, inside the collapsed one
    const std::uint64_t last = add_group("Last", {5}, std::nullopt, true);
    {
        auto app = cell_.take();
        app->sessions[4].color = 12;  // reduced modulo 8: Cyan
        app->active = 3;              // hidden in Work
        app->broadcast_groups.insert(last);
    }
    constexpr Rgb RED{231, 72, 86}, ORANGE{247, 140, 60}, YELLOW{249, 241, 165}, CYAN{97, 214, 214};
    const struct {
        Kind kind;
        std::size_t session;
        std::uint64_t group;
        const char* label;
        std::optional<Rgb> stripe, underline;
        bool active;
    } expected[] = {
        {Kind::Tab, 0, 0, "a", {}, {}, false},
        {Kind::Group, 0, work, "\u25b8 Work (2)", RED, RED, true},
        {Kind::Tab, 2, 0, "c", ORANGE, ORANGE, false},
        {Kind::Tab, 4, 0, "e", CYAN, {}, false},
        {Kind::Group, 0, last, "\u25b8 \u00bb Last (1)", YELLOW, YELLOW, false},
    };
    auto app = cell_.take();
    const std::vector<TabBarItem> items = build_bar_items(*app);
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& e = expected[i];
        EXPECT_EQ(items[i].kind, e.kind) << i;
        if (e.kind == Kind::Tab) { EXPECT_EQ(items[i].session, e.session) << i; }
        if (e.kind == Kind::Group) { EXPECT_EQ(items[i].group, e.group) << i; }
        EXPECT_EQ(items[i].label, e.label) << i;
        EXPECT_EQ(items[i].stripe, e.stripe) << i;
        EXPECT_EQ(items[i].underline, e.underline) << i;
        EXPECT_EQ(items[i].active, e.active) << i;
    }
    const std::size_t slots[] = {0, 1, 2, 1, 3, 4};
    for (std::size_t s = 0; s < std::size(slots); ++s) EXPECT_EQ(slot_of_session(*app, s), slots[s]) << "tab " << s;
    EXPECT_EQ(slot_of_session(*app, 99), 0u);
}

TEST_F(BarTest, MousePresses) {
    // Double is the second press alone; DoubleClick the whole of what the
    // window gets: press, release, double click, release.
    enum Press { Left, Middle, Right, Double, DoubleClick };
    // Tabs a, b and the collapsed group G of c and d: slots 0-180, 180-360, 360-540; "+" from 960.
    const struct {
        Press press;
        int x, y;
        std::vector<std::string> titles;
        const char* active;
        bool expanded;
        int menu;                 // first item of the menu shown, 0 for none
        const char* edit = "";  // the text a rename edit began with
    } cases[] = {
        {Left, 10, 10, {"a", "b", "c", "d"}, "a", false, 0},
        {Left, 170, 10, {"b", "c", "d"}, "c", false, 0},
        {Left, 400, 10, {"a", "b", "c", "d"}, "c", true, 0},
        {Left, 530, 10, {"a", "b"}, "b", false, 0},
        {Left, 980, 10, {"a", "b", "c", "d", "Terminal 5"}, "Terminal 5", false, 0},
        {Left, 600, 10, {"a", "b", "c", "d"}, "b", false, 0},
        {Left, 10, 34, {"a", "b", "c", "d"}, "b", false, 0},
        {Middle, 10, 10, {"b", "c", "d"}, "c", false, 0},
        {Middle, 400, 10, {"a", "b"}, "b", false, 0},
        {Middle, 980, 10, {"a", "b", "c", "d"}, "b", false, 0},
        {Right, 200, 10, {"a", "b", "c", "d"}, "b", false, 1},
        {Right, 350, 10, {"a", "b", "c", "d"}, "b", false, 1},
        {Right, 400, 10, {"a", "b", "c", "d"}, "b", false, 9},
        {Right, 980, 10, {"a", "b", "c", "d"}, "b", false, 0},
        {Right, 200, 40, {"a", "b", "c", "d"}, "b", false, 0},
        {Double, 10, 10, {"a", "b", "c", "d"}, "b", false, 0, "a"},
        {Double, 400, 10, {"a", "b", "c", "d"}, "b", false, 0, "G"},
        {Double, 170, 10, {"a", "b", "c", "d"}, "b", false, 0},
        {Double, 980, 10, {"a", "b", "c", "d"}, "b", false, 0},
        {Double, 10, 40, {"a", "b", "c", "d"}, "b", false, 0},
        {DoubleClick, 10, 10, {"a", "b", "c", "d"}, "a", false, 0, "a"},
        // The first press expands the group; the double click takes that back.
        {DoubleClick, 400, 10, {"a", "b", "c", "d"}, "b", false, 0, "G"},
    };
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            app->sessions.clear();
            app->groups.clear();
            app->rename = {};
        }
        open_tabs({"a", "b", "c", "d"});
        const std::uint64_t g = add_group("G", {2, 3}, std::nullopt, true);
        cell_.take()->active = 1;
        host_.menus.clear();
        host_.edits_begun.clear();
        switch (c.press) {
            case Left: on_left_down(cell_, host_, c.x, c.y); break;
            case Middle: on_middle_down(cell_, host_, c.x, c.y); break;
            case Right: on_right_down(cell_, host_, c.x, c.y); break;
            case Double: on_left_double_click(cell_, host_, c.x, c.y); break;
            case DoubleClick:
                on_left_down(cell_, host_, c.x, c.y);
                on_left_up(cell_, host_, c.x, c.y);
                on_left_double_click(cell_, host_, c.x, c.y);
                on_left_up(cell_, host_, c.x, c.y);
                break;
        }
        const std::string where = "press " + std::to_string(c.press) + " at " + std::to_string(c.x) + "," +
                                  std::to_string(c.y);
        EXPECT_EQ(titles(), c.titles) << where;
        EXPECT_EQ(titles().at(active()), c.active) << where;
        if (group(g)) { EXPECT_EQ(!group(g)->collapsed, c.expanded) << where; }
        ASSERT_EQ(host_.menus.size(), c.menu ? 1u : 0u) << where;
        if (c.menu) {
            EXPECT_EQ(host_.menus[0].menu.items.at(0).id, c.menu) << where;
            EXPECT_EQ(host_.menus[0].x, c.x);
        }
        ASSERT_EQ(host_.edits_begun.size(), *c.edit ? 1u : 0u) << where;
        if (*c.edit) { EXPECT_EQ(host_.edits_begun[0].second, c.edit) << where; }
    }
}

TEST_F(BarTest, RenameCommitsTrimmedTextAndOtherwiseLeavesTheOldName) {
    enum Ends { Commit, Cancel, TargetCloses, EditFails };
    const struct {
        bool group;
        const char* typed;
        Ends ends;
        const char* tab_title;   // tab b afterwards
        const char* group_name;  // group G afterwards
    } cases[] = {
        {false, "  New name \t", Commit, "New name", "G"},
        {false, "New name", Cancel, "b", "G"},
        {false, " \u3000 ", Commit, "b", "G"},  // blank is a cancel
        {false, "New name", TargetCloses, nullptr, "G"},
        {false, "New name", EditFails, "b", "G"},
        {true, " Ops ", Commit, "b", "Ops"},
        {true, "", Commit, "b", "G"},
    };
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            app->sessions.clear();
            app->groups.clear();
        }
        open_tabs({"a", "b", "c"});
        const std::uint64_t g = add_group("G", {1, 2});
        const std::uint64_t b = id_of(1);
        host_.edit_answer = c.ends != EditFails;
        host_.edits_begun.clear();
        host_.edits_ended = 0;
        // Removing the edit reports its focus loss again, as the platform's does.
        host_.while_edit_closes = [&] { end_rename(cell_, host_, true); };

        begin_rename(cell_, host_, 1, c.group ? RenameState::Target::Group : RenameState::Target::Tab,
                     c.group ? g : b);
        ASSERT_EQ(host_.edits_begun.size(), 1u);
        EXPECT_EQ(host_.edits_begun[0].first, (Rect{186, 5, 334, 29}));
        EXPECT_EQ(host_.edits_begun[0].second, c.group ? "G" : "b");
        EXPECT_EQ(cell_.take()->rename.target == RenameState::Target::None, c.ends == EditFails);
        if (c.ends == EditFails) {
            EXPECT_EQ(host_.edits_ended, 0);
            continue;
        }
        host_.edit_text = c.typed;
        if (c.ends == TargetCloses) close_tab(cell_, host_, 1);
        std::filesystem::remove(tmp_.path() / "sessions.json");
        end_rename(cell_, host_, c.ends != Cancel);

        EXPECT_EQ(host_.edits_ended, 1) << c.typed;
        EXPECT_EQ(cell_.take()->rename.target, RenameState::Target::None);
        if (c.tab_title)
            EXPECT_EQ(titles(), (std::vector<std::string>{"a", c.tab_title, "c"}));
        else
            EXPECT_EQ(titles(), (std::vector<std::string>{"a", "c"}));
        EXPECT_EQ(group(g)->name, c.group_name);
        const bool changed = (c.tab_title && std::string(c.tab_title) != "b") || std::string(c.group_name) != "G";
        EXPECT_EQ(std::filesystem::exists(tmp_.path() / "sessions.json"), changed) << c.typed;
        if (changed) {
            const SessionsFile file = saved();
            EXPECT_EQ(file.sessions.at(1).title, std::optional<std::string>(c.tab_title));
            EXPECT_EQ(file.sessions.at(1).group, std::optional<std::string>(c.group_name));
        }
    }
}

TEST_F(BarTest, ARenamedTabKeepsItsNameAndANewRenameCommitsTheOpenOne) {
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    ASSERT_TRUE(open_terminal(cell_, host_, {}));
    // Ctrl+Shift+R renames the active tab, starting from what its label shows.
    program_sets_title(cell_.take()->sessions[1], "top");
    on_key_down(cell_, host_, 'R', Modifiers{true, true, false});
    ASSERT_EQ(host_.edits_begun.size(), 1u);
    EXPECT_EQ(host_.edits_begun[0], (std::pair<Rect, std::string>{{186, 5, 334, 29}, "top"}));
    host_.edit_text = "build";

    // Beginning another rename keeps what was typed in the first.
    begin_rename(cell_, host_, 0, RenameState::Target::Tab, id_of(0));
    EXPECT_EQ(host_.edits_ended, 1);
    ASSERT_EQ(host_.edits_begun.size(), 2u);
    EXPECT_EQ(host_.edits_begun[1].second, "Terminal 1");
    on_left_down(cell_, host_, 500, 300);  // a click elsewhere leaves the edit
    EXPECT_EQ(host_.edits_ended, 2);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Terminal 1", "build"}));

    auto app = cell_.take();
    program_sets_title(app->sessions[1], "htop");
    EXPECT_EQ(tab_label(*app, app->sessions[1]), "build");
    EXPECT_EQ(tab_label(*app, app->sessions[0]), "Terminal 1");  // committed as shown: the user's now
    EXPECT_TRUE(app->sessions[0].custom_title);
}

TEST_F(BarTest, ARenameOfASlotPastThePlusOpensOverTheLastSlotShown) {
    host_.size = {300, 400};  // slots of 72, four start left of the "+" at 260
    open_tabs({"a", "b", "c", "d", "e"});
    rename_active_tab(cell_, host_);
    ASSERT_EQ(host_.edits_begun.size(), 1u);
    EXPECT_EQ(host_.edits_begun[0], (std::pair<Rect, std::string>{{222, 5, 262, 29}, "e"}));
}

}  // namespace
}  // namespace ovelin
