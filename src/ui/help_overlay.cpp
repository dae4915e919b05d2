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

std::array<std::pair<std::string, std::string>, HELP_ROWS> help_rows(std::string_view nav_modifier) {
    return {{
        {std::string(nav_modifier.empty() ? "Alt" : nav_modifier) + "+Arrows", "Move selection (wraps; 4-way tiled)"},
        {"Ctrl+Shift+Z", "Browse groups (Enter in, Bksp up)"},
        {"Ctrl+T / Ctrl+W", "New tab / close tab"},
        {"Ctrl+N", "New window"},
        {"Ctrl+Tab / Ctrl+Shift+Tab", "Next / previous tab"},
        {"Ctrl+1..9", "Select tab"},
        {"Ctrl+Shift+R", "Rename tab"},
        {"Ctrl+Shift+O", "Connection manager"},
        {"Ctrl+Shift+P", "Quick connect (user@host)"},
        {"Ctrl+Shift+H", "History viewer"},
        {"Tab", "Expand alias / accept suggestion"},
        {"Ctrl+Shift+B", "Broadcast input to group"},
        {"Ctrl+Shift+G / Ctrl+Shift+A", "Tile group / tile all"},
        {"Ctrl+Shift+E", "Collapse / expand group"},
        {"Ctrl+Ins", "Copy screen"},
        {"Shift+Ins / Ctrl+Shift+Ins", "Paste"},
        {"Drag / right-click", "Copy selection / paste"},
        {"Ctrl+F1", "This help (Esc closes)"},
    }};
}

Rect help_panel(const Rect& client, int cell_height) {
    const int lh = line_height(cell_height);
    const int w = std::min(std::max(client.right - client.left - 60, 280), 560);
    const int h = static_cast<int>(HELP_ROWS + 2) * lh;
    const int t = std::max(8, (client.bottom - h - 58) / 2);
    const int p = client.left + (client.right - client.left - w) / 2;
    return {p, t + 34, p + w, t + h + 58};
}

void draw_help(Canvas& canvas, const Rect& client, int cell_height, std::string_view nav_modifier) {
    const Rect panel = help_panel(client, cell_height);
    const int lh = line_height(cell_height);
    const int p = panel.left, w = panel.right - panel.left;
    const int top = panel.top + 12;  // the title's line: the offset t plus 46
    canvas.fill(panel, PANEL);
    canvas.frame(panel, FRAME);
    canvas.select_font(FontKind::Terminal);
    canvas.text_in({p + 16, top, p + w - 16, top + lh}, u"ovelin keys", TITLE);
    const int k = p + 16 + (w * 45) / 100;
    const auto rows = help_rows(nav_modifier);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int y = top + lh * static_cast<int>(i + 1);
        canvas.text_in({p + 16, y, k, y + lh}, utf8_to_utf16(rows[i].first), KEY);
        canvas.text_in({k, y, p + w - 16, y + lh}, utf8_to_utf16(rows[i].second), DESCRIPTION);
    }
}

}  // namespace ovelin
