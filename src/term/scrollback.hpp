#pragma once
// Lines that scrolled off the top of the main grid, oldest first, each kept
// as a short byte string: UTF-8 for the characters, a marker where the pen
// changes, trailing blank cells with the default pen left out. A plain line
// of text costs about its length in bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
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
    // index 0 is the oldest line kept.
    DecodedLine line(std::size_t index) const;
    std::string text(std::size_t index) const;

    // Heap bytes held: line records and their encoded bytes.
    std::size_t heap_bytes() const;

private:
    struct Line {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::uint32_t size = 0;
        bool wrapped = false;
    };
    Line& at(std::size_t index) { return lines_[(head_ + index) % lines_.size()]; }
    const Line& at(std::size_t index) const { return lines_[(head_ + index) % lines_.size()]; }
    void drop_oldest();

    std::size_t max_lines_;
    std::size_t max_bytes_;
    std::vector<Line> lines_;  // a ring once it reaches max_lines_
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::size_t bytes_ = 0;
    std::vector<std::uint8_t> encode_buffer_;
};

}  // namespace ovelin::term
