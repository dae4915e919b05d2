// Views on real sessions: what each console is sized to, the key-down
// order from browser keys to the terminal, browsing the group tree, and
// presses on tiles and cards.

#include <gtest/gtest.h>

#include "app/browse.hpp"
#include "app/input.hpp"
#include "app/mouse.hpp"
#include "app/tiling.hpp"
#include "bar_fixture.hpp"

namespace ovelin {
namespace {

using testing::BarTest;

struct Size {
    std::uint16_t rows, cols;
    bool operator==(const Size&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Size& s) { return os << s.rows << "x" << s.cols; }

constexpr Size UNTOUCHED{3, 3};

class Tiling : public BarTest {
protected:
    std::vector<Size> sizes() {
        auto app = cell_.take();
        std::vector<Size> out;
        for (const Session& s : app->sessions) out.push_back({s.pty->rows(), s.pty->cols()});
        return out;
    }
    void set(ViewMode mode, std::size_t active) {
        auto app = cell_.take();
        app->view_mode = mode;
        app->active = active;
    }
};

TEST_F(Tiling, EveryViewSizesItsConsoles) {
    open_tabs({"A", "B", "C", "D"});
    add_group("Work", {0, 1});
    const ClientSize normal{1000, 616};  // a content area of 1000 x 582, cells of 8 x 16
    const struct {
        const char* name;
        ViewMode mode;
        std::size_t active;
        ClientSize size;
        std::vector<Size> expected;
    } cases[] = {
        {"single: every tab, not only the shown one", ViewMode::Single, 0, normal, {{35, 123}, {35, 123}, {35, 123}, {35, 123}}},
        {"all four in 2x2", ViewMode::TileAll, 3, normal, {{16, 61}, {16, 61}, {16, 61}, {16, 61}}},
        {"the group side by side, the rest kept", ViewMode::TileGroup, 1, normal,
         {{34, 61}, {34, 61}, UNTOUCHED, UNTOUCHED}},
        {"a tab without a group tiles alone, as Single", ViewMode::TileGroup, 2, normal,
         {UNTOUCHED, UNTOUCHED, {35, 123}, UNTOUCHED}},
        {"browsing: the top level's tab cards (group card, C, D in 2x2)", ViewMode::BrowseGroups, 0, normal,
         {UNTOUCHED, UNTOUCHED, {15, 61}, {15, 61}}},
        {"narrower than 12 and lower than the bar", ViewMode::Single, 0, {8, 20}, {{1, 1}, {1, 1}, {1, 1}, {1, 1}}},
        {"tiled in a sliver", ViewMode::TileAll, 0, {5, 36}, {{1, 1}, {1, 1}, {1, 1}, {1, 1}}},
        {"minimised: nothing is resized", ViewMode::Single, 0, {0, 0}, {UNTOUCHED, UNTOUCHED, UNTOUCHED, UNTOUCHED}},
        {"a zero-height client area", ViewMode::TileAll, 0, {1000, 0}, {UNTOUCHED, UNTOUCHED, UNTOUCHED, UNTOUCHED}},
    };
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            for (Session& s : app->sessions) s.pty->resize(UNTOUCHED.rows, UNTOUCHED.cols);
        }
        set(c.mode, c.active);
        host_.size = c.size;
        lay_out(*cell_.take(), host_);
        EXPECT_EQ(sizes(), c.expected) << c.name;
    }
}

TEST_F(Tiling, BrowsingIntoANestedGroupAndBackUp) {
    open_tabs({"A", "B", "C", "D"});
    const std::uint64_t work = add_group("Work", {0});
    const std::uint64_t build = add_group("Build", {1, 2}, work);
    using K = BrowseEntry::Kind;
    const auto entries = [&] { return browse_entries(*cell_.take()); };

    on_key_down(cell_, host_, 'Z', {true, true, false});
    EXPECT_EQ(cell_.take()->view_mode, ViewMode::BrowseGroups);
    EXPECT_EQ(entries(), (std::vector<BrowseEntry>{{K::Group, work, 0}, {K::Tab, 0, 3}}));
    on_key_down(cell_, host_, vk::RETURN, {});  // into Work
    EXPECT_EQ(entries(), (std::vector<BrowseEntry>{{K::Group, build, 0}, {K::Tab, 0, 0}}));
    on_key_down(cell_, host_, vk::RETURN, {});  // into Build
    EXPECT_EQ(cell_.take()->browse_path, (std::vector<std::uint64_t>{work, build}));
    EXPECT_EQ(entries(), (std::vector<BrowseEntry>{{K::Tab, 0, 1}, {K::Tab, 0, 2}}));
    EXPECT_EQ(sizes()[1], (Size{32, 61})) << "the cards' consoles fit their cells";
    on_key_down(cell_, host_, vk::RIGHT, {});
    EXPECT_EQ(cell_.take()->browse_cursor, 1u);
    on_key_down(cell_, host_, vk::TAB, {true, false, false});  // wraps
    EXPECT_EQ(cell_.take()->browse_cursor, 0u);
    on_key_down(cell_, host_, vk::TAB, {true, true, false});
    EXPECT_EQ(cell_.take()->browse_cursor, 1u);
    on_key_down(cell_, host_, vk::BACK, {});  // up to Work
    EXPECT_EQ(cell_.take()->browse_path, (std::vector<std::uint64_t>{work}));
    EXPECT_EQ(cell_.take()->browse_cursor, 0u);

    // Escape leaves and keeps the path; the next visit starts in Work.
    on_key_down(cell_, host_, vk::ESCAPE, {});
    EXPECT_EQ(cell_.take()->view_mode, ViewMode::Single);
    on_key_down(cell_, host_, 'Z', {true, true, false});
    EXPECT_EQ(entries().size(), 2u);
    on_key_down(cell_, host_, vk::DOWN, {});  // one row: stays
    on_key_down(cell_, host_, vk::LEFT, {});  // wraps to the tab card A
    on_key_down(cell_, host_, vk::RETURN, {});
    EXPECT_EQ(cell_.take()->view_mode, ViewMode::Single);
    EXPECT_EQ(active(), 0u);
    EXPECT_EQ(sizes()[0], (Size{35, 123}));

    // Backspace at the top level does nothing.
    cell_.take()->browse_path.clear();
    on_key_down(cell_, host_, 'Z', {true, true, false});
    on_key_down(cell_, host_, vk::BACK, {});
    EXPECT_TRUE(cell_.take()->browse_path.empty());
    EXPECT_EQ(cell_.take()->view_mode, ViewMode::BrowseGroups);
}

TEST_F(Tiling, PressesOnTilesAndCards) {
    open_tabs({"A", "B", "C", "D"});
    const std::uint64_t work = add_group("Work", {0, 1});
    // 2x2 tiles of 500 x 291 below the bar.
    set(ViewMode::TileAll, 0);
    on_left_down(cell_, host_, 700, 400);
    EXPECT_EQ(active(), 3u);
    on_left_down(cell_, host_, 10, 40);
    EXPECT_EQ(active(), 0u);
    set(ViewMode::Single, 2);
    on_left_down(cell_, host_, 700, 400);  // one tile: nothing to pick
    EXPECT_EQ(active(), 2u);

    // Cards: Work, C, D in 2x2 of 500 x 276 from y = 64.
    set(ViewMode::BrowseGroups, 2);
    on_left_down(cell_, host_, 600, 100);
    EXPECT_EQ(cell_.take()->browse_cursor, 1u);
    on_left_down(cell_, host_, 960, 50);  // the dim Up button does not react
    EXPECT_TRUE(cell_.take()->browse_path.empty());
    on_left_double_click(cell_, host_, 10, 70);
    EXPECT_EQ(cell_.take()->browse_path, (std::vector<std::uint64_t>{work}));
    on_left_double_click(cell_, host_, 510, 70);  // the tab card B
    EXPECT_EQ(cell_.take()->view_mode, ViewMode::Single);
    EXPECT_EQ(active(), 1u);
    set(ViewMode::BrowseGroups, 1);
    on_left_down(cell_, host_, 930, 60);  // lit below the top level
    EXPECT_TRUE(cell_.take()->browse_path.empty());
}

TEST_F(Tiling, SystemKeysTakeOnlyTheChordAndF10) {
    open_tabs({"A", "B"});
    const Modifiers alt{false, false, true};
    EXPECT_TRUE(on_system_key_down(cell_, host_, vk::RIGHT, alt));
    EXPECT_EQ(active(), 0u);
    EXPECT_FALSE(on_system_key_down(cell_, host_, 0x73 /* F4 */, alt));
    EXPECT_FALSE(on_system_key_down(cell_, host_, 'K', alt));
    EXPECT_FALSE(on_system_key_down(cell_, host_, vk::F10, alt));
    EXPECT_TRUE(on_system_key_down(cell_, host_, vk::F10, {}));
    EXPECT_TRUE(on_system_key_down(cell_, host_, vk::F10, {false, true, false}));
    cell_.take()->settings.keys.nav_modifier = "ctrl";
    EXPECT_FALSE(on_system_key_down(cell_, host_, vk::RIGHT, alt));
    EXPECT_EQ(active(), 0u);
}

TEST_F(Tiling, CtrlWOnTheOnlyTabEndsTheProgram) {
    open_tabs({"A"});
    on_key_down(cell_, host_, 'W', {true, false, false});
    EXPECT_TRUE(cell_.take()->sessions.empty());
    EXPECT_EQ(host_.destroyed, 1);
}

// Three tabs running a recorder that writes every byte it gets to a file.
class KeyOrder : public BarTest {
protected:
    void open_recorders() {
        for (int i = 0; i < 3; ++i) {
            files_.push_back(tmp_.path() / ("rec" + std::to_string(i)));
            SpawnRequest r;
            r.command = "/bin/sh -c 'stty raw -echo -iexten; echo READY; exec cat > " + files_.back().string() + "'";
            ASSERT_TRUE(open_terminal(cell_, host_, r));
            auto app = cell_.take();
            const auto& pty = app->sessions.back().pty;
            ASSERT_TRUE(host_.sink->wait([&] { return testing::screen_text(*pty).find("READY") != std::string::npos; }));
        }
    }
    // What each recorder got since the last call, through a marker written to all.
    std::vector<std::string> received() {
        const std::string marker = "<" + std::to_string(++marks_) + ">";
        {
            auto app = cell_.take();
            for (std::size_t i = 0; i < files_.size(); ++i) app->sessions[i].pty->write(marker);
        }
        std::vector<std::string> out;
        for (const auto& file : files_) {
            std::string text;
            EXPECT_TRUE(host_.sink->wait([&] {
                text = testing::read_text(file);
                return text.ends_with(marker);
            })) << text;
            text.resize(text.size() - std::min(text.size(), marker.size()));
            const std::size_t from = text.rfind('>');
            out.push_back(from == std::string::npos ? text : text.substr(from + 1));
        }
        return out;
    }

