#pragma once
// Drawing one session's screen into a rectangle of the window.

#include <cstdint>
#include <optional>
#include <string>

#include "pty/pty_session.hpp"
#include "ui/canvas.hpp"

namespace ovelin {

struct TerminalMetrics {
    std::int32_t cell_width = 1;
    std::int32_t cell_height = 1;
    std::int32_t glyph_height = 1;
};

// Visible cells, both ends inclusive, start never after end.
struct SelectionRange {
    bool active = false;
    std::uint16_t start_row = 0, start_col = 0;
    std::uint16_t end_row = 0, end_col = 0;
};

// The typed line and the history suggestion drawn as grey text after it.
struct GhostText {
    std::string line;
    std::optional<std::string> pending;
};

// Locks the screen for the whole drawing. The caller has selected the
// terminal font and filled the area with the default background. On a canvas
// that keeps pixels between paints, only the rows that changed since this
// view's last paint are drawn again; the cursor and the suggestion are always
// drawn over the copy.
void draw_terminal(Canvas& canvas, LockedScreen& screen, const Rect& area, const TerminalMetrics& metrics,
                   bool focused, const SelectionRange& selection, const GhostText& ghost);

}  // namespace ovelin
