// End to end on a POSIX pseudo terminal: `cat` of a corpus through a
// PtySession (reader thread, screen model, one pending notice per session,
// a UI thread taking the notices) until its exit notification, against a
// plain read loop on a pseudo terminal running the same `cat`, in the same
// run. To show where the session's time goes apart from the parse, two
// loops shaped like the reader but without a screen, and the parse alone
// on the very bytes and read sizes the terminal delivered.
//
//   pty_bench [--rounds N] [CORPUS]   (a 16 MB mixed corpus is always measured)

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/notice_gate.hpp"
#include "pty/pty_session.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::string generated_corpus(std::size_t bytes) {
    std::mt19937 rng(3);
    static const char* words[] = {"build", "passed", "error:", "warning", "src/main.cpp", "0x7f3a", "done.",
                                  "\xe6\x97\xa5\xe6\x9c\xac", "e\xcc\x81", "--verbose"};
    std::string s;
    while (s.size() < bytes) {
        const int kind = static_cast<int>(rng() % 4);
        if (kind == 1) s += "\x1b[3" + std::to_string(rng() % 8) + "m";
        if (kind == 2) s += "\x1b[38;2;" + std::to_string(rng() % 256) + ";20;200m";
        for (int w = 0; w < 12; ++w) {
            s += words[rng() % 10];
            s += ' ';
        }
        s += "\x1b[0m\n";
    }
    return s;
}

// The main window's side of a session as the app has it: a notice is
// posted only when none is pending; the UI thread clears the mark, then
// looks at the screen under its lock.
class UiSink : public ovelin::SessionSink {
public:
    void output(std::uint64_t id) override {
        ++reads;
        if (!gate.raise(id)) return;
        {
            std::lock_guard lock(m);
            notices.push_back(id);
        }
        cv.notify_one();
    }
    void exited(std::uint64_t, ovelin::ExitStatus) override {
        {
            std::lock_guard lock(m);
            done = true;
        }
        cv.notify_all();
    }
    // The UI thread: takes notices until the exit notification.
    void run(const std::shared_ptr<ovelin::LockedScreen>& screen) {
        std::unique_lock lock(m);
        for (;;) {
            cv.wait(lock, [&] { return done || !notices.empty(); });
            if (notices.empty()) return;
            const std::uint64_t id = notices.front();
            notices.pop_front();
            lock.unlock();
            gate.clear(id);
            {
                std::lock_guard screen_lock(screen->mutex);
                cursor = screen->screen.cursor().row;
            }
            ++handled;
            lock.lock();
        }
    }
    std::size_t reads = 0, handled = 0;
    int cursor = 0;

private:
    ovelin::NoticeGate gate;
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::uint64_t> notices;
    bool done = false;
};

struct Run {
    double seconds = 0;
    std::size_t bytes = 0, reads = 0, notices = 0;
    double cpu = 0;       // this process's processor time (all its threads)
    long waits = 0;       // this process's voluntary context switches: a thread went to sleep
    long preempted = 0;   // and involuntary ones
    std::size_t polls = 0;  // by the loops here; the session's reader is not seen
};

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

rusage usage() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u;
}

// Starts counting a run; `finish` fills in what it cost.
struct Meter {
    Clock::time_point t0 = Clock::now();
    double cpu0 = cpu_seconds();
    rusage u0 = usage();
    void finish(Run& r) const {
        r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        r.cpu = cpu_seconds() - cpu0;
        const rusage u = usage();
        r.waits = u.ru_nvcsw - u0.ru_nvcsw;
        r.preempted = u.ru_nivcsw - u0.ru_nivcsw;
    }
};

// A word for the session's command line, whatever the file is called.
std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Run session_run(const std::string& file) {
    auto sink = std::make_shared<UiSink>();
    const Meter meter;
    auto s = ovelin::PtySession::spawn(sink, {1, "cat " + quoted(file), std::nullopt, 40, 120, {}});
    if (!s) {
        std::fprintf(stderr, "spawn failed: %s\n", s.error().message().c_str());
        std::exit(1);
    }
    sink->run((*s)->screen());
    Run r;
    meter.finish(r);
    r.reads = sink->reads;
    r.notices = sink->handled;
    return r;
}

// How a loop reads the terminal.
enum class Shape {
    Plain,         // blocking read after read, nothing else
    PollEachRead,  // poll the terminal and a wake-up socket, then read; lock; notice (the reader until now)
    ReadThenPoll,  // the same, polling only when a read finds nothing (the reader now)
    ReadParse,     // blocking read after read, each fed to a screen: nothing but the reads and the parse
};