    std::vector<std::filesystem::path> files_;
    int marks_ = 0;
};

TEST_F(KeyOrder, FromBrowserKeysToTheTerminal) {
    open_recorders();
    using V = ViewMode;
    const Modifiers none{}, ctrl{true, false, false}, shift{false, true, false}, alt{false, false, true},
        ctrl_shift{true, true, false}, alt_shift{false, true, true};
    const struct {
        const char* name;
        V mode;
        const char* nav;
        bool chrome_tab_keys;
        unsigned key;
        Modifiers mods;
        std::size_t active;  // before
        // after:
        std::size_t expect_active;
        V expect_mode;
        std::size_t expect_tabs;
        std::string sent;  // to the tab active before
        int new_windows = 0;
    } cases[] = {
        {"ctrl chord wraps on the last tab", V::Single, "ctrl", true, vk::RIGHT, ctrl, 2, 0, V::Single, 3, ""},
        {"ctrl chord up does nothing", V::Single, "ctrl", true, vk::UP, ctrl, 1, 1, V::Single, 3, ""},
        {"alt chord left wraps to the last", V::Single, "alt", true, vk::LEFT, alt, 0, 2, V::Single, 3, ""},
        {"chord names are case-blind", V::Single, "Ctrl", true, vk::RIGHT, ctrl, 0, 1, V::Single, 3, ""},
        {"ctrl+shift chord lets ctrl+right through", V::Single, "ctrl+shift", true, vk::RIGHT, ctrl, 0, 0, V::Single,
         3, "\x1b[1;5C"},
        {"ctrl+shift chord itself", V::Single, "ctrl+shift", true, vk::RIGHT, ctrl_shift, 0, 1, V::Single, 3, ""},
        {"a part that is no modifier disables it", V::Single, "ctrl+meta", true, vk::RIGHT, ctrl, 0, 0, V::Single, 3,
         "\x1b[1;5C"},
        {"an empty chord disables it", V::Single, "", true, vk::LEFT, none, 0, 0, V::Single, 3, "\x1b[D"},
        {"a plain arrow is the terminal's", V::Single, "alt", true, vk::LEFT, none, 1, 1, V::Single, 3, "\x1b[D"},
        {"tiled: down into the second row", V::TileAll, "alt", true, vk::DOWN, alt, 0, 2, V::TileAll, 3, ""},
        {"tiled: right alone in its row stays", V::TileAll, "alt", true, vk::RIGHT, alt, 2, 2, V::TileAll, 3, ""},
        {"tiled: right in the first row", V::TileAll, "alt", true, vk::RIGHT, alt, 1, 0, V::TileAll, 3, ""},
        {"tab keys off: ctrl+t is no shortcut", V::Single, "alt", false, 'T', ctrl, 0, 0, V::Single, 3, ""},
        {"tab keys off: ctrl+shift+t opens a tab", V::Single, "alt", false, 'T', ctrl_shift, 0, 3, V::Single, 4, ""},
        {"tab keys on: ctrl+t opens a tab", V::Single, "alt", true, 'T', ctrl, 0, 3, V::Single, 4, ""},
        {"tab keys on: ctrl+n a new window", V::Single, "alt", true, 'N', ctrl, 0, 0, V::Single, 3, "", 1},
        {"tab keys off: ctrl+n nothing", V::Single, "alt", false, 'N', ctrl, 0, 0, V::Single, 3, ""},
        {"ctrl+5 with three tabs", V::Single, "alt", true, '5', ctrl, 1, 1, V::Single, 3, ""},
        {"ctrl+3", V::Single, "alt", true, '3', ctrl, 0, 2, V::Single, 3, ""},
        {"ctrl+shift+3 is no tab key", V::Single, "alt", true, '3', ctrl_shift, 0, 0, V::Single, 3, ""},
        {"ctrl+tab", V::Single, "alt", true, vk::TAB, ctrl, 2, 0, V::Single, 3, ""},
        {"ctrl+shift+tab", V::TileAll, "alt", true, vk::TAB, ctrl_shift, 0, 2, V::TileAll, 3, ""},
        {"tile all", V::Single, "alt", true, 'A', ctrl_shift, 0, 0, V::TileAll, 3, ""},
        {"tile all again", V::TileAll, "alt", true, 'A', ctrl_shift, 0, 0, V::Single, 3, ""},
        {"tile group from tile all", V::TileAll, "alt", true, 'G', ctrl_shift, 0, 0, V::TileGroup, 3, ""},
        {"tile group again", V::TileGroup, "alt", true, 'G', ctrl_shift, 0, 0, V::Single, 3, ""},
        {"browse", V::TileAll, "alt", true, 'Z', ctrl_shift, 0, 0, V::BrowseGroups, 3, ""},
        {"alt skips the built-in table", V::Single, "alt", true, 'A', alt_shift, 0, 0, V::Single, 3, ""},
        {"shift+insert is paste, not the terminal's", V::Single, "alt", true, vk::INSERT, shift, 0, 0, V::Single, 3,
         ""},
        {"insert is the terminal's", V::Single, "alt", true, vk::INSERT, none, 0, 0, V::Single, 3, "\x1b[2~"},
        {"F10 is the terminal's", V::Single, "alt", true, vk::F10, none, 0, 0, V::Single, 3, "\x1b[21~"},
        {"browsing: a plain letter", V::BrowseGroups, "alt", true, 'A', none, 0, 0, V::BrowseGroups, 3, ""},
        {"browsing: F5 is not sent", V::BrowseGroups, "alt", true, vk::F1 + 4, none, 0, 0, V::BrowseGroups, 3, ""},
        {"browsing: the alt chord finds no tiles", V::BrowseGroups, "alt", true, vk::LEFT, alt, 1, 1, V::BrowseGroups,
         3, ""},
        {"browsing: shortcuts still work", V::BrowseGroups, "alt", true, 'A', ctrl_shift, 0, 0, V::TileAll, 3, ""},
        {"browsing: ctrl+2 still selects", V::BrowseGroups, "alt", true, '2', ctrl, 0, 1, V::BrowseGroups, 3, ""},
        {"browsing: escape leaves", V::BrowseGroups, "alt", true, vk::ESCAPE, none, 0, 0, V::Single, 3, ""},
        {"browsing: ctrl+shift+z leaves", V::BrowseGroups, "alt", true, 'Z', ctrl_shift, 0, 0, V::Single, 3, ""},
    };
    for (const auto& c : cases) {
        {
            auto app = cell_.take();
            app->view_mode = c.mode;
            app->active = c.active;
            app->settings.keys.nav_modifier = c.nav;
            app->settings.keys.chrome_tab_keys = c.chrome_tab_keys;
        }
        host_.new_windows = 0;
        on_key_down(cell_, host_, c.key, c.mods);
        std::vector<std::string> expected(3);
        expected[c.active] = c.sent;
        EXPECT_EQ(received(), expected) << c.name;
        auto app = cell_.take();
        EXPECT_EQ(app->active, c.expect_active) << c.name;
        EXPECT_EQ(app->view_mode, c.expect_mode) << c.name;
        EXPECT_EQ(app->sessions.size(), c.expect_tabs) << c.name;
        EXPECT_EQ(host_.new_windows, c.new_windows) << c.name;
        app->sessions.resize(3);  // the tab a case opened
        EXPECT_EQ(host_.destroyed, 0) << c.name;
    }
}

}  // namespace
}  // namespace ovelin
