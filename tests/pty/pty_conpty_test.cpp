// ConPTY sessions under Wine, running cmd.exe through the test shell.

#include <gtest/gtest.h>
#include <windows.h>

#include "pty/pty_session.hpp"
#include "support/conpty_probe.hpp"
#include "support/session_sink.hpp"

namespace ovelin {
namespace {

using namespace std::chrono_literals;
using testing::QueueSink;
using testing::screen_text;

std::string test_shell() {
    wchar_t self[MAX_PATH * 2];
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring dir(self, n);
    dir = dir.substr(0, dir.find_last_of(L'\\'));
    std::wstring rel = dir + L"\\..\\..\\bin\\test_shell.exe";
    wchar_t full[MAX_PATH * 2];
    DWORD m = ::GetFullPathNameW(rel.c_str(), MAX_PATH * 2, full, nullptr);
    std::string out;
    for (DWORD i = 0; i < m; ++i) out += static_cast<char>(full[i]);  // ASCII build paths
    return "\"" + out + "\"";
}

TEST(ConPty, ShellPromptEchoAndExit) {
    auto sink = std::make_shared<QueueSink>();
    auto s = PtySession::spawn(sink, {1, test_shell(), std::nullopt, 25, 80, {}});
    ASSERT_TRUE(s.has_value()) << s.error().message();
    auto& session = **s;
    ASSERT_TRUE(sink->wait([&] { return screen_text(session).find('>') != std::string::npos; }, 30s))
        << screen_text(session);
    session.write("echo hel^lo\r");
    EXPECT_TRUE(sink->wait([&] { return screen_text(session).find("\nhello") != std::string::npos; }, 20s))
        << screen_text(session);
    session.write("exit\r");
    EXPECT_TRUE(sink->wait_exit(1, 20s)) << screen_text(session);
    EXPECT_TRUE(sink->events().back().exit);
}

TEST(ConPty, EndsWithinSecondsWhenTheProgramExitsWithItsStatus) {
    const struct {
        const char* args;
        std::uint32_t status;
    } cases[] = {{" /c exit 0", 0}, {" /c exit 3", 3}, {" /c exit -1", 0xFFFFFFFF}};
    for (const auto& c : cases) {
        auto sink = std::make_shared<QueueSink>();
        auto s = PtySession::spawn(sink, {2, test_shell() + c.args, std::nullopt, 25, 80, {}});
        ASSERT_TRUE(s.has_value()) << s.error().message();
        ASSERT_TRUE(sink->wait_exit(2, 15s)) << c.args;
        EXPECT_EQ(sink->events().back().status, ExitStatus(c.status)) << c.args;
    }
}

TEST(ConPty, ResizeChangesTheScreenOnlyWhenTheConsoleChanged) {
    auto sink = std::make_shared<QueueSink>();
    auto s = PtySession::spawn(sink, {3, test_shell(), std::nullopt, 25, 80, {}});
    ASSERT_TRUE(s.has_value());
    const bool resizes = testing::platform_resizes_pseudo_consoles();
    (*s)->resize(30, 100);
    // A refused resize keeps the old size: the screen must match the console.
    EXPECT_EQ((*s)->rows(), resizes ? 30 : 25);
    {
        std::lock_guard lock((*s)->screen()->mutex);
        EXPECT_EQ((*s)->screen()->screen.cols(), resizes ? 100 : 80);
    }
    s->reset();
    EXPECT_TRUE(sink->wait_exit(3, 20s));
    EXPECT_TRUE(sink->wait([] { return PtySession::live_threads() == 0; }, 20s)) << PtySession::live_threads();
}

TEST(ConPty, AProgramThatCannotStartIsAnError) {
    auto sink = std::make_shared<QueueSink>();
    auto s = PtySession::spawn(sink, {4, "C:\\nonexistent\\program.exe", std::nullopt, 25, 80, {}});
    EXPECT_FALSE(s.has_value());
    EXPECT_TRUE(sink->events().empty());
}

}  // namespace
}  // namespace ovelin