// `cat FILE` on a fresh pseudo terminal read to its end in the given shape.
// `capture`, when given, receives every read's bytes.
Run loop_run(const std::string& file, Shape shape, std::vector<std::string>* capture = nullptr) {
    ovelin::Screen screen(40, 120, ovelin::SCROLLBACK_LINES);
    winsize ws{};
    ws.ws_row = 40;
    ws.ws_col = 120;
    int wake[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wake) != 0) std::exit(1);
    const Meter meter;
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
    if (pid == 0) {
        ::execlp("cat", "cat", file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const bool shaped = shape == Shape::PollEachRead || shape == Shape::ReadThenPoll;
    if (shaped) ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    std::mutex lock;
    ovelin::NoticeGate gate;
    char buf[ovelin::READ_BUFFER_SIZE];
    Run r;
    bool must_poll = shape == Shape::PollEachRead;
    for (;;) {
        if (must_poll) {
            pollfd fds[2] = {{master, POLLIN, 0}, {wake[0], POLLIN, 0}};
            ++r.polls;
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        }
        ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0) {
            r.bytes += static_cast<std::size_t>(n);
            ++r.reads;
            if (capture) capture->emplace_back(buf, static_cast<std::size_t>(n));
            if (shape == Shape::ReadParse) screen.feed({buf, static_cast<std::size_t>(n)});
            if (shaped) {
                { std::lock_guard g(lock); }
                if (gate.raise(1)) gate.clear(1);
            }
            must_poll = shape == Shape::PollEachRead;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            must_poll = true;
            continue;
        }
        break;
    }
    int status;
    ::waitpid(pid, &status, 0);
    meter.finish(r);
    ::close(master);
    ::close(wake[0]);
    ::close(wake[1]);
    return r;
}

// Processor time to feed the reads, as they came, into a session's screen.
double parse_seconds(const std::vector<std::string>& reads) {
    double best = 1e30;
    for (int i = 0; i < 4; ++i) {  // the first warms up
        ovelin::Screen screen(40, 120, ovelin::SCROLLBACK_LINES);
        const double t0 = cpu_seconds();
        for (const auto& r : reads) screen.feed(r);
        if (i > 0) best = std::min(best, cpu_seconds() - t0);
    }
    return best;
}

Run best(Run a, const Run& b) { return b.seconds < a.seconds ? b : a; }

void measure(const std::string& label, const std::string& file, int rounds) {
    std::vector<std::string> reads;
    loop_run(file, Shape::Plain, &reads);  // warms the page cache; gives the bytes the terminal delivers
    session_run(file);
    Run plain{1e30}, poll_each{1e30}, read_first{1e30}, in_line{1e30}, session{1e30};
    for (int round = 0; round < rounds; ++round) {
        plain = best(plain, loop_run(file, Shape::Plain));
        poll_each = best(poll_each, loop_run(file, Shape::PollEachRead));
        read_first = best(read_first, loop_run(file, Shape::ReadThenPoll));
        in_line = best(in_line, loop_run(file, Shape::ReadParse));
        session = best(session, session_run(file));
    }
    const double parse = parse_seconds(reads);
    const double mb = static_cast<double>(plain.bytes) / (1 << 20);
    const auto line = [&](const char* what, const Run& r) {
        const std::string polls = &r == &session ? "-" : std::to_string(r.polls);
        std::printf("pty %-6s %-50s %6.1f MB/s %5.3f s (processor %5.3f s) %5zu reads of %4.0f bytes, %5s polls,"
                    " %5ld waits, %4ld preempted  %.2fx plain\n",
                    label.c_str(), what, mb / r.seconds, r.seconds, r.cpu, r.reads,
                    r.reads ? static_cast<double>(plain.bytes) / static_cast<double>(r.reads) : 0.0, polls.c_str(),
                    r.waits, r.preempted, plain.seconds / r.seconds);
    };
    std::printf("pty %-7s %.1f MB through the terminal, wall time, best of %d rounds after a warm-up\n", label.c_str(), mb,
                rounds);
    line("plain read loop", plain);
    line("no screen: poll, read, lock, notice (old reader)", poll_each);
    line("no screen: read, poll if none, lock, notice (now)", read_first);
    line("read, parse in line, nothing else", in_line);
    line("session (reader, screen, notices, UI thread)", session);
    std::printf("pty %-6s %-50s %6.1f MB/s %5.3f s processor time in %zu feeds\n", label.c_str(),
                "parse alone (the same reads into a screen)", mb / parse, parse, reads.size());
    std::printf("pty %-6s session: %zu notices handled for %zu reads\n", label.c_str(), session.notices, session.reads);
    // The reader has to do the parse and its own reads on one core: however
    // well that overlaps with `cat` and the terminal, the session cannot end
    // before that processor time has passed.
    const double bound = plain.seconds / (parse + read_first.cpu);
    const double ratio = plain.seconds / session.seconds;
    std::printf("pipeline %s: %.2fx the plain pty read loop (session %.1f MB/s, plain %.1f MB/s; the reader's parse and"
                " reads alone, %.3f s of processor time, bound it at %.2fx) (target >= 0.8x) %s\n",
                label.c_str(), ratio, mb / session.seconds, mb / plain.seconds, parse + read_first.cpu, bound,
                ratio >= 0.8 ? "holds" : "MISSES");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string corpus;
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else corpus = a;
    }
    const std::string generated = "/tmp/ovelin-pty-bench-corpus.txt";
    std::ofstream(generated, std::ios::binary) << generated_corpus(16u << 20);
    measure("mixed", generated, rounds);
    std::remove(generated.c_str());
    if (!corpus.empty()) {
        if (!std::ifstream(corpus)) {
            std::fprintf(stderr, "pty_bench: cannot read %s\n", corpus.c_str());
            return 1;
        }
        measure("corpus", corpus, rounds);
    }
    return 0;
}
