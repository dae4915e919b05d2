// Real /bin/sh children on a POSIX pseudo terminal.

#include <dirent.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <random>

#include "pty/pty_session.hpp"
#include "support/session_sink.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;
using testing::QueueSink;
using testing::screen_text;

std::unique_ptr<PtySession> start(const std::shared_ptr<QueueSink>& sink, std::uint64_t id, std::string cmd,
                                  std::uint16_t rows = 24, std::uint16_t cols = 80) {
    auto s = PtySession::spawn(sink, {id, std::move(cmd), std::nullopt, rows, cols, {}});
    EXPECT_TRUE(s.has_value()) << (s ? "" : s.error().message());
    return s ? std::move(*s) : nullptr;
}

bool has_line(const std::string& text, const std::string& line) {
    std::size_t pos = 0;
    while ((pos = text.find(line, pos)) != std::string::npos) {
        bool starts = pos == 0 || text[pos - 1] == '\n';
        bool ends = pos + line.size() == text.size() || text[pos + line.size()] == '\n';
        if (starts && ends) return true;
        ++pos;
    }
    return false;
}

std::size_t open_fds() {
    std::size_t n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

std::string describe_fds() {
    std::string out;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (dirent* e = ::readdir(d)) {
            char target[256] = {};
            std::string link = std::string("/proc/self/fd/") + e->d_name;
            ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
            out += std::string(e->d_name) + " -> " + (n > 0 ? target : "?") + "\n";
        }
        ::closedir(d);
    }
    return out;
}

TEST(PosixPty, LargeOutputArrivesAsSeveralReadsEachNotified) {
    auto sink = std::make_shared<QueueSink>();
    auto s = start(sink, 1, "/bin/sh -c 'yes abcdefgh | head -n 6000; echo DONE'");
    ASSERT_TRUE(s);
    ASSERT_TRUE(sink->wait_exit(1));
    EXPECT_GE(sink->outputs(1), 54000u / READ_BUFFER_SIZE + 1);  // 6000 lines of 9 bytes
    auto events = sink->events();
    EXPECT_TRUE(events.back().exit);  // the exit notification comes last
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](auto& e) { return e.exit; }), 1);
    EXPECT_TRUE(has_line(screen_text(*s), "DONE")) << screen_text(*s);
}

TEST(PosixPty, SplitEscapeAndUtf8AreCompletedByTheNextRead) {
    auto sink = std::make_shared<QueueSink>();
    auto s = start(sink, 2,
                   "/bin/sh -c \"printf '\\033[3'; sleep 0.3; printf '1mRED\\303'; sleep 0.3; printf "
                   "'\\251\\033[0m!'; sleep 5\"");
    ASSERT_TRUE(s);
    ASSERT_TRUE(sink->wait([&] { return screen_text(*s).find("RED\xc3\xa9!") != std::string::npos; }))
        << screen_text(*s);
    EXPECT_GE(sink->outputs(2), 3u);
    std::lock_guard lock(s->screen()->mutex);
    const Screen& screen = s->screen()->screen;
    EXPECT_EQ(screen.cell(0, 0).text, "R");
    EXPECT_EQ(screen.cell(0, 0).fg, Color::indexed(1));
    EXPECT_EQ(screen.cell(0, 3).text, "\xc3\xa9");
    EXPECT_EQ(screen.cell(0, 3).fg, Color::indexed(1));
    EXPECT_EQ(screen.cell(0, 4).fg, Color{});
}

TEST(PosixPty, WrittenInputIsEchoedAndRun) {
    auto sink = std::make_shared<QueueSink>();
    auto s = start(sink, 3, "/bin/sh");
    ASSERT_TRUE(s);
    ASSERT_TRUE(sink->wait([&] { return !screen_text(*s).empty(); }));  // the prompt
    s->write("echo hel''lo\n");
    EXPECT_TRUE(sink->wait([&] { return has_line(screen_text(*s), "hello"); })) << screen_text(*s);
    s->write("exit\n");
    EXPECT_TRUE(sink->wait_exit(3));
}

