#include "app/paint.hpp"

#include <algorithm>

#include "app/shortcuts.hpp"
#include "app/tab_bar.hpp"
#include "app/view_paint.hpp"
#include "ui/help_overlay.hpp"

namespace ovelin {

void paint_window(App& app, Canvas& canvas, ClientSize size, bool others_may_lag) {
    canvas.select_font(FontKind::Bar);
    paint_bar(app, canvas, size.width);
    canvas.select_font(FontKind::Terminal);
    paint_view(app, canvas, size, others_may_lag);
    // Over everything else.
    if (app.help_visible)
        draw_help(canvas, {0, 0, size.width, size.height}, app.metrics.cell_height,
                  help_rows(app.settings.keys.nav_modifier));
}

}  // namespace ovelin
