#include "ui/paint_pace.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ovelin {
namespace {

// One thing happening to the window at a time (ms), and what it must answer.
struct Step {
    enum Kind { Input, Everything, Active, Others, Timer, Paint } kind;
    PaintPace::Ms at;
    // Active: answers the user. Others, Timer: the wake time (nullopt: none
    // to set / paint now). Paint: all views, answer, others next, rearm.
    bool answer = false;
    std::optional<PaintPace::Ms> wake{};
    bool all = false, next = false;
    std::optional<PaintPace::Ms> rearm{};
};

using S = Step;
using P = PaintPace;

TEST(PaintPace, ActiveAtOnceOthersAtTheirPaceAndAnAnswerFirst) {
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"the first paint is every view; then another tab waits for its pace",
         {{S::Paint, 0, false, {}, true}, {S::Others, 10, false, P::OTHERS_MS}, {S::Others, 12, false, std::nullopt},
          {S::Active, 20}, {S::Paint, 20, false, {}, false}, {S::Timer, 33, false, std::nullopt},
          {S::Paint, 33, false, {}, true}}},
        {"a tab printing without pause does not hold the others back",
         {{S::Paint, 0, false, {}, true}, {S::Others, 1, false, 33}, {S::Active, 40}, {S::Paint, 40, false, {}, true}}},
        {"another tab's output soon after a key waits for the answer",
         {{S::Everything, 90}, {S::Paint, 90, false, {}, true}, {S::Input, 100}, {S::Others, 101, false, 150},
          {S::Active, 103, true}, {S::Paint, 103, true, {}, false, false, 123}, {S::Timer, 123, false, std::nullopt},
          {S::Paint, 123, true, {}, true}}},
        {"others due when the answer comes: it is painted alone, theirs next",
         {{S::Paint, 0, false, {}, true}, {S::Others, 10, false, 33}, {S::Input, 30}, {S::Timer, 33, false, 80},
          {S::Active, 35, true}, {S::Paint, 35, true, {}, false, true}, {S::Active, 36, true},
          {S::Paint, 36, true, {}, true}}},
        {"a key with no output holds them at most the wait",
         {{S::Paint, 0, false, {}, true}, {S::Input, 50}, {S::Others, 60, false, 100}, {S::Timer, 100, false, std::nullopt},
          {S::Paint, 100, true, {}, true}}},
        {"the answer's time passed: output is no answer; whatever the user did paints all",
         {{S::Paint, 0, false, {}, true}, {S::Input, 10}, {S::Active, 10 + P::ANSWER_MS, false}, {S::Everything, 111},
          {S::Paint, 111, false, {}, true}}},
    };
    for (const auto& c : cases) {
        PaintPace pace;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            const std::string where = std::string(c.name) + ", step " + std::to_string(i);
            switch (s.kind) {
                case S::Input: pace.input(s.at); break;
                case S::Everything: pace.everything(); break;
                case S::Active: EXPECT_EQ(pace.active_printed(s.at), s.answer) << where; break;
                case S::Others: EXPECT_EQ(pace.others_printed(s.at), s.wake) << where; break;
                case S::Timer: EXPECT_EQ(pace.others_timer(s.at), s.wake) << where; break;
                case S::Paint: {
                    const PaintPace::Paint p = pace.paint(s.at);
                    EXPECT_EQ(p.all_views, s.all) << where;
                    EXPECT_EQ(p.answer, s.answer) << where;
                    EXPECT_EQ(p.others_next, s.next) << where;
                    EXPECT_EQ(p.rearm, s.rearm) << where;
                    break;
                }
            }
        }
    }
}

}  // namespace
}  // namespace ovelin
