#include "app/paint.hpp"

#include <algorithm>

#include "app/tab_bar.hpp"
#include "app/view_paint.hpp"

namespace ovelin {

void paint_window(App& app, Canvas& canvas, ClientSize size) {
    canvas.select_font(FontKind::Bar);
    paint_bar(app, canvas, size.width);
    canvas.select_font(FontKind::Terminal);
    paint_view(app, canvas, size);
}

}  // namespace ovelin
