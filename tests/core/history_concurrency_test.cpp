// Two real processes append to one history file at the same time. Each is
// this test program started again, running only the disabled child test.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "core/history.hpp"
#include "core/platform.hpp"
#include "support/env.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int LINES_PER_WRITER = 4000;
constexpr auto CHILD_TIMEOUT = 120s;

template <class Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// One started copy of this program; killed if it outlives the test.
class Child {
public:
#ifdef _WIN32
    static Child start(const std::vector<std::string>& args) {
        wchar_t exe[32768];
        DWORD n = ::GetModuleFileNameW(nullptr, exe, static_cast<DWORD>(std::size(exe)));
        std::wstring cmd = L"\"" + std::wstring(exe, n) + L"\"";
        for (const auto& a : args) cmd += L" " + fs::path(platform::utf8_path(a)).wstring();
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                   OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = nul;
        PROCESS_INFORMATION pi{};
        Child c;
        if (::CreateProcessW(exe, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            ::CloseHandle(pi.hThread);
            c.process_ = pi.hProcess;
        }
        if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
        return c;
    }
    bool started() const { return process_ != nullptr; }
    std::optional<int> wait(std::chrono::milliseconds timeout) {
        if (::WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        ::GetExitCodeProcess(process_, &code);
        return static_cast<int>(code);
    }
    Child() = default;
    Child(Child&& o) noexcept : process_(std::exchange(o.process_, nullptr)) {}
    ~Child() {
        if (!process_) return;
        if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_, 99);
        ::CloseHandle(process_);
    }

private:
    HANDLE process_ = nullptr;
#else
    static Child start(const std::vector<std::string>& args) {
        const std::string exe = fs::read_symlink("/proc/self/exe").string();
        std::vector<std::string> all{exe};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        Child c;
        if (::posix_spawn(&c.pid_, exe.c_str(), &actions, nullptr, argv.data(), environ) != 0) c.pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        return c;
    }
    bool started() const { return pid_ > 0; }
    std::optional<int> wait(std::chrono::milliseconds timeout) {
        int status = 0;
        if (!wait_until([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeout)) return std::nullopt;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    Child() = default;
    Child(Child&& o) noexcept : pid_(std::exchange(o.pid_, -1)) {}
    ~Child() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
#endif
};

// Run only as a child: waits for the go file, then appends its lines.
TEST(HistoryWriter, DISABLED_AppendLines) {
    const auto dir = platform::env_var("OVELIN_HISTORY_DIR");
    const auto tag = platform::env_var("OVELIN_HISTORY_TAG");
    ASSERT_TRUE(dir && tag);
    const fs::path config = platform::utf8_path(*dir);
    ASSERT_TRUE(wait_until([&] { return fs::exists(config / "go"); }, 60s));
    for (int i = 0; i < LINES_PER_WRITER; ++i)
        append_history(config, "s-shared", *tag + " line " + std::to_string(i) + " " + std::string(i % 97, 'x'));
}

TEST(HistoryConcurrency, TwoProcessesAppendWithoutTearingOrMerging) {
    testing::TempDir tmp;
    testing::ScopedEnv dir_var("OVELIN_HISTORY_DIR", platform::path_utf8(tmp.path()));
    const std::vector<std::string> args{"--gtest_filter=HistoryWriter.DISABLED_AppendLines",
                                        "--gtest_also_run_disabled_tests"};
    std::vector<Child> children;
    for (const char* tag : {"A", "B"}) {
        testing::ScopedEnv tag_var("OVELIN_HISTORY_TAG", std::string(tag));
        children.push_back(Child::start(args));
        ASSERT_TRUE(children.back().started());
    }
    testing::write_text(tmp.path() / "go", "");
    for (auto& child : children) {
        auto code = child.wait(CHILD_TIMEOUT);
        ASSERT_TRUE(code.has_value()) << "a writer did not finish";
        EXPECT_EQ(*code, 0);
    }

    auto loaded = load_history(tmp.path(), "s-shared");
    ASSERT_TRUE(loaded) << loaded.error().message();
    ASSERT_EQ(loaded->size(), 2u * LINES_PER_WRITER);
    // Each writer's lines are all there, whole and in its own order.
    std::map<std::string, int> next;
    int switches = 0;
    std::string last_tag;
    for (const auto& e : *loaded) {
        const std::string tag = e.line.substr(0, 1);
        const int i = next[tag]++;
        ASSERT_EQ(e.line, tag + " line " + std::to_string(i) + " " + std::string(i % 97, 'x'));
        if (!last_tag.empty() && tag != last_tag) ++switches;
        last_tag = tag;
    }
    EXPECT_EQ(next["A"], LINES_PER_WRITER);
    EXPECT_EQ(next["B"], LINES_PER_WRITER);
    RecordProperty("writer_switches", switches);  // how interleaved the two runs were
}

#ifdef _WIN32
// Appenders take turns on one byte far past the content: while another
// handle holds it, an append waits, then lands after what is there.
TEST(HistoryConcurrency, AnAppendWaitsForTheTurnOfAnotherAppender) {
    testing::TempDir tmp;
    const fs::path file = tmp.path() / "shared.jsonl";
    testing::write_text(file, "first\n");
    HANDLE other = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    OVERLAPPED turn{};
    turn.Offset = 0xFFFFFFFEu;
    turn.OffsetHigh = 0x7FFFFFFFu;
    ASSERT_TRUE(::LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn));

    std::atomic<bool> done{false};
    std::thread appender([&] {
        EXPECT_FALSE(platform::append_file_shared(file, "second\n"));
        done = true;
    });
    EXPECT_FALSE(wait_until([&] { return done.load(); }, 500ms)) << "the append did not wait for its turn";
    ::UnlockFileEx(other, 0, 1, 0, &turn);
    ::CloseHandle(other);
    EXPECT_TRUE(wait_until([&] { return done.load(); }, 10s));
    appender.join();
    EXPECT_EQ(testing::read_text(file), "first\nsecond\n");
}
#endif

}  // namespace
}  // namespace ovelin