TEST(PosixPty, ResizeIsSeenByTheChild) {
    auto sink = std::make_shared<QueueSink>();
    auto s = start(sink, 4, "/bin/sh", 24, 80);
    ASSERT_TRUE(s);
    s->resize(30, 100);
    EXPECT_EQ(s->rows(), 30);
    EXPECT_EQ(s->cols(), 100);
    {
        std::lock_guard lock(s->screen()->mutex);
        EXPECT_EQ(s->screen()->screen.rows(), 30);
        EXPECT_EQ(s->screen()->screen.cols(), 100);
    }
    ASSERT_TRUE(sink->wait([&] { return !screen_text(*s).empty(); }));
    s->write("stty size\n");
    EXPECT_TRUE(sink->wait([&] { return has_line(screen_text(*s), "30 100"); })) << screen_text(*s);
}

TEST(PosixPty, AWaitingSessionStartsLaterAtItsSizeWithWhatWasTypedMeanwhile) {
    auto sink = std::make_shared<QueueSink>();
    ASSERT_TRUE(sink->wait([] { return PtySession::live_threads() == 0; }));  // earlier tests' threads
    PtyOptions options{8, "/bin/sh", std::nullopt, 24, 80, {}};
    options.start_later = true;
    {
        auto dropped = PtySession::spawn(sink, options);  // never started: nothing ran
        ASSERT_TRUE(dropped.has_value());
        EXPECT_TRUE((*dropped)->waiting());
    }
    auto s = std::move(*PtySession::spawn(sink, options));
    s->write("stty size\n");
    s->resize(30, 100);
    EXPECT_EQ(PtySession::live_threads(), 0u);
    ASSERT_FALSE(s->start());
    EXPECT_FALSE(s->waiting());
    EXPECT_FALSE(s->start());  // once
    // Typed before the first prompt, the answer may follow one on its line.
    EXPECT_TRUE(sink->wait([&] { return screen_text(*s).find("30 100") != std::string::npos; })) << screen_text(*s);

    options.command_line = "/nonexistent/program";
    auto failing = std::move(*PtySession::spawn(sink, options));
    EXPECT_TRUE(failing->start());
    EXPECT_FALSE(failing->waiting()) << "tried once: it waits no more";
}

TEST(PosixPty, EndsWhenTheProgramEndsWithItsStatusEvenIfItsChildKeepsTheTerminal) {
    const struct {
        const char* command;
        std::uint32_t status;
    } cases[] = {
        {"/bin/sh -c 'exit 3'", 3},
        {"/bin/sh -c 'sleep 30 & exit 0'", 0},
        {"/bin/sh -c 'sleep 30 & exit 255'", 255},
        {"/bin/sh -c 'kill -KILL $$'", 128 + 9},  // a signal reads as shells report it
        {"/bin/true", 0},
    };
    for (const auto& c : cases) {
        auto sink = std::make_shared<QueueSink>();
        auto s = start(sink, 5, c.command);
        ASSERT_TRUE(s);
        ASSERT_TRUE(sink->wait_exit(5, 5s)) << c.command;
        EXPECT_EQ(sink->events().back().status, ExitStatus(c.status)) << c.command;
    }
}

TEST(PosixPty, CommandsThatCannotStartFailAndLeaveNothingOpen) {
    auto sink = std::make_shared<QueueSink>();
    ASSERT_TRUE(sink->wait([] { return PtySession::live_threads() == 0; }));  // earlier tests' threads
    const std::size_t fds = open_fds();
    const struct {
        const char* command;
        std::optional<std::string> cwd;
    } cases[] = {{"/nonexistent/program", std::nullopt}, {"", std::nullopt}, {"/bin/sh", "/nonexistent/dir"}};
    for (const auto& c : cases) {
        auto s = PtySession::spawn(sink, {6, c.command, c.cwd, 24, 80, {}});
        EXPECT_FALSE(s.has_value()) << c.command;
    }
    EXPECT_EQ(open_fds(), fds);
    EXPECT_TRUE(sink->events().empty());
}

