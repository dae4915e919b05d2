#pragma once
// Drawing one session's screen into a rectangle of the window: the live
// screen, or history lines above it when the view is scrolled back.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "pty/pty_session.hpp"
#include "term/lines.hpp"
#include "ui/canvas.hpp"
#include "ui/cell_metrics.hpp"

namespace ovelin {

// Cells of history lines, both ends inclusive, start never after end.
struct SelectionRange {
    bool active = false;
    LinePoint start, end;
    bool alternate = false;  // of the alternate screen's lines: shown only while it is on
};

// A found match: from `start` up to, not including, `end`; it may run on
// over wrapped lines (then `end` is on a later line).
struct FoundSpan {
    LinePoint start, end;
    bool operator==(const FoundSpan&) const = default;
};

// The typed line and the history suggestion drawn as grey text after it.
struct GhostText {
    std::string line;
    std::optional<std::string> pending;
};

// What a view shows besides the screen's own cells.
struct TerminalView {
    // The line at the top when scrolled back; none (or on the alternate
    // screen) for the live screen.
    std::optional<std::uint64_t> top;
    bool focused = false;  // cursor and suggestion, on the live screen only
    SelectionRange selection;
    GhostText ghost;
    std::span<const FoundSpan> found;    // in order, none overlapping
    std::optional<std::size_t> current;  // the match gone to, in `found`
    // Kept pixels may stay as they are when only the screen's text changed
    // since: another tab's view, brought up to date at a steadier pace than
    // the one typed into (a later paint shows the text).
    bool may_lag = false;
};

// The line the view's top row shows: `top` clamped to the history, the live
// screen's top line without it or while the alternate screen is on.
std::uint64_t view_top(const Screen& screen, std::optional<std::uint64_t> top);

// The thumb in the margin right of the area, for a view `offset` lines above
// the live screen out of `history` lines above it, showing `rows` rows; none
// on the live screen. Its height is the share of all lines shown (at least
// 16 pixels), its place the offset's share of the area's height.
std::optional<Rect> scroll_thumb(const Rect& area, std::uint64_t offset, std::uint64_t history, int rows);
// The offset that puts the thumb's top at `thumb_top`, the thumb dragged.
std::uint64_t offset_for_thumb(const Rect& area, std::uint64_t history, int rows, int thumb_top);

// Locks the screen for the whole drawing. The caller has selected the
// terminal font and filled the area with the default background. On a canvas
// that keeps pixels between paints, only the rows whose lines changed (or
// are new to the view) are drawn again; the cursor, the suggestion and the
// thumb are always drawn over the copy.
void draw_terminal(Canvas& canvas, LockedScreen& screen, const Rect& area, const CellMetrics& metrics,
                   const TerminalView& view);

}  // namespace ovelin
