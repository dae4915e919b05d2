#pragma once
// What App keeps for the reports sent to programs: the mouse buttons held
// for one session, the last cell reported, and which session was last told
// it has the keys.

#include <cstdint>

namespace ovelin {

struct MouseReportState {
    std::uint64_t session_id = 0;  // the session the held buttons report to; 0 while none is held
    unsigned buttons = 0;          // those held, a bit per PointerButton
    // The last cell reported: a move within it is not reported again.
    std::uint64_t last_session = 0;
    int last_row = -1, last_col = -1;
};

struct FocusReportState {
    bool window_focused = true;
    std::uint64_t told = 0;  // the session last told it has the keys; 0 for none
};

}  // namespace ovelin
