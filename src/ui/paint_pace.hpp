#pragma once
// When the window's paints bring which views up to date. The active tab's
// output is painted at once; other tabs' output at a steady pace (their
// views keep their last pixels meanwhile); output soon after a key or a
// button answers the user and comes first. Times are milliseconds of any
// steady clock; the window turns the answers into paints and a timer.

#include <cstdint>
#include <optional>

namespace ovelin {

class PaintPace {
public:
    using Ms = std::uint64_t;
    // Other tabs are brought up to date at most this often (about 30 frames
    // a second) while they print.
    static constexpr Ms OTHERS_MS = 33;
    // Output this soon after a key or a button answers the user (an echo,
    // most likely): it is painted first, alone, and shown at once.
    static constexpr Ms ANSWER_MS = 100;
    // Until that answer is painted, and at most this long, the other tabs'
    // paints wait: it would otherwise queue behind a paint of every view.
    static constexpr Ms AWAIT_MS = 50;

    void input(Ms now);
    // Every view at the next paint (whatever the user did, a new layout).
    void everything() { everything_ = true; }
    // The active tab printed; true when that answers the user.
    bool active_printed(Ms now);
    // Another tab printed: when to paint for it (now: ask at once; later: a
    // timer), or nothing when a paint for the others is planned already.
    std::optional<Ms> others_printed(Ms now);
    // The others' timer went off: nothing to paint them now, else when to
    // wake again (an answer is awaited).
    std::optional<Ms> others_timer(Ms now);

    struct Paint {
        bool all_views = false;  // false: the other tabs' views may show their last pixels
        bool answer = false;     // answers the user: shown at once
        bool others_next = false;  // theirs is the very next paint: ask for it after this one
        bool stop_timer = false;   // the others' timer is no longer wanted
        std::optional<Ms> rearm;   // their timer goes off then instead (the answer came)
    };
    Paint paint(Ms now);

private:
    bool awaiting(Ms now) const { return answered_ != inputs_ && now - last_input_ < AWAIT_MS; }

    bool everything_ = true;
    bool active_printed_ = false;
    bool others_deferred_ = false;  // the last paint left the others for the next
    Ms last_input_ = 0;
    std::uint64_t inputs_ = 0;    // keys and buttons gone down
    std::uint64_t answered_ = 0;  // inputs_ when output was last painted as an answer
    bool had_input_ = false;
    std::optional<Ms> others_due_;  // when the others are next brought up to date
    Ms others_painted_ = 0;         // when they last were
};

}  // namespace ovelin
