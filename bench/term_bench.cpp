// Throughput of our Screen against libvterm's own screen layer and xterm.js's
// headless terminal on the same bytes, the memory a full scrollback costs in
// ours and in xterm.js, and a flood of window titles. Every figure is
// measured in this run; the closing lines give each one with its target.
//
//   term_bench [--xterm-runner FILE --node-path DIR] [--work DIR] [--runs N] [CORPUS]
//
// The generated corpus is always measured: plain scrolling text,
// SGR-coloured text, wide and combining characters, cursor-addressed
// full-screen updates, and all four together ("mixed"). A CORPUS file, any
// bytes at all, is measured as well, for throughput and for memory.

#include <malloc.h>
#include <vterm.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "term/screen.hpp"

// ---- heap accounting ----------------------------------------------------
// Every allocation of the process passes through here on its way to glibc,
// so the bytes in use are known exactly at any moment, and so is their peak
// (a transient allocation inside one feed() call counts too, which sampling
// between calls would miss). glibc lets a program replace these.

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* __libc_memalign(std::size_t, std::size_t);
}

namespace heap {
std::atomic<long long> in_use{0};
std::atomic<long long> peak{0};

inline void* counted(void* p) {
    if (p) {
        const long long now = in_use.fetch_add(static_cast<long long>(malloc_usable_size(p))) +
                              static_cast<long long>(malloc_usable_size(p));
        long long seen = peak.load(std::memory_order_relaxed);
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
    }
    return p;
}
inline void uncount(void* p) {
    if (p) in_use.fetch_sub(static_cast<long long>(malloc_usable_size(p)));
}
// Starts a new peak from the bytes in use now; returns them.
inline long long reset_peak() {
    const long long now = in_use.load();
    peak.store(now);
    return now;
}
}  // namespace heap

extern "C" {
void* malloc(std::size_t n) { return heap::counted(__libc_malloc(n)); }
void* calloc(std::size_t n, std::size_t size) { return heap::counted(__libc_calloc(n, size)); }
void* realloc(void* p, std::size_t n) {
    heap::uncount(p);
    void* q = __libc_realloc(p, n);
    if (!q && n != 0 && p) heap::counted(p);  // failed: the old block stays
    return heap::counted(q);
}
void free(void* p) {
    heap::uncount(p);
    __libc_free(p);
}
void* memalign(std::size_t align, std::size_t n) { return heap::counted(__libc_memalign(align, n)); }
void* aligned_alloc(std::size_t align, std::size_t n) { return heap::counted(__libc_memalign(align, n)); }
int posix_memalign(void** out, std::size_t align, std::size_t n) {
    void* p = heap::counted(__libc_memalign(align, n));
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
void* valloc(std::size_t n) { return heap::counted(__libc_memalign(4096, n)); }
void* pvalloc(std::size_t n) { return heap::counted(__libc_memalign(4096, (n + 4095) & ~std::size_t{4095})); }
}

namespace {

constexpr int kRows = 40;
constexpr int kCols = 120;
constexpr std::size_t kChunk = 8192;

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


// Window titles: a flood of short ones (a prompt setting one per command,
// replayed in a burst), BEL- and ST-terminated alike, and one title with a
// megabyte of text that no window would ever show whole.
std::string title_flood(std::size_t bytes) {
    std::string s;
    for (int i = 0; s.size() < bytes; ++i)
        s += "\x1b]0;user@host: ~/src/project/build " + std::to_string(i) + (i % 2 ? "\x07" : "\x1b\\");
    return s;
}

std::string huge_title(std::size_t payload) {
    static const std::string unit = "a long window title with caf\xc3\xa9 and \xe6\x97\xa5\xe6\x9c\xac ";
    std::string s = "\x1b]0;";
    while (s.size() + unit.size() <= payload + 4) s += unit;
    return s + "\x07";
}

// ---- measurements -------------------------------------------------------

constexpr std::size_t kScrollback = 10000;
int g_runs = 3;

// Processor time, not wall time: the machine may be shared, and every
// figure here (xterm.js's too) counts the work done, not the waiting.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// One run to warm caches and the allocator, then the best of g_runs.
double best_seconds(const std::function<void()>& run) {
    run();
    double best = 1e30;
    for (int i = 0; i < g_runs; ++i) {
        const double t0 = cpu_seconds();
        run();
        best = std::min(best, cpu_seconds() - t0);
    }
    return best;
}

template <class F>
void in_chunks(std::string_view bytes, F&& f) {
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) f(bytes.substr(at, std::min(kChunk, bytes.size() - at)));
}

double ours_seconds(const std::string& bytes) {
    return best_seconds([&] {
        ovelin::Screen s(kRows, kCols, kScrollback);
        in_chunks(bytes, [&](std::string_view piece) { s.feed(piece); });
    });
}

// libvterm's screen layer keeping its scrolled-off lines the only way it
// offers: copied out cell by cell through its push callback into a ring.
struct VtermScrollback {
    std::vector<std::vector<VTermScreenCell>> lines = std::vector<std::vector<VTermScreenCell>>(kScrollback);
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
        in_chunks(bytes, [&](std::string_view piece) { vterm_input_write(vt, piece.data(), piece.size()); });
        vterm_free(vt);
    });
}

