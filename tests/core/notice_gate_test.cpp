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

    // Readers of many sessions and a painter changing the set at once: the
    // lock keeps it whole (a lock that let two in would lose or break it).
    readers.clear();
    for (std::uint64_t t = 0; t < 4; ++t)
        readers.emplace_back([&gate, t] {
            for (std::uint64_t i = 0; i < 20000; ++i) {
                const std::uint64_t id = 100 + t * 1000 + i % 500;
                if (gate.raise(id)) gate.clear(id);
            }
            gate.raise(100 + t * 1000);
        });
    for (int i = 0; i < 2000; ++i) gate.clear(i % 2 ? 1 : 2);
    for (auto& r : readers) r.join();
    for (std::uint64_t t = 0; t < 4; ++t) EXPECT_TRUE(gate.pending(100 + t * 1000));
    EXPECT_FALSE(gate.pending(101));

    gate.clear_all();  // a paint read every screen: each session posts again
    EXPECT_TRUE(gate.raise(1));
    EXPECT_TRUE(gate.raise(2));
}

}  // namespace
}  // namespace ovelin
