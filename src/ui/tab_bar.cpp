#include "ui/tab_bar.hpp"

#include <algorithm>

#include "core/utf.hpp"
#include "ui/kept_view.hpp"
#include "ui/palette.hpp"

namespace ovelin {

namespace {
constexpr int MIN_SLOT = 72;
constexpr int MAX_SLOT = 180;
constexpr int CLOSE_WIDTH = 26;  // the part of a slot that closes it
constexpr Rgb ACTIVE_FILL{38, 43, 53};
constexpr Rgb INACTIVE_FILL{25, 29, 36};
constexpr Rgb TEXT{225, 229, 237};
constexpr Rgb PLUS_FILL{30, 78, 121};
constexpr Rgb WHITE{255, 255, 255};

int plus_left(int client_width) { return client_width - BAR_PLUS_WIDTH; }

void text(Canvas& canvas, Rect box, const Rect& slot, std::u16string_view s, Rgb color) {
    // Never past the slot's own edges: a cut-off last slot keeps its marks inside itself.
    box.left = std::max(box.left, slot.left);
    box.right = std::min(box.right, slot.right);
    if (box.right > box.left) canvas.text_in(box, s, color);
}
}  // namespace

int slot_width(int client_width, std::size_t item_count) {
    if (item_count == 0) return MAX_SLOT;
    const long share = static_cast<long>(client_width - BAR_PLUS_WIDTH) / static_cast<long>(item_count);
    return static_cast<int>(std::clamp<long>(share, MIN_SLOT, MAX_SLOT));
}

std::size_t visible_slots(int client_width, std::size_t item_count) {
    const int right = plus_left(client_width);
    if (right <= 0) return 0;
    const int w = slot_width(client_width, item_count);
    const std::size_t fit = static_cast<std::size_t>((right + w - 1) / w);  // slots starting left of the "+"
    return std::min(fit, item_count);
}

Rect slot_rect(int client_width, std::size_t item_count, std::size_t slot) {
    const int w = slot_width(client_width, item_count);
    const int left = static_cast<int>(slot) * w;
    return {left, 0, std::min(left + w, plus_left(client_width)), BAR_HEIGHT};
}

BarHit hit_test_bar(int client_width, std::size_t item_count, int x, int y) {
    if (y < 0 || y >= BAR_HEIGHT) return {};
    if (x >= plus_left(client_width)) return {BarHit::Kind::Plus, 0};
    if (x < 0) return {};
    const int w = slot_width(client_width, item_count);
    const std::size_t slot = static_cast<std::size_t>(x / w);
    if (slot >= item_count) return {};
    // Against the edge as drawn, so the close mark of a cut-off last slot
    // closes it like any other.
    const Rect r = slot_rect(client_width, item_count, slot);
    return {x >= r.right - CLOSE_WIDTH ? BarHit::Kind::Close : BarHit::Kind::Body, slot};
}

namespace {

void draw_tab_bar(Canvas& canvas, std::span<const TabBarItem> items, int client_width) {
    const std::size_t shown = visible_slots(client_width, items.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const TabBarItem& item = items[i];
        const Rect r = slot_rect(client_width, items.size(), i);
        canvas.fill(r, item.active ? ACTIVE_FILL : INACTIVE_FILL);
        if (item.stripe) canvas.fill({r.left, 0, r.right, 3}, *item.stripe);
        if (item.underline) canvas.fill({r.left, BAR_HEIGHT - 2, r.right, BAR_HEIGHT}, *item.underline);
        text(canvas, {r.left + 8, 0, r.right - CLOSE_WIDTH, BAR_HEIGHT}, r, utf8_to_utf16(item.label), TEXT);
        text(canvas, {r.right - 22, 0, r.right - 4, BAR_HEIGHT}, r, u"x", TEXT);
    }
    const int plus = plus_left(client_width);
    canvas.fill({plus, 0, client_width, BAR_HEIGHT}, PLUS_FILL);
    canvas.text_in({client_width - 26, 0, client_width, BAR_HEIGHT}, u"+", WHITE);
}

// Everything the bar's pixels depend on.
std::string drawn_from(std::span<const TabBarItem> items, int client_width) {
    std::string key = std::to_string(client_width);
    const auto color = [&](const std::optional<Rgb>& c) {
        key += c ? std::to_string(c->r << 16 | c->g << 8 | c->b) : "-";
        key += ',';
    };
    for (const TabBarItem& item : items) {
        key += item.active ? "\n*" : "\n ";
        color(item.stripe);
        color(item.underline);
        key += item.label;
    }
    return key;
}

const int BAR_PICTURE = 0;  // its address names the bar's kept pixels

}  // namespace

void paint_tab_bar(Canvas& canvas, std::span<const TabBarItem> items, int client_width) {
    // Kept between paints: most paints are for output, and the bar stays.
    KeptSurface* kept = canvas.kept_surface(&BAR_PICTURE, {0, 0, client_width, BAR_HEIGHT});
    if (!kept) {
        draw_tab_bar(canvas, items, client_width);
        return;
    }
    std::string key = drawn_from(items, client_width);
    if (kept->drawn_for != key) {
        Canvas& c = kept->canvas();
        c.fill({0, 0, client_width, BAR_HEIGHT}, palette::BACKGROUND);
        c.select_font(FontKind::Bar);
        draw_tab_bar(c, items, client_width);
        kept->drawn_for = std::move(key);
    }
    kept->show(0);
}

}  // namespace ovelin
