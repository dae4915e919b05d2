#include "ui/help_overlay.hpp"

#include <algorithm>

#include "core/utf.hpp"

namespace ovelin {

namespace {

constexpr Rgb PANEL{24, 28, 36};
constexpr Rgb FRAME{86, 156, 214};
constexpr Rgb TITLE{240, 244, 250};
constexpr Rgb KEY{120, 180, 240};
constexpr Rgb DESCRIPTION{210, 214, 222};

int line_height(int cell_height) { return std::max(20, cell_height + 6); }

}  // namespace

Rect help_panel(const Rect& client, int cell_height, std::size_t rows) {
    const int lh = line_height(cell_height);
    const int w = std::min(std::max(client.right - client.left - 60, 280), 560);
    const int h = static_cast<int>(rows + 2) * lh;
    const int t = std::max(8, (client.bottom - h - 58) / 2);
    const int p = client.left + (client.right - client.left - w) / 2;
    return {p, t + 34, p + w, t + h + 58};
}

void draw_help(Canvas& canvas, const Rect& client, int cell_height, std::span<const HelpRow> rows) {
    const Rect panel = help_panel(client, cell_height, rows.size());
    const int lh = line_height(cell_height);
    const int p = panel.left, w = panel.right - panel.left;
    const int top = panel.top + 12;  // the title's line: the offset t plus 46
    canvas.fill(panel, PANEL);
    canvas.frame(panel, FRAME);
    canvas.select_font(FontKind::Terminal);
    canvas.text_in({p + 16, top, p + w - 16, top + lh}, u"ovelin keys", TITLE);
    const int k = p + 16 + (w * 45) / 100;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int y = top + lh * static_cast<int>(i + 1);
        canvas.text_in({p + 16, y, k, y + lh}, utf8_to_utf16(rows[i].first), KEY);
        canvas.text_in({k, y, p + w - 16, y + lh}, utf8_to_utf16(rows[i].second), DESCRIPTION);
    }
}

}  // namespace ovelin
