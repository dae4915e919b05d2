// Thousands of tabs opened and closed with real /bin/sh sessions leave the
// process with the descriptors and threads it started with.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/sessions.hpp"
#include "support/env.hpp"
#include "support/fake_host.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;

std::size_t entries(const char* dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

TEST(Churn, FiveThousandTabsOpenedAndClosedLeaveNoDescriptorOrThread) {
    testing::ScopedEnv comspec("COMSPEC", std::string("/bin/sh"));
    AppCell cell;
    testing::FakeHost host;
    {
        auto app = cell.take();
        app->metrics = {8, 16, 14};
    }
    // One tab stays open throughout, so closing the other never ends the program.
    ASSERT_TRUE(open_terminal(cell, host, SpawnRequest{}));
    const std::size_t fds = entries("/proc/self/fd");
    const std::size_t threads = entries("/proc/self/task");
    const std::size_t session_threads = PtySession::live_threads();

    for (int i = 0; i < 5000; ++i) {
        ASSERT_TRUE(open_terminal(cell, host, SpawnRequest{})) << i;
        close_tab(cell, host, 1);
        if (i % 100 == 0) host.pump(cell);
    }
    // At most what there was: a session an earlier test left winding down
    // may end meanwhile, while a leak over 5000 tabs could only grow.
    EXPECT_TRUE(host.sink->wait(
        [&] {
            host.pump(cell);
            return PtySession::live_threads() <= session_threads && entries("/proc/self/task") <= threads &&
                   entries("/proc/self/fd") <= fds;
        },
        60s))
        << "threads " << PtySession::live_threads() << " (was " << session_threads << "), tasks "
        << entries("/proc/self/task") << " (was " << threads << "), fds " << entries("/proc/self/fd") << " (was "
        << fds << ")";
    EXPECT_EQ(cell.take()->sessions.size(), 1u);
    EXPECT_FALSE(host.quit_code);
    cell.take()->sessions.clear();
}

}  // namespace
}  // namespace ovelin
