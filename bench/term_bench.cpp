// Throughput of our Screen against libvterm's own screen layer and xterm.js's
// headless terminal on the same bytes, and the memory a full scrollback
// costs in ours and in xterm.js. Every figure is measured in this run.
//
//   term_bench [--xterm-runner FILE --node-path DIR] [--work DIR] [CORPUS]
//
// Without CORPUS a corpus is generated: plain scrolling text, SGR-coloured
// text, wide and combining characters, cursor-addressed full-screen updates,
// and all four together ("mixed").

#include <malloc.h>
#include <vterm.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "term/screen.hpp"

namespace {

constexpr int kRows = 40;
constexpr int kCols = 120;
constexpr std::size_t kChunk = 8192;

struct Part {
    std::string name;
    std::string bytes;
};

// ---- corpus -------------------------------------------------------------

std::string words_line(std::mt19937& rng, int max_width) {
    static const char* words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "terminal",
                                  "session", "output", "build", "passed", "error:", "warning", "./src/main.cpp",
                                  "12345", "0x7f3a", "--verbose", "done."};
    std::string line;
    const int width = std::uniform_int_distribution<int>(0, max_width)(rng);
    while (static_cast<int>(line.size()) < width) {
        if (!line.empty()) line += ' ';
        line += words[std::uniform_int_distribution<int>(0, 19)(rng)];
    }
    if (static_cast<int>(line.size()) > max_width) line.resize(static_cast<std::size_t>(max_width));
    return line;
}

std::string plain_text(std::size_t bytes) {
    std::mt19937 rng(1);
    std::string s;
    while (s.size() < bytes) s += words_line(rng, kCols) + "\r\n";
    return s;
}

std::string sgr_text(std::size_t bytes) {
    std::mt19937 rng(2);
    std::string s;
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    while (s.size() < bytes) {
        std::string line;
        int width = 0;
        const int target = pick(20, kCols);
        while (width < target) {
            switch (pick(0, 4)) {
                case 0: line += "\x1b[" + std::to_string(pick(30, 37)) + "m"; break;
                case 1: line += "\x1b[1;" + std::to_string(pick(90, 97)) + "m"; break;
                case 2: line += "\x1b[38;5;" + std::to_string(pick(16, 255)) + "m"; break;
                case 3:
                    line += "\x1b[38;2;" + std::to_string(pick(0, 255)) + ";" + std::to_string(pick(0, 255)) + ";" +
                            std::to_string(pick(0, 255)) + "m";
                    break;
                default: line += "\x1b[0m"; break;
            }
            const std::string w = words_line(rng, std::min(12, target - width));
            line += w + " ";
            width += static_cast<int>(w.size()) + 1;
        }
        s += line + "\x1b[0m\r\n";
    }
    return s;
}

std::string wide_text(std::size_t bytes) {
    std::mt19937 rng(3);
    static const char* pieces[] = {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", "\xe4\xb8\xad\xe6\x96\x87",
                                   "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4", "\xf0\x9f\x98\x80", "\xf0\x9f\x91\x8d",
                                   "e\xcc\x81", "a\xcc\x88", "n\xcc\x83o", "caf\xc3\xa9", " ", "ok "};
    std::string s;
    while (s.size() < bytes) {
        int width = 0;
        const int target = std::uniform_int_distribution<int>(10, kCols - 2)(rng);
        while (width < target) {
            s += pieces[std::uniform_int_distribution<int>(0, 10)(rng)];
            width += 3;
        }
        s += "\r\n";
    }
    return s;
}

std::string cursor_updates(std::size_t bytes) {
    // A full-screen program redrawing: every row addressed and rewritten in
    // colour, a status line, scroll region updates.
    std::mt19937 rng(4);
    std::string s = "\x1b[?1049h\x1b[H\x1b[2J";
    int frame = 0;
    while (s.size() < bytes) {
        for (int r = 1; r <= kRows; ++r) {
            s += "\x1b[" + std::to_string(r) + ";1H\x1b[3" + std::to_string((r + frame) % 8) + "m";
            s += words_line(rng, kCols - 1);
            s += "\x1b[K";
        }
        s += "\x1b[" + std::to_string(kRows) + ";1H\x1b[7m frame " + std::to_string(frame) + " \x1b[0m";
        s += "\x1b[2;" + std::to_string(kRows - 1) + "r\x1b[2;1H\x1b[3L\x1b[" + std::to_string(kRows - 1) +
             ";1H\x1b[2M\x1b[r";
        ++frame;
    }
    return s + "\x1b[?1049l";
}

