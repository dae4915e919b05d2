#pragma once
// Lines that scrolled off the top of the main grid, oldest first, each kept
// as a short byte string: UTF-8 for the characters, a marker where the pen
// changes, trailing blank cells with the default pen left out. A plain line
// of text costs about its length in bytes.
//
// Line numbers go on from the first line ever pushed (0), as the main grid's
// do: dropping the oldest lines keeps the numbers of the rest.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "term/cell.hpp"

namespace ovelin::term {

struct Row;

// A line taken back out of the scrollback: the cells it kept (possibly fewer
// than the screen is wide) and the side table its cluster cells refer to.
struct DecodedLine {
    std::vector<Cell> cells;
    std::vector<char32_t> clusters;
    bool wrapped = false;
};

class Scrollback {
public:
    // Past either limit the oldest lines go.
    Scrollback(std::size_t max_lines, std::size_t max_bytes);

    void push(const Row& row, int cols);
    // Takes the newest line back (a resize that adds rows pulls lines down).
    bool pop_newest(DecodedLine& out);

    std::size_t size() const { return count_; }
    // The number the next line pushed will get; the oldest kept is end() - size().
    std::uint64_t end() const { return end_; }
    // index 0 is the oldest line kept.
    DecodedLine line(std::size_t index) const;
    void line(std::size_t index, DecodedLine& out) const;
    std::string text(std::size_t index) const;
    // When the line was last changed on the screen, by the main grid's clock.
    std::uint64_t changed(std::size_t index) const { return at(index).changed; }
    // The line's cells one byte each, when all of them up to its end are
    // printable ASCII with the default pen; empty otherwise.
    std::string_view ascii(std::size_t index) const {
        const Line& l = at(index);
        if (!l.ascii) return {};
        return {reinterpret_cast<const char*>(l.bytes.get()), l.size};
    }
    bool wrapped(std::size_t index) const { return at(index).wrapped; }

    // Heap bytes held: line records and their encoded bytes.
    std::size_t heap_bytes() const;

private:
    struct Line {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::uint64_t changed = 0;
        std::uint32_t size = 0;
        bool wrapped = false;
        bool ascii = false;  // bytes are cells: no markers, nothing beyond ASCII
    };
    Line& at(std::size_t index) { return lines_[(head_ + index) % lines_.size()]; }
    const Line& at(std::size_t index) const { return lines_[(head_ + index) % lines_.size()]; }
    void drop_oldest();

    std::size_t max_lines_;
    std::size_t max_bytes_;
    std::vector<Line> lines_;  // a ring once it reaches max_lines_
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::uint64_t end_ = 0;
    std::size_t bytes_ = 0;
    std::vector<std::uint8_t> encode_buffer_;
};

}  // namespace ovelin::term
