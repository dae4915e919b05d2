// Finding text in a full scrollback: 10,000 lines of 200 columns searched
// for a needle that is absent and for one on 1,000 lines, against
// std::boyer_moore_horspool_searcher over the same text laid out as one
// flat string (built outside the timing). Ours folds case and reads the
// lines as the screen keeps them; the reference compares bytes exactly.
// Processor time, the best of several runs, each case in turn.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ui/find_matches.hpp"

namespace {

constexpr int kLines = 10'000, kCols = 200, kRows = 70;

double cpu_ms() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Best of `runs` timings of `f`, in milliseconds.
double best(int runs, const std::function<std::size_t()>& f, std::size_t& found) {
    double best_ms = 1e30;
    for (int r = 0; r < runs; ++r) {
        const double t0 = cpu_ms();
        found = f();
        best_ms = std::min(best_ms, cpu_ms() - t0);
    }
    return best_ms;
}

std::string words_line(std::mt19937& rng) {
    static const char* words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "terminal",
                                  "session", "output", "build", "passed", "error:", "warning", "./src/main.cpp",
                                  "12345", "0x7f3a", "--verbose", "done."};
    std::string line;
    while (line.size() < kCols) {
        if (!line.empty()) line += ' ';
        line += words[rng() % std::size(words)];
    }
    line.resize(kCols);
    line.back() = '.';  // never a trailing blank
    return line;
}

}  // namespace

int main() {
    std::mt19937 rng(7);
    std::vector<std::string> lines;
    for (int i = 0; i < kLines + kRows - 1; ++i) {
        std::string line = words_line(rng);
        // Every tenth line holds the needle somewhere.
        if (i % 10 == 3) line.replace(rng() % (kCols - 20), 10, "Needle4711");
        lines.push_back(std::move(line));
    }
    ovelin::Screen screen(kRows, kCols, kLines);
    std::string bytes;
    for (const std::string& l : lines) bytes += l + "\r\n";
    screen.feed(bytes);
    std::string flat;
    for (const std::string& l : lines) flat += l + '\n';

    const struct {
        const char* name;
        std::string needle;
    } cases[] = {{"absent", "Needle0000"}, {"on 1,000 lines", "Needle4711"}};
    std::printf("find_bench: %d lines of %d columns in the scrollback, %d on the screen, %zu bytes flat\n", kLines,
                kCols, kRows, flat.size());
    std::vector<std::string> figures;
    for (const auto& c : cases) {
        const ovelin::FindNeedle needle(c.needle);
        std::vector<ovelin::FoundSpan> found;
        std::size_t ours_found = 0, ref_found = 0;
        double ours = 1e30, ref = 1e30;
        for (int round = 0; round < 5; ++round) {
            ours = std::min(ours, best(3, [&] {
                found.clear();
                ovelin::find_matches(screen, needle, screen.first_line(), found);
                return found.size();
            }, ours_found));
            ref = std::min(ref, best(3, [&] {
                const std::boyer_moore_horspool_searcher searcher(c.needle.begin(), c.needle.end());
                std::size_t n = 0;
                for (auto it = flat.begin();;) {
                    it = std::search(it, flat.end(), searcher);
                    if (it == flat.end()) break;
                    ++n;
                    it += static_cast<std::ptrdiff_t>(c.needle.size());
                }
                return n;
            }, ref_found));
        }
        const double speed = ref / ours;
        std::printf("find %-15s ours %7.3f ms (%zu found) | Horspool over the flat text %7.3f ms (%zu found)\n", c.name,
                    ours, ours_found, ref, ref_found);
        char line[256];
        std::snprintf(line, sizeof line, "find %s over 10000x200: %.2fx the speed of Horspool on a flat string "
                      "(target >= 0.5x) %s", c.name, speed, speed >= 0.5 && ours_found == ref_found ? "holds" : "MISSES");
        figures.emplace_back(line);
    }
    std::printf("\n");
    for (const std::string& f : figures) std::printf("%s\n", f.c_str());
    return 0;
}
