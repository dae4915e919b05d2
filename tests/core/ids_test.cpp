#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

#include "core/ids.hpp"

namespace ovelin {
namespace {

TEST(Ids, PrefixMillisecondsAndSequence) {
    const std::uint64_t before = unix_millis();
    std::string p = new_id("p");
    std::string s = new_id("s");
    const std::uint64_t after = unix_millis();

    std::smatch m;
    ASSERT_TRUE(std::regex_match(p, m, std::regex("p-([0-9]+)-([0-9]+)"))) << p;
    const std::uint64_t ms = std::stoull(m[1]);
    EXPECT_GE(ms, before);
    EXPECT_LE(ms, after);
    const std::uint64_t seq = std::stoull(m[2]);
    ASSERT_TRUE(std::regex_match(s, m, std::regex("s-([0-9]+)-([0-9]+)"))) << s;
    EXPECT_EQ(std::stoull(m[2]), seq + 1);  // one counter for every prefix
}

TEST(Ids, UniqueAcrossThreadsInTheSameMillisecond) {
    std::vector<std::string> ids[4];
    std::vector<std::thread> threads;
    for (auto& list : ids)
        threads.emplace_back([&list] {
            for (int i = 0; i < 2000; ++i) list.push_back(new_id("s"));
        });
    for (auto& t : threads) t.join();
    std::set<std::string> all;
    for (auto& list : ids) all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), 8000u);
}

}  // namespace
}  // namespace ovelin
