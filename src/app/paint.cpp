#include "app/paint.hpp"

#include <algorithm>

#include "app/selection.hpp"
#include "app/tab_bar.hpp"
#include "ui/help_overlay.hpp"
#include "ui/terminal_view.hpp"

namespace ovelin {

namespace {
constexpr int TAB_BAR_HEIGHT = 34;

TerminalMetrics metrics(const App& app) { return {app.cell_width, app.cell_height, app.glyph_height}; }

void draw_single(App& app, Canvas& canvas, const Rect& content) {
    if (app.sessions.empty()) return;
    const std::size_t index = std::min(app.active, app.sessions.size() - 1);
    Session& s = app.sessions[index];
    const Rect area{content.left + 6, content.top + 6, content.right - 6, content.bottom - 2};
    // An ended tab shows neither a cursor nor a suggestion.
    const bool live = !s.ended();
    draw_terminal(canvas, *s.pty->screen(), area, metrics(app), live, selection_range(app, s.id()), GhostText{s.line, s.pending});
}
}  // namespace

void paint_window(App& app, Canvas& canvas, ClientSize size) {
    canvas.select_font(FontKind::Bar);
    paint_bar(app, canvas, size.width);
    canvas.select_font(FontKind::Terminal);
    const Rect content{0, TAB_BAR_HEIGHT, size.width, size.height};
    draw_single(app, canvas, content);
    // Over everything else.
    if (app.help_visible) draw_help(canvas, {0, 0, size.width, size.height}, app.cell_height, app.settings.keys.nav_modifier);
}

}  // namespace ovelin