// libvterm's state layer with callbacks that do nothing: what a grid built
// on that layer cannot go below.
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
        in_chunks(bytes, [&](std::string_view piece) { vterm_input_write(vt, piece.data(), piece.size()); });
        vterm_free(vt);
    });
}

std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct Node {
    std::string runner, node_path, work;
    bool available() const { return !runner.empty(); }

    // The numbers of the runner's "result" line, or nothing (then `error`
    // says why) when it failed.
    std::optional<std::vector<double>> run(const std::string& mode, const std::string& file, std::string& error) const {
        const std::string errors = work + "/xterm-stderr.txt";
        const std::string cmd = "NODE_PATH=" + shell_quote(node_path) + " node " +
                                (mode == "memory" ? "--expose-gc " : "") + shell_quote(runner) + " " + mode + " " +
                                shell_quote(file) + " 2>" + shell_quote(errors);
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) {
            error = "could not start node";
            return std::nullopt;
        }
        std::optional<std::vector<double>> result;
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) {
            std::istringstream line(buf);
            std::string word;
            if (!(line >> word) || word != "result") continue;
            std::vector<double> values;
            for (double v; line >> v;) values.push_back(v);
            result = values;
        }
        const int status = pclose(p);
        if (!result) {
            std::ifstream in(errors);
            std::string first;
            std::getline(in, first);
            error = first.empty() ? "node exited with status " + std::to_string(status) : first;
        }
        return result;
    }
};

double mib(double bytes) { return bytes / (1024.0 * 1024.0); }

std::string fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

// The closing lines: every figure with its target, or why there is none.
std::vector<std::string> g_figures;

void figure(const std::string& name, const std::string& value, const std::string& target, bool holds) {
    g_figures.push_back(name + ": " + value + " (target " + target + ") " + (holds ? "holds" : "MISSES"));
}
void no_figure(const std::string& name, const std::string& why) { g_figures.push_back(name + ": no figure (" + why + ")"); }

// ---- throughput ---------------------------------------------------------

struct Part {
    std::string name;
    std::string bytes;
    std::string file;  // where xterm.js reads the same bytes from
    double target = 1.5;  // ours / xterm.js
};