std::string scrollback_fill() {
    // 10,000 lines for the scrollback plus a screenful, each 120 columns,
    // every fifth line with colours.
    std::mt19937 rng(5);
    std::string s;
    for (int i = 0; i < 10000 + kRows; ++i) {
        std::string line = words_line(rng, kCols);
        while (static_cast<int>(line.size()) < kCols) line += " " + words_line(rng, kCols - static_cast<int>(line.size()) - 1);
        line.resize(kCols);
        if (i % 5 == 0) line = "\x1b[32m" + line.substr(0, 60) + "\x1b[1;31m" + line.substr(60) + "\x1b[0m";
        s += line + "\r\n";
    }
    return s;
}

// ---- measurements -------------------------------------------------------

// Processor time, not wall time: the machine may be shared, and every
// figure here (xterm.js's too) counts the work done, not the waiting.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double best_seconds(const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const double t0 = cpu_seconds();
        run();
        best = std::min(best, cpu_seconds() - t0);
    }
    return best;
}

double ours_seconds(const std::string& bytes) {
    return best_seconds([&] {
        ovelin::Screen s(kRows, kCols, 10000);
        for (std::size_t at = 0; at < bytes.size(); at += kChunk)
            s.feed(std::string_view(bytes).substr(at, std::min(kChunk, bytes.size() - at)));
    });
}

// libvterm's screen layer keeping its scrolled-off lines the only way it
// offers: copied out cell by cell through its push callback into a ring.
struct VtermScrollback {
    std::vector<std::vector<VTermScreenCell>> lines = std::vector<std::vector<VTermScreenCell>>(10000);
    std::size_t next = 0;
    static int push(int cols, const VTermScreenCell* cells, void* user) {
        auto& self = *static_cast<VtermScrollback*>(user);
        self.lines[self.next].assign(cells, cells + cols);
        self.next = (self.next + 1) % self.lines.size();
        return 1;
    }
};

double libvterm_seconds(const std::string& bytes) {
    static const VTermScreenCallbacks callbacks = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                   &VtermScrollback::push, nullptr};
    return best_seconds([&] {
        VtermScrollback sb;
        VTerm* vt = vterm_new(kRows, kCols);
        vterm_set_utf8(vt, 1);
        VTermScreen* screen = vterm_obtain_screen(vt);
        vterm_screen_enable_altscreen(screen, 1);
        vterm_screen_set_callbacks(screen, &callbacks, &sb);
        vterm_screen_reset(screen, 1);
        for (std::size_t at = 0; at < bytes.size(); at += kChunk)
            vterm_input_write(vt, bytes.data() + at, std::min(kChunk, bytes.size() - at));
        vterm_free(vt);
    });
}

// libvterm's state layer with callbacks that do nothing: what any grid
// built on it, ours included, cannot go below.
double state_only_seconds(const std::string& bytes) {
    static const VTermStateCallbacks callbacks = {
        .putglyph = [](VTermGlyphInfo*, VTermPos, void*) { return 1; },
        .movecursor = [](VTermPos, VTermPos, int, void*) { return 1; },
        .scrollrect = [](VTermRect, int, int, void*) { return 1; },
        .moverect = nullptr,
        .erase = [](VTermRect, int, void*) { return 1; },
        .initpen = nullptr,
        .setpenattr = [](VTermAttr, VTermValue*, void*) { return 1; },
        .settermprop = [](VTermProp, VTermValue*, void*) { return 1; },
        .bell = nullptr,
        .resize = nullptr,
        .setlineinfo = nullptr,
    };
    return best_seconds([&] {
        VTerm* vt = vterm_new(kRows, kCols);
        vterm_set_utf8(vt, 1);
        VTermState* state = vterm_obtain_state(vt);
        vterm_state_set_callbacks(state, &callbacks, nullptr);
        vterm_state_reset(state, 1);
        for (std::size_t at = 0; at < bytes.size(); at += kChunk)
            vterm_input_write(vt, bytes.data() + at, std::min(kChunk, bytes.size() - at));
        vterm_free(vt);
    });
}

struct Node {
    std::string runner, node_path, work;
    bool available() const { return !runner.empty(); }

