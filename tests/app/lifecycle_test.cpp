#include <gtest/gtest.h>

#include "app/lifecycle.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

TEST(Lifecycle, CloseHidesOnlyWithTrayIconAndSetting) {
    // An icon that failed at start is asked for once more on close.
    const struct {
        bool close_to_tray;
        bool icon_added;
        bool second_try;
        bool hides;
    } cases[] = {{true, true, false, true},   {true, false, true, true},  {true, false, false, false},
                 {false, true, true, false},  {false, false, true, false}};
    for (const auto& c : cases) {
        AppCell cell;
        testing::FakeHost host;
        host.cell = &cell;
        host.tray_answer = c.second_try;
        {
            auto app = cell.take();
            app->settings.close_to_tray = c.close_to_tray;
            app->tray_added = c.icon_added;
        }
        on_close(cell, host);
        EXPECT_EQ(host.hidden, c.hides);
        EXPECT_EQ(host.destroyed, c.hides ? 0 : 1);
        EXPECT_EQ(host.icon_added, c.close_to_tray && !c.icon_added && c.second_try);
        EXPECT_EQ(cell.take()->tray_added, c.icon_added || host.icon_added);
        EXPECT_FALSE(cell.taken());
        EXPECT_EQ(host.held_violations, 0);
    }
}

TEST(Lifecycle, CreateLoadsConfigurationAndAddsTheIcon) {
    testing::TempDir tmp;
    AppCell cell;
    testing::FakeHost host;
    host.cell = &cell;
    host.tray_answer = false;
    {
        testing::ScopedEnv env("APPDATA", tmp.path().string());
        testing::ScopedEnv shell("COMSPEC", std::string("/bin/sh"));
        on_create(cell, host);
    }
    auto app = cell.take();
    EXPECT_EQ(app->config_dir, tmp.path() / "ovelin");
    EXPECT_EQ(app->quick_keys, default_quick_keys());
    EXPECT_FALSE(app->tray_added);
    EXPECT_EQ(app->metrics, host.metrics);
    EXPECT_TRUE(std::filesystem::exists(tmp.path() / "ovelin" / "settings.json"));
    // The start-up tab.
    ASSERT_EQ(app->sessions.size(), 1u);
    EXPECT_EQ(app->sessions[0].title, "Terminal 1");
    EXPECT_TRUE(std::filesystem::exists(tmp.path() / "ovelin" / "sessions.json"));
    app->sessions.clear();
}

TEST(Lifecycle, WithoutAppDataNothingIsWritten) {
    testing::ScopedEnv env("APPDATA", std::nullopt);
    testing::ScopedEnv shell("COMSPEC", std::string("/bin/sh"));
    AppCell cell;
    testing::FakeHost host;
    host.cell = &cell;
    on_create(cell, host);
    {
        auto app = cell.take();
        EXPECT_FALSE(app->config_dir.has_value());
        EXPECT_EQ(app->settings, default_settings());
        EXPECT_TRUE(app->quick_keys.empty());
        EXPECT_TRUE(app->tray_added);
        EXPECT_EQ(app->sessions.size(), 1u);
    }
    on_destroy(cell, host);
    EXPECT_TRUE(cell.take()->sessions.empty());
    EXPECT_EQ(host.held_violations, 0) << "the icon is added and removed with the state released";
    EXPECT_TRUE(host.icon_removed);
    EXPECT_EQ(host.quit_code, 0);
}

TEST(LifecycleDeathTest, TakingTheStateTwiceStopsTheProcess) {
    AppCell cell;
    EXPECT_DEATH(
        {
            auto first = cell.take();
            auto second = cell.take();
        },
        "taken twice");
}

}  // namespace
}  // namespace ovelin
