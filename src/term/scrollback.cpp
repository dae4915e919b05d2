#include "term/scrollback.hpp"

#include <algorithm>
#include <cstring>

#include "term/grid.hpp"

namespace ovelin::term {

namespace {

// Bytes below 0xF8 start UTF-8 sequences; these never occur in UTF-8.
constexpr std::uint8_t kPenToken = 0xF8;        // bits (2 bytes), then the colour bytes the kinds need
constexpr std::uint8_t kBlankRunToken = 0xF9;   // varint n: n blank cells
constexpr std::uint8_t kContinuationToken = 0xFA;
constexpr std::uint8_t kClusterToken = 0xFB;    // count, then that many code points
constexpr std::uint8_t kRawToken = 0xFC;        // 4 bytes: a value UTF-8 cannot carry

int color_bytes(ColorKind k) { return k == ColorKind::Default ? 0 : k == ColorKind::Indexed ? 1 : 3; }

// Writes at most 5 bytes.
std::uint8_t* put_code_point(std::uint8_t* out, char32_t cp) {
    if (cp < 0x80) {
        *out++ = static_cast<std::uint8_t>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<std::uint8_t>(0xC0 | (cp >> 6));
        *out++ = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<std::uint8_t>(0xE0 | (cp >> 12));
        *out++ = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    } else if (cp < 0x110000) {
        *out++ = static_cast<std::uint8_t>(0xF0 | (cp >> 18));
        *out++ = static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    } else {
        *out++ = kRawToken;
        for (int i = 0; i < 4; ++i) *out++ = static_cast<std::uint8_t>(cp >> (8 * i));
    }
    return out;
}

class Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : p_(p), end_(p + n) {}
    bool done() const { return p_ >= end_; }
    std::uint8_t peek() const { return *p_; }
    std::uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    std::size_t varint() {
        std::size_t v = 0;
        for (int shift = 0; shift < 64 && !done(); shift += 7) {
            const std::uint8_t b = byte();
            v |= static_cast<std::size_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) break;
        }
        return v;
    }
    char32_t code_point() {
        const std::uint8_t lead = byte();
        if (lead == kRawToken) {
            char32_t v = 0;
            for (int i = 0; i < 4; ++i) v |= static_cast<char32_t>(byte()) << (8 * i);
            return v;
        }
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t v = extra == 0 ? lead : extra == 1 ? (lead & 0x1Fu) : extra == 2 ? (lead & 0x0Fu) : (lead & 0x07u);
        for (int i = 0; i < extra; ++i) v = (v << 6) | (byte() & 0x3Fu);
        return v;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

void decode(const std::uint8_t* bytes, std::size_t n, DecodedLine& out) {
    out.cells.clear();
    out.clusters.clear();
    Reader in(bytes, n);
    Pen pen;
    while (!in.done()) {
        const std::uint8_t t = in.peek();
        if (t == kPenToken) {
            in.byte();
            pen = Pen{};
            pen.bits = static_cast<std::uint16_t>(in.byte() | (in.byte() << 8));
            for (int i = 0; i < color_bytes(pen.fg_kind()); ++i) pen.fg[i] = in.byte();
            for (int i = 0; i < color_bytes(pen.bg_kind()); ++i) pen.bg[i] = in.byte();
        } else if (t == kBlankRunToken) {
            in.byte();
            const std::size_t run = std::min<std::size_t>(in.varint(), 65535);
            out.cells.insert(out.cells.end(), run, Cell{0, pen});
        } else if (t == kContinuationToken) {
            in.byte();
            out.cells.push_back(Cell{kContinuation, pen});
        } else if (t == kClusterToken) {
            in.byte();
            const int count = std::min<int>(in.byte(), kMaxCharsPerCell);
            const auto at = static_cast<char32_t>(out.clusters.size());
            out.clusters.push_back(static_cast<char32_t>(count));
            for (int i = 0; i < count; ++i) out.clusters.push_back(in.code_point());
            out.cells.push_back(Cell{kClusterFlag | at, pen});
        } else {
            out.cells.push_back(Cell{in.code_point(), pen});
        }
    }
}

}  // namespace

Scrollback::Scrollback(std::size_t max_lines, std::size_t max_bytes) : max_lines_(max_lines), max_bytes_(max_bytes) {}

void Scrollback::push(const Row& row, int cols) {
    ++end_;
    if (max_lines_ == 0) return;
    const Cell* cells = row.cells.get();

    // Pens compare as one word; protection against selective erase does
    // not survive the scrollback, as on libvterm's screen layer.
    auto word_of = [](const Pen& p) {
        std::uint64_t w;
        std::memcpy(&w, &p, sizeof w);
        return w;
    };
    Pen protect_only;
    protect_only.bits = Pen::kProtected;
    const std::uint64_t keep = ~word_of(protect_only);
    auto pen_word = [&](const Pen& p) { return word_of(p) & keep; };

    // Trailing blanks with the default pen are left out.
    int n = cols;
    while (n > 0 && cells[n - 1].ch == 0 && pen_word(cells[n - 1].pen) == 0) --n;

    // Worst case per cell: a pen marker (9 bytes) and a cluster of six raw
    // values (2 + 6 * 5 bytes).
    const std::size_t need = static_cast<std::size_t>(n) * 41 + 16;
    if (encode_buffer_.size() < need) encode_buffer_.resize(need);
    std::uint8_t* const begin = encode_buffer_.data();
    std::uint8_t* out = begin;

    // Cells a resize will put back are the ones its left-to-right walk
    // lands on; the right half of a wide character is skipped there, so its
    // pen is not worth a marker.
    std::uint64_t current = 0;
    bool ascii = true;  // no marker written, nothing beyond ASCII
    int c = 0;
    while (c < n) {
        const Cell& cell = cells[c];
        const bool wide = c + 1 < n && cells[c + 1].ch == kContinuation;
        const std::uint64_t word = pen_word(cell.pen);
        if (word != current) {
            current = word;
            ascii = false;
            Pen pen = cell.pen;
            pen.set(Pen::kProtected, false);
            *out++ = kPenToken;
            *out++ = static_cast<std::uint8_t>(pen.bits & 0xFF);
            *out++ = static_cast<std::uint8_t>(pen.bits >> 8);
            for (int i = 0; i < color_bytes(pen.fg_kind()); ++i) *out++ = pen.fg[i];
            for (int i = 0; i < color_bytes(pen.bg_kind()); ++i) *out++ = pen.bg[i];
        }
        if (cell.ch - 1u < 0x7fu) {
            // Plain text in one pen, the common line: one byte a cell.
            do {
                *out++ = static_cast<std::uint8_t>(cells[c].ch);
                ++c;
            } while (c < n && cells[c].ch - 1u < 0x7fu && pen_word(cells[c].pen) == current &&
                     !(c + 1 < n && cells[c + 1].ch == kContinuation));
            if (wide && c == (&cell - cells) + 1) {
                *out++ = kContinuationToken;
                ascii = false;
                ++c;
            }
            continue;
        }
        ascii = false;
        if (cell.ch == 0) {
            int run = 1;
            while (c + run < n && cells[c + run].ch == 0 && cells[c + run].pen == cell.pen) ++run;
            *out++ = kBlankRunToken;
            for (unsigned v = static_cast<unsigned>(run);; v >>= 7) {
                if (v < 0x80) {
                    *out++ = static_cast<std::uint8_t>(v);
                    break;
                }
                *out++ = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
            }
            c += run;
            continue;
        }
        if (cell.ch < 0x80) {
            *out++ = static_cast<std::uint8_t>(cell.ch);
        } else if (cell.ch == kContinuation) {
            *out++ = kContinuationToken;
        } else if (cell.is_cluster()) {
            const auto cps = cluster_of(row.clusters, cell);
            *out++ = kClusterToken;
            *out++ = static_cast<std::uint8_t>(cps.size());
            for (char32_t cp : cps) out = put_code_point(out, cp);
        } else {
            out = put_code_point(out, cell.ch);
        }
        if (wide) {
            *out++ = kContinuationToken;
            c += 2;
        } else {
            c += 1;
        }
    }
    const auto size = static_cast<std::size_t>(out - begin);

    if (count_ == max_lines_) drop_oldest();
    Line line;
    line.size = static_cast<std::uint32_t>(size);
    line.wrapped = row.wrapped;
    line.ascii = ascii;
    line.changed = row.changed;
    if (size > 0) {
        line.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        std::memcpy(line.bytes.get(), begin, size);
    }
    bytes_ += size;
    if (count_ == lines_.size()) {
        // Every slot is in use: grow the ring, oldest line first again.
        std::rotate(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(head_), lines_.end());
        head_ = 0;
        // Never past the limit: a full ring holds exactly max_lines_ records.
        if (lines_.size() == lines_.capacity())
            lines_.reserve(std::min(std::max<std::size_t>(lines_.size() * 2, 64), max_lines_));
        lines_.push_back(std::move(line));
    } else {
        lines_[(head_ + count_) % lines_.size()] = std::move(line);
    }
    ++count_;
    while (bytes_ > max_bytes_ && count_ > 1) drop_oldest();
}

void Scrollback::drop_oldest() {
    if (count_ == 0) return;
    Line& old = at(0);
    bytes_ -= old.size;
    old = Line{};
    head_ = (head_ + 1) % lines_.size();
    --count_;
}

bool Scrollback::pop_newest(DecodedLine& out) {
    if (count_ == 0) return false;
    Line& line = at(count_ - 1);
    decode(line.bytes.get(), line.size, out);
    out.wrapped = line.wrapped;
    bytes_ -= line.size;
    line = Line{};
    --count_;
    --end_;
    return true;
}

DecodedLine Scrollback::line(std::size_t index) const {
    DecodedLine out;
    line(index, out);
    return out;
}

void Scrollback::line(std::size_t index, DecodedLine& out) const {
    if (index >= count_) {
        out.cells.clear();
        out.clusters.clear();
        out.wrapped = false;
        return;
    }
    const Line& l = at(index);
    decode(l.bytes.get(), l.size, out);
    out.wrapped = l.wrapped;
}

std::string Scrollback::text(std::size_t index) const {
    const DecodedLine d = line(index);
    std::string out;
    append_cells_text(out, d.cells.data(), d.clusters, 0, static_cast<int>(d.cells.size()));
    return out;
}

std::size_t Scrollback::heap_bytes() const {
    return lines_.capacity() * sizeof(Line) + bytes_ + encode_buffer_.capacity();
}

}  // namespace ovelin::term
