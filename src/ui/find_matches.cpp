#include "ui/find_matches.hpp"

#include <algorithm>
#include <array>
#include <iterator>

#include "core/utf.hpp"

namespace ovelin {

namespace {

struct FoldRun {
    char32_t first;
    char32_t last;
    std::int32_t delta;
    std::uint32_t stride;
};

constexpr FoldRun FOLD_RUNS[] = {
#include "ui/fold_table.inc"
};

constexpr bool runs_sorted() {
    for (std::size_t i = 1; i < std::size(FOLD_RUNS); ++i)
        if (FOLD_RUNS[i].first <= FOLD_RUNS[i - 1].last) return false;
    return true;
}
static_assert(runs_sorted(), "the folding runs must be sorted and disjoint for the binary search");

constexpr std::array<unsigned char, 256> ascii_fold() {
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    return t;
}
constexpr std::array<unsigned char, 256> FOLD8 = ascii_fold();

}  // namespace

char32_t fold_case(char32_t c) {
    if (c < 0x80) return FOLD8[c];
    auto it = std::upper_bound(std::begin(FOLD_RUNS), std::end(FOLD_RUNS), c,
                               [](char32_t v, const FoldRun& r) { return v < r.first; });
    if (it == std::begin(FOLD_RUNS)) return c;
    const FoldRun& run = *std::prev(it);
    if (c > run.last || (c - run.first) % run.stride != 0) return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + run.delta);
}

FindNeedle::FindNeedle(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) chars_.push_back(fold_case(next_code_point(text, pos).value_or(0xFFFD)));
    bool ascii = true;
    for (char32_t c : chars_) ascii = ascii && c < 0x80;
    const std::size_t m = chars_.size();
    std::fill(std::begin(skip_), std::end(skip_), static_cast<std::uint32_t>(m));
    if (!ascii || m == 0) return;
    for (char32_t c : chars_) ascii_.push_back(static_cast<char>(c));
    for (std::size_t i = 0; i + 1 < m; ++i) {
        const auto b = static_cast<unsigned char>(ascii_[i]);
        skip_[b] = static_cast<std::uint32_t>(m - 1 - i);
        if (b >= 'a' && b <= 'z') skip_[b - 32] = skip_[b];
    }
}

// The search over one screen: lines as stored where they can be, joined text
// (folded, with each character's cell) where a line wraps or holds more
// than ASCII.
class Finder {
public:
    Finder(const Screen& screen, const FindNeedle& needle, std::vector<FoundSpan>& out)
        : screen_(screen), needle_(needle), out_(out) {}

    void run(std::uint64_t from) {
        const std::uint64_t end = screen_.end_line();
        const int cols = screen_.cols();
        for (std::uint64_t line = from; line < end;) {
            screen_.line_text(line, text_);
            if (!text_.wrapped && !text_.ascii.empty() && !needle_.ascii_.empty()) {
                search_bytes(line, text_.ascii);
                ++line;
                continue;
            }
            joined_.clear();
            cells_.clear();
            for (;;) {
                append(line, text_, cols);
                const bool more = text_.wrapped && line + 1 < end;
                ++line;
                if (!more) break;
                screen_.line_text(line, text_);
            }
            search_joined();
        }
    }

private:
    // Horspool over the stored bytes, folding ASCII letters as it compares.
    void search_bytes(std::uint64_t line, std::string_view text) {
        const std::string& p = needle_.ascii_;
        const std::size_t m = p.size(), n = text.size();
        if (m > n) return;
        const auto* t = reinterpret_cast<const unsigned char*>(text.data());
        const auto* q = reinterpret_cast<const unsigned char*>(p.data());
        const std::uint32_t* skip = needle_.skip_;
        const unsigned char last = q[m - 1];
        const unsigned char last_upper = last >= 'a' && last <= 'z' ? last - 32 : last;
        const std::size_t end = n - m;
        for (std::size_t i = 0; i <= end;) {
            const unsigned char c = t[i + m - 1];
            if (c == last || c == last_upper) {
                std::size_t k = 0;
                while (k + 1 < m && FOLD8[t[i + k]] == q[k]) ++k;
                if (k + 1 == m) {
                    out_.push_back({{line, static_cast<std::uint16_t>(i)}, {line, static_cast<std::uint16_t>(i + m)}});
                    i += m;
                    continue;
                }
            }
            i += skip[c];
        }
    }

    void append(std::uint64_t line, const LineText& t, int cols) {
        int next_col = 0;
        auto put = [&](char32_t c, std::uint16_t col) {
            joined_.push_back(fold_case(c));
            cells_.push_back({line, col});
            next_col = col + 1;
        };
        if (!t.ascii.empty()) {
            for (std::size_t k = 0; k < t.ascii.size(); ++k)
                put(static_cast<unsigned char>(t.ascii[k]), static_cast<std::uint16_t>(k));
        } else {
            for (std::size_t k = 0; k < t.chars.size(); ++k) put(t.chars[k], t.cols[k]);
        }
        // The blanks a wrapped line ends with are part of the text it wraps.
        if (t.wrapped)
            for (int c = next_col; c < cols; ++c) put(U' ', static_cast<std::uint16_t>(c));
    }

    void search_joined() {
        const std::vector<char32_t>& p = needle_.chars_;
        const std::size_t m = p.size(), n = joined_.size();
        if (m == 0 || m > n) return;
        for (std::size_t i = 0; i + m <= n;) {
            if (std::equal(p.begin(), p.end(), joined_.begin() + static_cast<std::ptrdiff_t>(i))) {
                const LinePoint last = cells_[i + m - 1];
                out_.push_back({cells_[i], {last.line, static_cast<std::uint16_t>(last.col + 1)}});
                i += m;
            } else {
                ++i;
            }
        }
    }

    const Screen& screen_;
    const FindNeedle& needle_;
    std::vector<FoundSpan>& out_;
    LineText text_;
    std::vector<char32_t> joined_;
    std::vector<LinePoint> cells_;
};

void find_matches(const Screen& screen, const FindNeedle& needle, std::uint64_t from, std::vector<FoundSpan>& out) {
    if (needle.empty()) return;
    Finder(screen, needle, out).run(std::max(from, screen.first_line()));
}

std::uint64_t text_start(const Screen& screen, std::uint64_t line) {
    const std::uint64_t first = screen.first_line();
    line = std::max(line, first);
    while (line > first && screen.line_wrapped(line - 1)) --line;
    return line;
}

}  // namespace ovelin
