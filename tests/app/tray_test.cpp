// The notification-area menu: its items from the settings, and what each
// choice does to the window, the shell and settings.json.

#include <gtest/gtest.h>

#include "app/tray.hpp"
#include "core/store.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

using testing::FakeHost;

TEST(TrayMenu, ItemsInOrderWithTheSettingsChecked) {
    App app;
    app.settings.close_to_tray = false;
    app.settings.restore_sessions_on_start = true;
    app.settings.track_history = true;
    const Menu menu = build_tray_menu(app);
    std::vector<std::tuple<MenuItem::Kind, int, std::string, bool>> got;
    for (const MenuItem& i : menu.items) got.emplace_back(i.kind, i.id, i.text, i.checked);
    using K = MenuItem::Kind;
    const decltype(got) expected{
        {K::Command, 1000, "Show ovelin", false},
        {K::Separator, 0, "", false},
        {K::Command, 1001, "Close to tray", false},
        {K::Command, 1003, "Restore previous sessions on start", true},
        {K::Command, 1006, "Track command history", true},
        {K::Separator, 0, "", false},
        {K::Command, 1007, "Check for updates\u2026", false},
        {K::Command, 1008, "Open settings folder", false},
        {K::Separator, 0, "", false},
        {K::Command, 1002, "Quit", false},
    };
    EXPECT_EQ(got, expected);
}

TEST(TrayMenu, ChoicesAndTheSettingsFile) {
    const struct {
        const char* name;
        int choice;
        bool with_folder;
        bool close_to_tray, restore, track;  // after, from the defaults true, false, true
        bool file_written;
        std::vector<std::string> opened;  // "<folder>" stands for the configuration folder
        int destroyed;
        bool restored;
    } cases[] = {
        {"dismissed", 0, true, true, false, true, false, {}, 0, false},
        {"show", 1000, true, true, false, true, false, {}, 0, true},
        {"close to tray", 1001, true, false, false, true, true, {}, 0, false},
        {"restore sessions", 1003, true, true, true, true, true, {}, 0, false},
        {"track history", 1006, true, true, false, false, true, {}, 0, false},
        {"track history without a folder", 1006, false, true, false, false, false, {}, 0, false},
        {"updates", 1007, true, true, false, true, false, {PRODUCT_PAGE}, 0, false},
        {"settings folder", 1008, true, true, false, true, false, {"<folder>"}, 0, false},
        {"settings folder unknown", 1008, false, true, false, true, false, {}, 0, false},
        {"quit with close to tray on", 1002, true, true, false, true, false, {}, 1, false},
        {"an unknown id", 14, true, true, false, true, false, {}, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir tmp;
        AppCell cell;
        FakeHost host;
        host.cell = &cell;
        host.tray_answer_id = c.choice;
        {
            auto app = cell.take();
            app->tray_added = true;
            if (c.with_folder) app->config_dir = tmp.path();
        }
        open_tray_menu(cell, host);
        EXPECT_EQ(host.tray_menus.size(), 1u);
        EXPECT_EQ(host.held_violations, 0);
        auto app = cell.take();
        EXPECT_EQ(app->settings.close_to_tray, c.close_to_tray);
        EXPECT_EQ(app->settings.restore_sessions_on_start, c.restore);
        EXPECT_EQ(app->settings.track_history, c.track);
        auto saved = read_json<Settings>(tmp.path(), SETTINGS_FILE);
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->has_value(), c.file_written);
        if (saved->has_value()) {
            EXPECT_EQ(**saved, app->settings);
        }
        std::vector<std::string> opened;
        for (const std::string& o : c.opened) opened.push_back(o == "<folder>" ? tmp.path().string() : o);
        EXPECT_EQ(host.opened, opened);
        EXPECT_EQ(host.destroyed, c.destroyed);
        EXPECT_EQ(host.restored, c.restored);
        EXPECT_FALSE(host.hidden);
    }
}

}  // namespace
}  // namespace ovelin
