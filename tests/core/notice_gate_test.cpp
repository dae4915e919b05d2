#include "core/notice_gate.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace ovelin {
namespace {

TEST(NoticeGate, OneNoticePerSessionUntilHandled) {
    NoticeGate gate;
    EXPECT_TRUE(gate.raise(1));
    EXPECT_FALSE(gate.raise(1));
    EXPECT_TRUE(gate.raise(2));  // sessions are apart
    gate.clear(1);
    EXPECT_TRUE(gate.raise(1));
    EXPECT_TRUE(gate.pending(2));

    // Readers racing on one session: exactly one of them posts per clear.
    gate.clear(1);
    std::atomic<int> posted{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) posted += gate.raise(1);
        });
    for (auto& r : readers) r.join();
    EXPECT_EQ(posted.load(), 1);

    gate.clear_all();  // a paint read every screen: each session posts again
    EXPECT_TRUE(gate.raise(1));
    EXPECT_TRUE(gate.raise(2));
}

}  // namespace
}  // namespace ovelin
