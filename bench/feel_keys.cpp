#include "feel_keys.hpp"

namespace feel {

using namespace ovelin::testing;

namespace {

std::vector<std::uint32_t> crop(const std::vector<std::uint32_t>& bits, int width, const Region& from,
                                const Region& part) {
    std::vector<std::uint32_t> out;
    for (int y = part.top; y < part.bottom; ++y)
        for (int x = part.left; x < part.right; ++x)
            out.push_back(bits[static_cast<std::size_t>(y - from.top) * width + (x - from.left)]);
    return out;
}

// Reads the region until it holds the same pixels twice, 300 ms apart.
bool settle(const Terminal& t, const Region& r, Pixels& px) {
    std::vector<std::uint32_t> last;
    return poll(
        [&] {
            if (!px.read(t.hwnd, r)) return false;
            if (px.bits() == last) return true;
            last = px.bits();
            ::Sleep(300);
            return false;
        },
        20000);
}

}  // namespace

std::optional<Echo> find_echo(const Terminal& t, const Region& area) {
    bring_to_front(t.hwnd);
    Pixels px;
    if (!settle(t, area, px)) return std::nullopt;
    const std::vector<std::uint32_t> base = px.bits();
    press('X');
    if (!poll([&] { return px.read(t.hwnd, area) && px.bits() != base; }, 10000)) return std::nullopt;
    settle(t, area, px);
    const std::optional<Region> where = difference(px, base, area);
    if (!where) return std::nullopt;
    Echo echo{*where, crop(base, area.width(), area, *where), crop(px.bits(), area.width(), area, *where)};
    press(VK_BACK);
    Pixels part;
    if (!poll([&] { return part.read(t.hwnd, echo.where) && part.bits() == echo.before; }, 10000))
        return std::nullopt;
    return echo;
}

std::optional<double> keystroke(const Terminal& t, const Echo& echo, std::int64_t& sent) {
    bring_to_front(t.hwnd);
    Pixels px;
    // Gaining the focus may repaint; the echo is sought in a quiet window.
    if (!poll([&] { return px.read(t.hwnd, echo.where) && px.bits() == echo.before; }, 5000)) return std::nullopt;
    ::Sleep(50);
    sent = now_ticks();
    press('X');
    const bool shown = poll([&] { return px.read(t.hwnd, echo.where) && px.bits() == echo.after; }, 5000);
    const double ms = ticks_to_ms(now_ticks() - sent);
    press(VK_BACK);
    poll([&] { return px.read(t.hwnd, echo.where) && px.bits() == echo.before; }, 5000);
    if (!shown) return std::nullopt;
    return ms;
}

}  // namespace feel
