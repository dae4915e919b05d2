// End to end on a POSIX pseudo terminal: `cat` of a corpus through a
// PtySession (reader thread, screen model, notifications) until its exit
// notification, against a plain read loop on a pseudo terminal running the
// same `cat` in the same run.
//
//   pty_bench [CORPUS]   (without CORPUS a 16 MB mixed corpus is generated)

#include <errno.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <random>
#include <string>

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

class DoneSink : public ovelin::SessionSink {
public:
    void output(std::uint64_t) override { ++reads; }
    void exited(std::uint64_t, ovelin::ExitStatus) override {
        std::lock_guard lock(m);
        done = true;
        cv.notify_all();
    }
    void wait() {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return done; });
    }
    std::size_t reads = 0;

private:
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
};

double session_seconds(const std::string& file, std::size_t* reads) {
    auto sink = std::make_shared<DoneSink>();
    const auto t0 = Clock::now();
    auto s = ovelin::PtySession::spawn(sink, {1, "cat " + file, std::nullopt, 40, 120});
    if (!s) {
        std::fprintf(stderr, "spawn failed: %s\n", s.error().message().c_str());
        std::exit(1);
    }
    sink->wait();
    const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    *reads = sink->reads;
    return secs;
}

double plain_loop_seconds(const std::string& file, std::size_t* bytes) {
    winsize ws{};
    ws.ws_row = 40;
    ws.ws_col = 120;
    const auto t0 = Clock::now();
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
    if (pid == 0) {
        ::execlp("cat", "cat", file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    char buf[ovelin::READ_BUFFER_SIZE];
    *bytes = 0;
    for (;;) {
        ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0) {
            *bytes += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    int status;
    ::waitpid(pid, &status, 0);
    ::close(master);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string file;
    std::size_t size = 0;
    if (argc > 1) {
        file = argv[1];
        std::ifstream in(file, std::ios::binary | std::ios::ate);
        size = static_cast<std::size_t>(in.tellg());
    } else {
        file = "/tmp/ovelin-pty-bench-corpus.txt";
        std::string corpus = generated_corpus(16u << 20);
        std::ofstream(file, std::ios::binary) << corpus;
        size = corpus.size();
    }
    double best_session = 1e9, best_plain = 1e9;
    std::size_t reads = 0, plain_bytes = 0;
    for (int round = 0; round < 3; ++round) {
        best_session = std::min(best_session, session_seconds(file, &reads));
        best_plain = std::min(best_plain, plain_loop_seconds(file, &plain_bytes));
    }
    const double mb = static_cast<double>(size) / (1 << 20);
    std::printf("corpus: %.1f MB (%zu bytes through the terminal)\n", mb, plain_bytes);
    std::printf("pty session (reader, screen, notifications): %.1f MB/s, %zu reads\n", mb / best_session, reads);
    std::printf("plain pty read loop:                         %.1f MB/s\n", mb / best_plain);
    std::printf("session / plain loop: %.2fx (target at least 0.70x)\n", best_plain / best_session);
    return 0;
}
