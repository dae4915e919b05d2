#pragma once
// The compact cell of our grids: 12 bytes, a blank cell with the default pen
// is all zeros. Combining sequences live in a side table of the row; the cell
// then holds a reference instead of a code point.

#include <cstdint>
#include <cstring>

namespace ovelin::term {

enum class ColorKind : std::uint8_t { Default = 0, Indexed = 1, Rgb = 2 };

// The drawing attributes of a cell (libvterm's "pen"), packed.
struct Pen {
    std::uint8_t fg[3] = {0, 0, 0};  // Indexed: fg[0] is the index; Rgb: r, g, b
    std::uint8_t bg[3] = {0, 0, 0};
    std::uint16_t bits = 0;

    // bits: fg kind 0-1, bg kind 2-3, bold 4, underline 5-6, italic 7,
    // blink 8, reverse 9, strike 10, font 11-14, protected 15.
    static constexpr std::uint16_t kBold = 1u << 4;
    static constexpr int kUnderlineShift = 5;
    static constexpr std::uint16_t kItalic = 1u << 7;
    static constexpr std::uint16_t kBlink = 1u << 8;
    static constexpr std::uint16_t kReverse = 1u << 9;
    static constexpr std::uint16_t kStrike = 1u << 10;
    static constexpr int kFontShift = 11;
    static constexpr std::uint16_t kProtected = 1u << 15;

    ColorKind fg_kind() const { return static_cast<ColorKind>(bits & 3u); }
    ColorKind bg_kind() const { return static_cast<ColorKind>((bits >> 2) & 3u); }
    void set_fg(ColorKind k, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        bits = static_cast<std::uint16_t>((bits & ~3u) | static_cast<unsigned>(k));
        fg[0] = a, fg[1] = b, fg[2] = c;
    }
    void set_bg(ColorKind k, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        bits = static_cast<std::uint16_t>((bits & ~(3u << 2)) | (static_cast<unsigned>(k) << 2));
        bg[0] = a, bg[1] = b, bg[2] = c;
    }
    bool has(std::uint16_t flag) const { return (bits & flag) != 0; }
    void set(std::uint16_t flag, bool on) {
        bits = static_cast<std::uint16_t>(on ? (bits | flag) : (bits & ~flag));
    }
    unsigned underline() const { return (bits >> kUnderlineShift) & 3u; }
    void set_underline(unsigned v) {
        bits = static_cast<std::uint16_t>((bits & ~(3u << kUnderlineShift)) | ((v & 3u) << kUnderlineShift));
    }
    unsigned font() const { return (bits >> kFontShift) & 15u; }
    void set_font(unsigned v) {
        bits = static_cast<std::uint16_t>((bits & ~(15u << kFontShift)) | ((v & 15u) << kFontShift));
    }
    bool operator==(const Pen& o) const { return std::memcmp(this, &o, sizeof(Pen)) == 0; }
    bool is_default() const { return *this == Pen{}; }
};
static_assert(sizeof(Pen) == 8);

// Values of Cell::ch beyond any code point libvterm produces (at most
// 0x7FFFFFFF from its 6-byte sequences).
inline constexpr char32_t kContinuation = 0xFFFFFFFFu;  // right half of a wide character
inline constexpr char32_t kClusterFlag = 0x80000000u;   // low bits: offset in the row's cluster table

struct Cell {
    char32_t ch = 0;  // 0: blank (never written or erased)
    Pen pen;

    bool is_cluster() const { return ch != kContinuation && (ch & kClusterFlag) != 0; }
};
static_assert(sizeof(Cell) == 12, "a cell must stay small: the grids hold rows x cols of them");

// libvterm keeps at most this many code points per cell (base + combining).
inline constexpr int kMaxCharsPerCell = 6;

}  // namespace ovelin::term
