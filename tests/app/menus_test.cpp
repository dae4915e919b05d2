// The tab and group menus: their models, and what each choice does once
// the popup returns.

#include <gtest/gtest.h>

#include "app/groups.hpp"
#include "app/menus.hpp"
#include "bar_fixture.hpp"

namespace ovelin {
namespace {

using testing::BarTest;

// One line per item: "id text", " *" when checked, submenus indented.
void outline(const std::vector<MenuItem>& items, const std::string& indent, std::vector<std::string>& out) {
    for (const MenuItem& i : items) {
        if (i.kind == MenuItem::Kind::Separator) {
            out.push_back(indent + "---");
        } else if (i.kind == MenuItem::Kind::Submenu) {
            out.push_back(indent + i.text + " >");
            outline(i.items, indent + "  ", out);
        } else {
            out.push_back(indent + std::to_string(i.id) + " " + i.text + (i.checked ? " *" : ""));
        }
    }
}
std::vector<std::string> outline(const Menu& m) {
    std::vector<std::string> out;
    outline(m.items, "", out);
    return out;
}

std::vector<std::string> colors(int marked) {
    const char* names[] = {"Red", "Orange", "Yellow", "Green", "Cyan", "Blue", "Purple", "Gray"};
    std::vector<std::string> out{"Color >", std::string("  100 Default") + (marked < 0 ? " *" : "")};
    for (int i = 0; i < 8; ++i) out.push_back("  " + std::to_string(101 + i) + " " + names[i] + (i == marked ? " *" : ""));
    return out;
}
std::vector<std::string> view(int marked) {
    const char* items[] = {"11 Single", "12 Tile group\tCtrl+Shift+G", "13 Tile all\tCtrl+Shift+A",
                           "15 Browse groups\tCtrl+Shift+Z"};
    std::vector<std::string> out{"View >"};
    for (int i = 0; i < 4; ++i) out.push_back(std::string("  ") + items[i] + (i == marked ? " *" : ""));
    return out;
}
std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class Menus : public BarTest {
protected:
    // "a *b:Ops c#2 | Ops collapsed broadcast, Dev^Ops | TileAll | edit Ops"
    std::string summary() {
        auto app = cell_.take();
        std::string out;
        for (std::size_t i = 0; i < app->sessions.size(); ++i) {
            const Session& s = app->sessions[i];
            if (i) out += ' ';
            if (i == app->active) out += '*';
            out += s.title;
            if (s.group) out += ":" + (app->find_group(*s.group) ? app->find_group(*s.group)->name : "?");
            if (s.color) out += "#" + std::to_string(*s.color);
        }
        out += " |";
        for (std::size_t i = 0; i < app->groups.size(); ++i) {
            const TabGroup& g = app->groups[i];
            out += (i ? ", " : " ") + g.name;
            if (g.parent) out += "^" + (app->find_group(*g.parent) ? app->find_group(*g.parent)->name : "?");
            if (g.collapsed) out += " collapsed";
            if (app->broadcast_groups.contains(g.id)) out += " broadcast";
        }
        const char* modes[] = {"Single", "TileGroup", "TileAll", "BrowseGroups"};
        out += std::string(" | ") + modes[static_cast<int>(app->view_mode)];
        for (const auto& e : host_.edits_begun) out += " | edit " + e.second;
        return out;
    }
    void reset() {
        {
            auto app = cell_.take();
            app->sessions.clear();
            app->groups.clear();
            app->broadcast_groups.clear();
            app->next_group_id = 0;
            app->view_mode = ViewMode::Single;
            app->rename = {};
        }
        host_.menus.clear();
        host_.edits_begun.clear();
        host_.while_menu_open = nullptr;
    }
};

TEST_F(Menus, TabMenuModel) {
    open_tabs({"a", "b", "c"});
    const std::uint64_t ops = add_group("Ops", {1}, std::nullopt, true);
    add_group("Dev", {2});
    {
        auto app = cell_.take();
        app->sessions[1].color = 13;  // shown as Blue
        app->broadcast_groups.insert(ops);
        app->view_mode = ViewMode::TileAll;
    }
    const auto head = std::vector<std::string>{"1 Rename\tCtrl+Shift+R", "14 History\u2026\tCtrl+Shift+H"};
    const auto close = std::vector<std::string>{"17 Save output\u2026", "---", "2 Close\tCtrl+Shift+W"};

    auto app = cell_.take();
    const TabMenu plain = build_tab_menu(*app, 0);
    EXPECT_EQ(outline(plain.menu),
              join({head, colors(-1),
                    {"Group >", "  4 No group *", "  200 Ops", "  201 Dev", "  ---", "  3 New group"}, view(2),
                    close}));
    EXPECT_EQ(plain.session_id, app->sessions[0].id());

    const TabMenu grouped = build_tab_menu(*app, 1);
    EXPECT_EQ(outline(grouped.menu),
              join({head, colors(5),
                    {"Group >", "  4 No group", "  200 Ops *", "  201 Dev", "  ---", "  3 New group"}, view(2),
                    {"7 New tab in group", "5 Rename group", "8 Expand group\tCtrl+Shift+E",
                     "6 Broadcast input to group\tCtrl+Shift+B *"},
                    close}));
    EXPECT_EQ(outline(build_tab_menu(*app, 2).menu).at(25), "8 Collapse group\tCtrl+Shift+E");
}

TEST_F(Menus, GroupMenuModelOffersOnlyGroupsOutsideIt) {
    open_tabs({"a", "b", "c", "d", "e"});
    const std::uint64_t a = add_group("A", {0});
    const std::uint64_t b = add_group("B", {1}, a, true);
    const std::uint64_t c = add_group("C", {2}, b);
    const std::uint64_t d = add_group("D", {3});
    add_group("E", {4}, d);
    add_group("F", {}, c);  // further down, without tabs of its own
    auto app = cell_.take();
    const GroupMenu m = build_group_menu(*app, b);
    EXPECT_EQ(outline(m.menu), join({{"9 Expand group\tCtrl+Shift+E", "7 New tab in group", "5 Rename group",
                                      "6 Broadcast input to group\tCtrl+Shift+B", "Move group into >",
                                      "  400 Top level", "  401 A *", "  402 D", "  403 E"},
                                     view(0),
                                     {"---", "10 Close group"}}));
    EXPECT_EQ(m.parents, (std::vector<std::uint64_t>{a, d, d + 1}));
    EXPECT_EQ(outline(build_group_menu(*app, a).menu).at(5), "  400 Top level *");
}

TEST_F(Menus, NewGroupTwiceMakesGroup1RedAndGroup2Orange) {
    open_tabs({"a", "b"});
    for (std::size_t tab : {0u, 1u}) {
        host_.menu_answers = {menu_id::NEW_GROUP};
        open_tab_menu(cell_, host_, tab, 10, 10);
    }
    auto app = cell_.take();
    ASSERT_EQ(app->groups.size(), 2u);
    EXPECT_EQ(app->groups[0].name, "Group 1");
    EXPECT_EQ(app->groups[0].color, 0);
    EXPECT_EQ(app->groups[1].name, "Group 2");
    EXPECT_EQ(app->groups[1].color, 1);
    EXPECT_EQ(app->sessions[0].group, app->groups[0].id);
    EXPECT_EQ(app->sessions[1].group, app->groups[1].id);
}

TEST_F(Menus, TabMenuChoices) {
    // Tabs a, b, c, d with b and d in Ops; c active.
    const struct {
        std::size_t tab;
        int choice;
        const char* after;
        void (*during)(AppCell&, testing::FakeHost&) = nullptr;  // what happens while the menu is open
    } cases[] = {
        {0, 0, "a b:Ops *c d:Ops | Ops | Single"},
        {0, 200, "b:Ops *c d:Ops a:Ops | Ops | Single"},  // after the group's last tab; c stays active
        {2, 3, "a b:Ops *c:Group 2 d:Ops | Ops, Group 2 | Single"},
        {1, 4, "a b *c d:Ops | Ops | Single"},
        {3, 4, "a b:Ops *c d | Ops | Single"},
        {1, 103, "a b:Ops#2 *c d:Ops | Ops | Single"},
        {1, 6, "a b:Ops *c d:Ops | Ops broadcast | Single"},
        {1, 8, "a b:Ops *c d:Ops | Ops collapsed | Single"},
        {1, 7, "a b:Ops c d:Ops *Terminal 5:Ops | Ops | Single"},
        {1, 13, "a b:Ops *c d:Ops | Ops | TileAll"},
        {1, 15, "a b:Ops *c d:Ops | Ops | BrowseGroups"},
        {1, 2, "a c *d:Ops | Ops | Single"},  // the active index stays where it was
        {1, 1, "a b:Ops *c d:Ops | Ops | Single | edit b"},
        {1, 5, "a b:Ops *c d:Ops | Ops | Single | edit Ops"},
        {0, 5, "a b:Ops *c d:Ops | Ops | Single"},  // a has no group
        {0, 6, "a b:Ops *c d:Ops | Ops | Single"},
        {0, 209, "a b:Ops *c d:Ops | Ops | Single"},  // no such group
        // The subject closes while its menu is open: nothing happens.
        {1, 103, "a *d:Ops | Ops | Single",
         [](AppCell& cell, testing::FakeHost& host) {
             close_tab(cell, host, 1);
             close_tab(cell, host, 1);
         }},
        // The group chosen goes away meanwhile: the tab stays where it is.
        {0, 200, "*a | | Single",
         [](AppCell& cell, testing::FakeHost& host) {
             close_group(cell, host, 1);
             close_tab(cell, host, 1);
         }},
    };
    for (const auto& c : cases) {
        reset();
        open_tabs({"a", "b", "c", "d"});
        add_group("Ops", {1, 3});
        {
            auto app = cell_.take();
            app->active = 2;
        }
        if (c.during) host_.while_menu_open = [&] { c.during(cell_, host_); };
        host_.menu_answers = {c.choice};
        std::filesystem::remove(tmp_.path() / "sessions.json");
        open_tab_menu(cell_, host_, c.tab, 30, 12);
        EXPECT_EQ(summary(), c.after) << "tab " << c.tab << ", item " << c.choice;
        ASSERT_EQ(host_.menus.size(), 1u);
        EXPECT_EQ(host_.menus[0].x, 30);
        EXPECT_EQ(host_.menus[0].y, 12);
    }
    // A colour, a group and a new tab in a group reach the saved tabs.
    reset();
    open_tabs({"a", "b"});
    add_group("Ops", {1});
    host_.menu_answers = {101 + 5};
    open_tab_menu(cell_, host_, 0, 0, 0);
    host_.menu_answers = {200};
    open_tab_menu(cell_, host_, 0, 0, 0);
    host_.menu_answers = {menu_id::NEW_TAB_IN_GROUP};
    open_tab_menu(cell_, host_, 0, 0, 0);
    const SessionsFile file = saved();
    ASSERT_EQ(file.sessions.size(), 3u);
    EXPECT_EQ(file.sessions[1].color, std::optional<std::uint8_t>(5));
    for (const auto& r : file.sessions) EXPECT_EQ(r.group, std::optional<std::string>("Ops"));
}

TEST_F(Menus, GroupMenuChoices) {
    // a in D; b and c in the collapsed A; d in B, which lies inside A; a active.
    const struct {
        int subject;  // 0: A, 1: B
        int choice;
        const char* after;
        void (*during)(AppCell&, testing::FakeHost&) = nullptr;
    } cases[] = {
        {0, 9, "a:D *b:A c:A d:B | D, A, B^A | Single"},
        {0, 7, "a:D b:A c:A *Terminal 5:A d:B | D, A collapsed, B^A | Single"},
        {0, 5, "*a:D b:A c:A d:B | D, A collapsed, B^A | Single | edit A"},
        {0, 6, "*a:D b:A c:A d:B | D, A collapsed broadcast, B^A | Single"},
        {0, 10, "*a:D d:B | D, A collapsed, B^A | Single"},  // A stays: it holds B
        {0, 12, "a:D *b:A c:A d:B | D, A collapsed, B^A | TileGroup"},
        {0, 15, "*a:D b:A c:A d:B | D, A collapsed, B^A | BrowseGroups"},
        {0, 401, "*a:D b:A c:A d:B | D, A^D collapsed, B^A | Single"},
        {1, 400, "*a:D b:A c:A d:B | D, A collapsed, B | Single"},
        {1, 401, "*a:D b:A c:A d:B | D, A collapsed, B^D | Single"},
        // The target moved below the group while the menu was open: no loop is made.
        {0, 401, "*a:D b:A c:A d:B | D^B, A collapsed, B^A | Single",
         [](AppCell& cell, testing::FakeHost&) {
             auto app = cell.take();
             app->groups[0].parent = app->groups[2].id;
         }},
        // The group is gone by the time the choice comes back.
        {1, 6, "*a:D b:A c:A | D, A collapsed | Single", [](AppCell& cell, testing::FakeHost& host) { close_tab(cell, host, 3); }},
    };
    for (const auto& c : cases) {
        reset();
        open_tabs({"a", "b", "c", "d"});
        add_group("D", {0});
        const std::uint64_t a = add_group("A", {1, 2}, std::nullopt, true);
        const std::uint64_t b = add_group("B", {3}, a);
        cell_.take()->active = 0;
        if (c.during) host_.while_menu_open = [&] { c.during(cell_, host_); };
        host_.menu_answers = {c.choice};
        open_group_menu(cell_, host_, c.subject == 0 ? a : b, 5, 6);
        EXPECT_EQ(summary(), c.after) << "group " << c.subject << ", item " << c.choice;
    }
}

}  // namespace
}  // namespace ovelin
