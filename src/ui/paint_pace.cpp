#include "ui/paint_pace.hpp"

#include <algorithm>

namespace ovelin {

void PaintPace::input(Ms now) {
    last_input_ = now;
    had_input_ = true;
    ++inputs_;
}

bool PaintPace::active_printed(Ms now) {
    active_printed_ = true;
    return had_input_ && now - last_input_ < ANSWER_MS;
}

std::optional<PaintPace::Ms> PaintPace::others_printed(Ms now) {
    if (others_due_) return std::nullopt;
    const Ms due = std::max(now, others_painted_ + OTHERS_MS);
    others_due_ = due;
    return awaiting(now) ? std::max(due, last_input_ + AWAIT_MS) : due;
}

std::optional<PaintPace::Ms> PaintPace::others_timer(Ms now) {
    if (awaiting(now)) return last_input_ + AWAIT_MS;
    others_due_.reset();
    everything_ = true;
    return std::nullopt;
}

// Every view is brought up to date unless only the active tab printed since
// the last paint and the others are not yet due. Timers come only when no
// paint is pending, so an active tab printing without pause would hold the
// others back for good without the due time checked here. When they fall due
// as the active tab answers the user, its paint comes first, alone, and
// theirs right after it (never two in a row); a tab printing on its own
// shares the paints as they come.
PaintPace::Paint PaintPace::paint(Ms now) {
    Paint p;
    p.answer = had_input_ && now - last_input_ < ANSWER_MS;
    const bool echo = active_printed_ && p.answer;
    const bool others_due = others_due_ && now >= *others_due_ && (echo || !awaiting(now));
    if (echo) {
        // Their timer may wait for this answer: it need not any more.
        if (awaiting(now) && others_due_ && now < *others_due_) p.rearm = *others_due_;
        answered_ = inputs_;
    }
    p.all_views = everything_ || (others_due && (!echo || others_deferred_));
    others_deferred_ = others_due && !p.all_views;
    p.others_next = others_deferred_;
    active_printed_ = false;
    if (p.all_views) {
        everything_ = false;
        p.stop_timer = others_due_.has_value();
        p.rearm.reset();
        others_due_.reset();
        others_painted_ = now;
    }
    return p;
}

}  // namespace ovelin