double throughput(const Part& p, const Node& node) {
    const double size = static_cast<double>(p.bytes.size());
    const double ours = size / ours_seconds(p.bytes);
    const double vt = size / libvterm_seconds(p.bytes);
    const double floor = size / state_only_seconds(p.bytes);
    std::printf("throughput %-6s %5.1f MiB: ours %6.1f MiB/s | libvterm screen %6.1f MiB/s (ours/libvterm %.2f)"
                " | libvterm state alone %6.1f MiB/s (ours/state %.2f)",
                p.name.c_str(), mib(size), mib(ours), mib(vt), ours / vt, mib(floor), ours / floor);
    const std::string name = "throughput " + p.name;
    const std::string target = ">= " + fmt("%g", p.target) + "x";
    if (!node.available()) {
        no_figure(name, "xterm.js not available; ours " + fmt("%.1f", mib(ours)) + " MiB/s");
    } else {
        std::string error;
        const auto r = node.run("throughput", p.file, error);
        if (r && r->size() == 2 && (*r)[1] > 0 && (*r)[0] == size) {
            const double xt = (*r)[0] / (*r)[1];
            std::printf(" | xterm.js headless %6.1f MiB/s (ours/xterm.js %.2f)", mib(xt), ours / xt);
            figure(name, fmt("%.2fx", ours / xt) + " xterm.js (ours " + fmt("%.1f", mib(ours)) + " MiB/s, xterm.js " +
                             fmt("%.1f", mib(xt)) + " MiB/s)",
                   target, ours / xt >= p.target);
        } else {
            if (r && r->size() == 2 && (*r)[0] != size) error = "it read " + fmt("%.0f", (*r)[0]) + " bytes, not all";
            std::printf(" | xterm.js failed: %s", error.c_str());
            no_figure(name, "xterm.js failed: " + error);
        }
    }
    std::printf("\n");
    std::fflush(stdout);
    return ours;
}

// ---- memory -------------------------------------------------------------

std::string write_file(const std::string& dir, const std::string& name, const std::string& bytes) {
    const std::string file = dir + "/corpus-" + name + ".bin";
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}


