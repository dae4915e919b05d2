#pragma once
// What scrolling remembers between messages: the wheel's part of a notch,
// and a drag of the scroll thumb.

#include <cstdint>

namespace ovelin {

struct WheelState {
    std::uint64_t session_id = 0;  // the session the remainder belongs to
    int remainder = 0;             // in 120ths of a line (of a page in page mode)
};

struct ThumbDrag {
    bool active = false;
    std::uint64_t session_id = 0;
    int grab = 0;  // the pointer's distance below the thumb's top when pressed
};

}  // namespace ovelin
