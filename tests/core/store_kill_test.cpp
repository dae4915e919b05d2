#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "core/records_json.hpp"
#include "core/store.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::TempDir;

// A writer killed at any moment leaves the target parsing as either the old
// or the new content.
TEST(Store, KilledWriterNeverLeavesATornFile) {
    TempDir tmp;
    Settings a = default_settings();
    Settings b = default_settings();
    b.close_to_tray = false;
    b.default_working_dir = std::string(20000, 'x');  // big enough to take several writes
    ASSERT_TRUE(save_settings(tmp.path(), a).has_value());

    std::mt19937 rng(12345);
    constexpr int rounds = 150;
    for (int round = 0; round < rounds; ++round) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            for (int i = 0;; ++i) {
                (void)save_settings(tmp.path(), i % 2 ? a : b);
                char c = 1;
                if (::write(progress[1], &c, 1) != 1) ::_exit(0);
            }
        }
        ::close(progress[1]);
        char c;
        ASSERT_EQ(::read(progress[0], &c, 1), 1);  // at least one save is done
        auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 3000);
        while (std::chrono::steady_clock::now() < until) {
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(progress[0]);

        fs::path target = tmp.path() / "settings.json";
        fs::path shown = fs::exists(target) ? target : tmp.path() / "settings.json.bak";
        auto loaded = parse_record<Settings>(read_text(shown));
        ASSERT_TRUE(loaded.has_value()) << "round " << round << ": " << loaded.error();
        EXPECT_TRUE(*loaded == a || *loaded == b) << "round " << round;
    }
}

}  // namespace
}  // namespace ovelin
