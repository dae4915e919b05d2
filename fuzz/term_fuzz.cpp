// Screen under arbitrary output: bytes arrive in chunks, the size changes
// between some of them, and everything a painter or a copy reads is read.
// Nothing may crash, hang or give text that is not UTF-8; what the screen
// does not understand is heard by its hook.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/utf.hpp"
#include "term/mouse_report.hpp"
#include "term/screen.hpp"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void read_everything(ovelin::Screen& s, std::vector<ovelin::CellView>& row) {
    const auto rows = s.rows(), cols = s.cols();
    for (std::uint16_t r = 0; r < rows; ++r) {
        s.read_row(r, row);
        check(row.size() == cols);
        for (const auto& cell : row) check(ovelin::is_valid_utf8(cell.text));
    }
    const auto cur = s.cursor();
    check(cur.row < rows && cur.col < cols);
    check(ovelin::is_valid_utf8(s.contents()));
    check(ovelin::is_valid_utf8(s.contents_between(0, cols / 2, rows - 1, cols)));
    check(ovelin::is_valid_utf8(s.title()));
    (void)s.take_replies();
    // The reports the modes in force call for, at the far corner.
    using ovelin::term::MouseEvent;
    for (auto kind : {MouseEvent::Kind::Press, MouseEvent::Kind::Release, MouseEvent::Kind::Motion})
        (void)ovelin::term::encode_mouse(s.modes(), {kind, ovelin::term::MouseButton::Left, rows - 1, cols - 1});
    (void)ovelin::term::encode_focus(s.modes(), true);
}

}  // namespace

// Layout: two bytes give the first size; then each chunk starts with a byte:
// 0xF0 and above means "resize to the next two bytes", otherwise its low six
// bits plus one give the chunk's length.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    ovelin::Screen s(static_cast<std::uint16_t>(1 + data[0] % 50), static_cast<std::uint16_t>(1 + data[1] % 120), 300);
    std::vector<ovelin::CellView> row;
    s.on_unknown_sequence([](std::string_view text) { check(!text.empty()); });
    std::size_t at = 2;
    while (at < size) {
        const std::uint8_t head = data[at++];
        if (head >= 0xF0 && at + 2 <= size) {
            s.resize(static_cast<std::uint16_t>(data[at] % 60), static_cast<std::uint16_t>(data[at + 1] % 130));
            at += 2;
            read_everything(s, row);
            continue;
        }
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(head & 0x3F) + 1, size - at);
        s.feed(std::string_view(reinterpret_cast<const char*>(data + at), n));
        at += n;
        read_everything(s, row);
    }
    for (std::size_t i = 0; i < s.scrollback_size(); ++i) check(ovelin::is_valid_utf8(s.scrollback_line(i)));
    return 0;
}
