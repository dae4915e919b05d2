// The history viewer over a scratch configuration folder: what it lists,
// and what its resets delete.

#include <gtest/gtest.h>

#include "app/history_viewer.hpp"
#include "app/sessions.hpp"
#include "core/history.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using testing::FakeHost;

class History : public ::testing::Test {
protected:
    History() : comspec_("COMSPEC", std::string("/bin/sh")) {
        host_.cell = &cell_;
        fs::create_directories(tmp_.path() / "history");
    }
    ~History() override {
        EXPECT_EQ(host_.held_violations, 0);
        cell_.take()->sessions.clear();
    }
    void open_tab(const std::string& record_id, const std::string& title) {
        SpawnRequest r;
        r.command = "/bin/sh -c 'exec sleep 600'";
        r.record_id = record_id;
        r.title = title;
        ASSERT_TRUE(open_terminal(cell_, host_, r));
    }
    fs::path file(const std::string& id) { return tmp_.path() / "history" / (id + ".jsonl"); }

    testing::TempDir tmp_;
    testing::ScopedEnv comspec_;
    AppCell cell_;
    FakeHost host_;
};

TEST_F(History, ListsTheActiveTabOldestFirstAndResets) {
    open_history_viewer(cell_, host_);  // no tab: no dialog
    EXPECT_TRUE(host_.viewers.empty());

    for (const char* line : {"dir", "cd src", "make -j2"}) append_history(tmp_.path(), "s-a", line);
    append_history(tmp_.path(), "s-b", "other tab");
    open_tab("s-a", "build");
    open_tab("s-b", "second");
    {
        auto app = cell_.take();
        app->config_dir = tmp_.path();
        app->active = 0;
        app->sessions[0].group = 7;
        app->broadcast_groups.insert(7);  // its mark is not in the title
        app->sessions[0].history = {"remembered"};
    }
    host_.while_viewer_open = [&](HistoryViewer& v) {
        EXPECT_EQ(v.lines(), (std::vector<std::string>{"dir", "cd src", "make -j2"}));
        EXPECT_EQ(v.line_at(2), "make -j2");
        EXPECT_EQ(v.line_at(3), std::nullopt);
        EXPECT_EQ(v.line_at(-1), std::nullopt);
        // Declined resets change nothing.
        v.reset_session(false);
        v.reset_all(false);
        EXPECT_EQ(v.lines().size(), 3u);
        EXPECT_TRUE(fs::exists(file("s-a")));
        EXPECT_TRUE(fs::exists(file("s-b")));
        v.reset_session(true);
        EXPECT_TRUE(v.lines().empty());
        EXPECT_EQ(v.line_at(0), std::nullopt);
        EXPECT_FALSE(fs::exists(file("s-a")));
        EXPECT_TRUE(fs::exists(file("s-b")));
        v.reset_session(true);  // nothing left to delete: still fine
        EXPECT_TRUE(v.lines().empty());
    };
    open_history_viewer(cell_, host_);
    ASSERT_EQ(host_.viewers.size(), 1u);
    EXPECT_EQ(host_.viewers[0].first, "History \u2014 build");
    EXPECT_EQ(host_.viewers[0].second.size(), 3u) << "filled before it shows";
    EXPECT_EQ(cell_.take()->sessions[0].history, (std::vector<std::string>{"remembered"}))
        << "suggestions keep what they remember";

    // Reset all stops at an entry it cannot delete as a file and refills.
    append_history(tmp_.path(), "s-a", "again");
    fs::create_directories(tmp_.path() / "history" / "a-folder" / "inside");
    host_.while_viewer_open = [&](HistoryViewer& v) {
        EXPECT_EQ(v.lines(), (std::vector<std::string>{"again"}));
        v.reset_all(true);
        EXPECT_TRUE(fs::exists(tmp_.path() / "history" / "a-folder" / "inside"));
        EXPECT_EQ(v.lines().empty(), !fs::exists(file("s-a")));
    };
    open_history_viewer(cell_, host_);
    fs::remove_all(tmp_.path() / "history" / "a-folder");
    host_.while_viewer_open = [&](HistoryViewer& v) {
        v.reset_all(true);
        EXPECT_TRUE(v.lines().empty());
        EXPECT_TRUE(fs::is_empty(tmp_.path() / "history"));
    };
    open_history_viewer(cell_, host_);

    // Without a folder the list is empty and nothing is deleted.
    append_history(tmp_.path(), "s-a", "kept");
    cell_.take()->config_dir.reset();
    host_.while_viewer_open = [&](HistoryViewer& v) {
        EXPECT_TRUE(v.lines().empty());
        v.reset_all(true);
        v.reset_session(true);
    };
    open_history_viewer(cell_, host_);
    EXPECT_TRUE(fs::exists(file("s-a")));
    EXPECT_EQ(host_.viewers.back().first, "History \u2014 build");
}

}  // namespace
}  // namespace ovelin