    // The runner's first output line, or empty on failure.
    std::string run(const std::string& mode, const std::string& bytes, const std::string& name) const {
        const std::string file = work + "/corpus-" + name + ".bin";
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const std::string cmd = "NODE_PATH='" + node_path + "' node " + (mode == "memory" ? "--expose-gc " : "") +
                                "'" + runner + "' " + mode + " '" + file + "'";
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return {};
        char buf[256] = {};
        const bool got = std::fgets(buf, sizeof buf, p) != nullptr;
        pclose(p);
        std::remove(file.c_str());
        return got ? std::string(buf) : std::string();
    }
};

std::size_t heap_in_use() {
    malloc_trim(0);
    return mallinfo2().uordblks;
}

double mb(double bytes) { return bytes / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
    Node node;
    node.work = ".";
    std::string corpus_file;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--xterm-runner" && i + 1 < argc) node.runner = argv[++i];
        else if (a == "--node-path" && i + 1 < argc) node.node_path = argv[++i];
        else if (a == "--work" && i + 1 < argc) node.work = argv[++i];
        else corpus_file = a;
    }

    std::vector<Part> parts;
    std::string memory_bytes;
    if (!corpus_file.empty()) {
        std::ifstream in(corpus_file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "term_bench: cannot read %s\n", corpus_file.c_str());
            return 1;
        }
        std::stringstream ss;
        ss << in.rdbuf();
        parts.push_back({"corpus", ss.str()});
        memory_bytes = parts.back().bytes;
    } else {
        const std::size_t each = 4u << 20;
        parts = {{"plain", plain_text(each)}, {"sgr", sgr_text(each)}, {"wide", wide_text(each)},
                 {"cursor", cursor_updates(each)}};
        std::string mixed;
        for (const auto& p : parts) mixed += p.bytes;
        parts.push_back({"mixed", mixed});
        memory_bytes = scrollback_fill();
    }

    std::printf("term_bench: %dx%d screen, %zu-byte chunks, processor time, best of 3 runs%s\n", kCols, kRows, kChunk,
                node.available() ? "" : " (xterm.js not available: its figures are skipped)");
    for (const auto& p : parts) {
        const double size = static_cast<double>(p.bytes.size());
        const double ours = size / ours_seconds(p.bytes);
        const double vt = size / libvterm_seconds(p.bytes);
        const double floor = size / state_only_seconds(p.bytes);
        std::printf("throughput %-6s %4.1f MiB: ours %6.1f MiB/s | libvterm screen %6.1f MiB/s (ours/libvterm %.2f)"
                    " | libvterm state alone %6.1f MiB/s (ours/state %.2f)",
                    p.name.c_str(), mb(size), mb(ours), mb(vt), ours / vt, mb(floor), ours / floor);
        if (node.available()) {
            double bytes = 0, seconds = 0;
            const std::string out = node.run("throughput", p.bytes, p.name);
            if (std::sscanf(out.c_str(), "%lf %lf", &bytes, &seconds) == 2 && seconds > 0) {
                const double xt = bytes / seconds;
                std::printf(" | xterm.js headless %6.1f MiB/s (ours/xterm.js %.2f)", mb(xt), ours / xt);
            } else {
                std::printf(" | xterm.js failed");
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }

    const std::size_t before = heap_in_use();
    std::size_t lines = 0, scrollback_only = 0, total = 0;
    {
        ovelin::Screen s(kRows, kCols, 10000);
        for (std::size_t at = 0; at < memory_bytes.size(); at += kChunk)
            s.feed(std::string_view(memory_bytes).substr(at, std::min(kChunk, memory_bytes.size() - at)));
        total = heap_in_use() - before;
        lines = s.scrollback_size();
        scrollback_only = s.scrollback_bytes();
    }
    std::printf("memory     scrollback %zu lines x %d cols: ours %.2f MiB (whole screen; the scrollback's lines %.2f MiB)",
                lines, kCols, mb(static_cast<double>(total)), mb(static_cast<double>(scrollback_only)));
    if (node.available()) {
        const std::string out = node.run("memory", memory_bytes, "memory");
        const double xt = std::atof(out.c_str());
        if (xt > 0) {
            std::printf(" | xterm.js headless %.2f MiB (ours/xterm.js %.3f)", mb(xt), static_cast<double>(total) / xt);
        } else {
            std::printf(" | xterm.js failed");
        }
    }
    std::printf("\n");
    return 0;
}