std::size_t characters(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

struct Fill {
    double bytes = 0;  // heap the whole screen holds
    double lines = 0;  // scrollback lines it holds
    double chars = 0;  // characters in them
    double fed = 0;    // corpus bytes it took
};

// The corpus, repeated as often as needed, until the scrollback holds its
// full 10,000 lines: stop at the first chunk that fills it; give up after
// a budget of bytes, or after a whole pass that added no line (the corpus
// makes no scrollback, or clears it as fast as it fills it). xterm_runner.js
// applies the same rule to xterm.js.
Fill ours_fill(const std::string& corpus) {
    Fill f;
    const std::size_t budget = std::max<std::size_t>(64u << 20, 4 * corpus.size());
    std::size_t fed = 0;
    const long long before = heap::in_use.load();
    ovelin::Screen s(kRows, kCols, kScrollback);
    while (!corpus.empty() && s.scrollback_size() < kScrollback && fed < budget) {
        const std::size_t pass_start = s.scrollback_size();
        bool grew = false;
        for (std::size_t at = 0; at < corpus.size() && s.scrollback_size() < kScrollback; at += kChunk) {
            const std::size_t n = std::min(kChunk, corpus.size() - at);
            s.feed(std::string_view(corpus).substr(at, n));
            fed += n;
            grew = grew || s.scrollback_size() > pass_start;
        }
        if (!grew) break;
    }
    f.bytes = static_cast<double>(heap::in_use.load() - before);
    f.lines = static_cast<double>(s.scrollback_size());
    f.fed = static_cast<double>(fed);
    for (std::size_t i = 0; i < s.scrollback_size(); ++i) f.chars += static_cast<double>(characters(s.scrollback_line(i)));
    return f;
}

// A corpus that resets the terminal (ESC c) or erases its saved lines
// (CSI 3 J, CSI ? 3 J) as it goes would never let xterm.js's scrollback
// fill, while ours keeps its lines through both: random bytes hold one every
// 64 KiB or so. xterm.js drops malformed UTF-8 without a trace and runs C0
// controls inside a sequence, so ESC, a stray 0xa9, then c resets it too.
// For the memory figure every such sequence becomes text (its ESC, or the
// 8-bit CSI's two UTF-8 bytes, turn to blanks) in the bytes both terminals
// get; catching a few harmless ones too costs neither side anything.
// Returns how many were changed.
std::size_t disarm_scrollback_clears(std::string& b) {
    // Bytes that leave a sequence going: non-ASCII, and C0 controls other
    // than ESC, CAN and SUB.
    const auto passes = [](unsigned char c) { return c >= 0x80 || (c < 0x20 && c != 0x1b && c != 0x18 && c != 0x1a); };
    std::size_t changed = 0;
    for (std::size_t i = 0; i + 1 < b.size(); ++i) {
        std::size_t introducer = 0;  // 1 for ESC, 2 for the UTF-8 of U+009B
        std::size_t j = i + 1;
        if (b[i] == '\x1b') {
            while (j < b.size() && passes(static_cast<unsigned char>(b[j]))) ++j;
            if (j >= b.size()) break;
            if (b[j] == 'c') {
                b[i] = ' ';
                ++changed;
                continue;
            }
            if (b[j] != '[') continue;
            introducer = 1;
            ++j;
        } else if (b[i] == '\xc2' && b[i + 1] == '\x9b') {
            introducer = 2;
            ++j;
        } else {
            continue;
        }
        std::string first;  // the first parameter's digits
        bool in_first = true;
        for (; j < b.size(); ++j) {
            const auto c = static_cast<unsigned char>(b[j]);
            if (c >= '0' && c <= '9') {
                if (in_first) first += static_cast<char>(c);
            } else if (c == ';' || c == ':') {
                in_first = false;
            } else if (!(c >= 0x20 && c <= 0x3f) && !passes(c)) {
                break;
            }
        }
        const std::size_t digits = first.find_first_not_of('0');
        if (j < b.size() && b[j] == 'J' && digits != std::string::npos && first.substr(digits) == "3") {
            for (std::size_t k = i; k < i + introducer; ++k) b[k] = ' ';
            ++changed;
        }
    }
    return changed;
}

void memory(const std::string& label, std::string corpus, std::string file, const Node& node) {
    if (const std::size_t changed = disarm_scrollback_clears(corpus)) {
        std::printf("memory     %-9s %zu resets and scrollback erases turned to text so that the scrollback can"
                    " fill\n",
                    label.c_str(), changed);
        file = write_file(node.work, "memory-" + label, corpus);
    }
    const Fill ours = ours_fill(corpus);
    const std::string name = "memory " + label;
    std::printf("memory     %-9s ours: %5.0f scrollback lines (%.0f characters a line) after %.2f MiB of it: %.2f MiB"
                " for the whole screen",
                label.c_str(), ours.lines, ours.lines > 0 ? ours.chars / ours.lines : 0.0, mib(ours.fed),
                mib(ours.bytes));
    std::optional<Fill> xt;
    std::string error = "xterm.js not available";
    if (node.available()) {
        // A heap that shrank (the collector freed more than the terminal
        // took) is no figure, unless there is nothing to compare anyway.
        if (const auto r = node.run("memory", file, error); r && r->size() == 4 && ((*r)[0] > 0 || (*r)[1] == 0)) {
            xt = Fill{(*r)[0], (*r)[1], (*r)[2], (*r)[3]};
            std::printf(" | xterm.js: %5.0f lines (%.0f characters a line) after %.2f MiB: %.2f MiB", xt->lines,
                        xt->lines > 0 ? xt->chars / xt->lines : 0.0, mib(xt->fed), mib(xt->bytes));
        } else {
            if (r) error = "xterm.js reported less heap in use than before it started";
            std::printf(" | xterm.js failed: %s", error.c_str());
        }
    }
    std::printf("\n");
    std::fflush(stdout);

    const double full = static_cast<double>(kScrollback);
    if (ours.lines == 0 && (!xt || xt->lines == 0)) {
        no_figure(name, "the corpus makes no scrollback: not one line left the top of the screen in " +
                            fmt("%.1f", mib(ours.fed)) + " MiB");
    } else if (!xt) {
        no_figure(name, error + "; ours " + fmt("%.2f", mib(ours.bytes)) + " MiB for " + fmt("%.0f", ours.lines) +
                            " lines");
    } else if (ours.lines < full || xt->lines < full) {
        // Not the same amount of text held: no ratio would be fair.
        no_figure(name, "the corpus does not fill the scrollback (ours holds " + fmt("%.0f", ours.lines) +
                            " lines, xterm.js " + fmt("%.0f", xt->lines) + " of " + fmt("%.0f", full) +
                            "; it clears the scrollback as it goes, e.g. with ESC c or CSI 3 J)");
    } else {
        const double ratio = ours.bytes / xt->bytes;
        figure(name,
               fmt("%.3fx", ratio) + " xterm.js (ours " + fmt("%.2f", mib(ours.bytes)) + " MiB, xterm.js " +
                   fmt("%.2f", mib(xt->bytes)) + " MiB, " + fmt("%.0f", full) + " lines x " + std::to_string(kCols) +
                   " cols, " + fmt("%.0f", ours.chars / ours.lines) + " characters a line)",
               "<= 0.2x", ratio <= 0.2);
    }
}

// ---- titles -------------------------------------------------------------

// Speed against the engine's own on the mixed corpus, and the peak heap
// beyond the screen while the titles go through.
void titles(const std::string& label, const std::string& bytes, double mixed) {
    const double size = static_cast<double>(bytes.size());
    const double speed = size / ours_seconds(bytes);
    long long peak = 0;
    std::string shown;
    {
        ovelin::Screen s(kRows, kCols, kScrollback);
        const long long base = heap::reset_peak();
        in_chunks(bytes, [&](std::string_view piece) { s.feed(piece); });
        peak = heap::peak.load() - base;
        shown = s.title();
    }
    std::printf("titles     %-22s %5.1f MiB: ours %6.1f MiB/s (mixed %6.1f MiB/s), heap peak +%.1f KiB, the title"
                " kept is %zu bytes\n",
                label.c_str(), mib(size), mib(speed), mib(mixed), static_cast<double>(peak) / 1024.0, shown.size());
    std::fflush(stdout);
    const std::string name = "title flood " + label;
    figure(name + " speed", fmt("%.2fx", speed / mixed) + " the mixed corpus (" + fmt("%.1f", mib(speed)) + " MiB/s)",
           ">= 0.5x", speed / mixed >= 0.5);
    figure(name + " heap", "peak +" + fmt("%.1f", static_cast<double>(peak) / 1024.0) + " KiB beyond the screen",
           "< 1024 KiB", peak < (1 << 20));
}

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
        else if (a == "--runs" && i + 1 < argc) g_runs = std::max(1, std::atoi(argv[++i]));
        else corpus_file = a;
    }

    std::optional<Part> corpus;
    if (!corpus_file.empty()) {
        std::ifstream in(corpus_file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "term_bench: cannot read %s\n", corpus_file.c_str());
            return 1;
        }
        std::stringstream ss;
        ss << in.rdbuf();
        corpus = Part{"corpus", ss.str(), corpus_file, 1.5};
    }

    const std::size_t each = 4u << 20;
    std::vector<Part> parts = {{"plain", plain_text(each), {}, 1.5},
                               {"sgr", sgr_text(each), {}, 1.5},
                               {"wide", wide_text(each), {}, 1.5},
                               {"cursor", cursor_updates(each), {}, 1.5}};
    std::string mixed;
    for (const auto& p : parts) mixed += p.bytes;
    parts.push_back({"mixed", mixed, {}, 2.0});
    for (auto& p : parts) p.file = write_file(node.work, p.name, p.bytes);

    std::printf("term_bench: %dx%d screen, %zu-byte chunks, processor time, best of %d runs after a warm-up%s\n", kCols,
                kRows, kChunk, g_runs, node.available() ? "" : " (xterm.js not available: its figures are skipped)");
    double mixed_speed = 0;
    for (const auto& p : parts) {
        const double ours = throughput(p, node);
        if (p.name == "mixed") mixed_speed = ours;
    }
    if (corpus) {
        if (corpus->bytes.empty()) no_figure("throughput corpus", "the corpus file is empty");
        else throughput(*corpus, node);
    }

    const std::string fill = scrollback_fill();
    memory("generated", fill, write_file(node.work, "memory", fill), node);
    if (corpus) memory("corpus", corpus->bytes, corpus->file, node);

    titles("10 MB of short titles", title_flood(10u << 20), mixed_speed);
    titles("one 1 MB title", huge_title(1u << 20), mixed_speed);

    for (const auto& p : parts) std::remove(p.file.c_str());
    for (const char* f : {"memory", "memory-generated", "memory-corpus"})
        std::remove((node.work + "/corpus-" + f + ".bin").c_str());

    std::printf("\n");
    for (const auto& line : g_figures) std::printf("%s\n", line.c_str());
    return 0;
}