TEST(PosixPty, WorkingDirectoryIsUsed) {
    auto sink = std::make_shared<QueueSink>();
    auto s = PtySession::spawn(sink, {7, "/bin/sh -c 'pwd; sleep 5'", std::string("/tmp"), 24, 80, {}});
    ASSERT_TRUE(s.has_value());
    EXPECT_TRUE(sink->wait([&] { return has_line(screen_text(**s), "/tmp"); })) << screen_text(**s);
}

// POSIX cksum: CRC-32 of the bytes followed by their length.
std::uint32_t cksum(const std::string& data) {
    std::uint32_t crc = 0;
    auto step = [&](std::uint8_t byte) {
        crc ^= std::uint32_t(byte) << 24;
        for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    };
    for (unsigned char c : data) step(c);
    for (std::size_t n = data.size(); n; n >>= 8) step(static_cast<std::uint8_t>(n));
    return ~crc;
}

TEST(PosixPty, BigWriteToABusyChildReturnsAtOnceAndArrivesWhole) {
    auto sink = std::make_shared<QueueSink>();
    constexpr std::size_t size = 3 * 1024 * 1024;
    auto s = start(sink, 8,
                   "/bin/sh -c 'stty raw -echo; echo READY; sleep 1; head -c " + std::to_string(size) +
                       " | cksum; sleep 30'");
    ASSERT_TRUE(s);
    ASSERT_TRUE(sink->wait([&] { return screen_text(*s).find("READY") != std::string::npos; }));
    std::mt19937 rng(7);
    std::string payload(size, '\0');
    for (char& c : payload) c = static_cast<char>(' ' + rng() % 95);
    // The child reads nothing for a second; the writes only queue.
    for (std::size_t i = 0; i < size; i += 4096) s->write(std::string_view(payload).substr(i, 4096));
    s->resize(20, 70);  // the owner keeps being answered
    EXPECT_EQ(s->rows(), 20);
    const std::string expected = std::to_string(cksum(payload)) + " " + std::to_string(size);
    EXPECT_TRUE(sink->wait([&] { return screen_text(*s).find(expected) != std::string::npos; }, 30s))
        << screen_text(*s) << "\nexpected " << expected;
}

TEST(PosixPty, DroppingABlockedWriterDoesNotHang) {
    auto sink = std::make_shared<QueueSink>();
    auto s = start(sink, 9, "/bin/sh -c 'stty raw -echo; echo READY; sleep 60'");
    ASSERT_TRUE(s);
    ASSERT_TRUE(sink->wait([&] { return screen_text(*s).find("READY") != std::string::npos; }));
    s->write(std::string(8 * 1024 * 1024, 'x'));
    s.reset();
    EXPECT_TRUE(sink->wait_exit(9));
    EXPECT_TRUE(sink->wait([] { return PtySession::live_threads() == 0; }));
}

TEST(PosixPty, SpawnAndDropCyclesLeakNothing) {
    auto sink = std::make_shared<QueueSink>();
    ASSERT_TRUE(sink->wait([] { return PtySession::live_threads() == 0; }));
    const std::size_t fds = open_fds();
    for (std::uint64_t i = 0; i < 500; ++i) {
        auto s = start(sink, 100 + i, i % 2 ? "/bin/sh -c 'sleep 10'" : "/bin/true");
        ASSERT_TRUE(s);
        if (i % 3 == 0) s->write("x\n");
    }
    EXPECT_TRUE(sink->wait([] { return PtySession::live_threads() == 0; }, 30s)) << PtySession::live_threads();
    EXPECT_EQ(open_fds(), fds) << describe_fds();
    for (std::uint64_t i = 0; i < 500; ++i) EXPECT_TRUE(sink->has_exited(100 + i)) << i;
}

}  // namespace
}  // namespace ovelin
