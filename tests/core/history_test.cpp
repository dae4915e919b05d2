#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#endif

#include "core/history.hpp"
#include "core/ids.hpp"
#include "core/platform.hpp"
#include "support/temp_dir.hpp"

namespace ovelin {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::TempDir;
using testing::write_text;
using Lines = std::vector<std::string>;

Lines lines_of(const std::vector<HistoryEntry>& entries) {
    Lines out;
    for (const auto& e : entries) out.push_back(e.line);
    return out;
}

// A folder link: a junction on Windows, a symbolic link elsewhere. False
// where the system makes none (Wine 8 refuses junctions).
bool link_folder(const fs::path& target, const fs::path& link) {
#ifdef _WIN32
    if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
    HANDLE h = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const std::wstring name = L"\\??\\" + target.wstring();
    struct {
        DWORD tag;
        WORD data_length, reserved, substitute_offset, substitute_length, print_offset, print_length;
        WCHAR path[MAX_PATH * 2];
    } data{IO_REPARSE_TAG_MOUNT_POINT, static_cast<WORD>(name.size() * 2 + 12), 0, 0,
           static_cast<WORD>(name.size() * 2), static_cast<WORD>(name.size() * 2 + 2), 0, {}};
    std::copy(name.begin(), name.end(), data.path);
    DWORD got = 0;
    const bool set = h != INVALID_HANDLE_VALUE && ::DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, &data,
                                                                    data.data_length + 8u, nullptr, 0, &got, nullptr);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    if (!set) ::RemoveDirectoryW(link.c_str());
    return set;
#else
    std::error_code ec;
    fs::create_directory_symlink(target, link, ec);
    return !ec;
#endif
}

class History : public ::testing::Test {
protected:
    fs::path file(std::string_view id = "s-1") const { return dir_.path() / "history" / (std::string(id) + ".jsonl"); }
    void write_history(const std::string& content) {
        fs::create_directories(dir_.path() / "history");
        write_text(file(), content);
    }
    const fs::path& dir() const { return dir_.path(); }

private:
    TempDir dir_;
};

TEST_F(History, SessionIdentifiersMustBePlainFileNames) {
    const struct {
        const char* id;
        bool ok;
    } cases[] = {
        {"s-1712345678901-7", true}, {"A.b_c-9", true}, {"...", true}, {".hidden", true},
        {"", false},  {".", false},  {"..", false}, {"a/b", false}, {"a\\b", false}, {"a b", false},
        {"c:x", false}, {"\xc3\xa9", false}, {"a\nb", false}, {"x\"y", false},
        // Device names, in any case and with any extension.
        {"CON", false}, {"nul", false}, {"Aux.txt", false}, {"PRN.a.b", false}, {"COM1", false},
        {"lpt9", false}, {"COM0.x", false}, {"COM10", true}, {"CONSOLE", true}, {"s-CON", true}, {"LPTX", true},
    };
    for (const auto& c : cases) {
        auto p = history_path(dir(), c.id);
        if (c.ok) {
            ASSERT_TRUE(p) << c.id;
            EXPECT_EQ(*p, dir() / "history" / (std::string(c.id) + ".jsonl"));
        } else {
            ASSERT_FALSE(p) << c.id;
            EXPECT_FALSE(p.error().is_io());
        }
    }
    EXPECT_EQ(history_path(dir(), "a/b").error().message(), R"(invalid session id: "a/b")");
    EXPECT_EQ(history_path(dir(), "x\"y\\\n").error().message(), R"(invalid session id: "x\"y\\\n")");
    EXPECT_EQ(history_path(dir(), "").error().message(), R"(invalid session id: "")");
}

TEST_F(History, RefusedIdentifierTouchesNothing) {
    append_history(dir(), "../escape", "ls");
    append_history(dir(), "a/b", "ls");
    EXPECT_TRUE(fs::is_empty(dir())) << "not even the history folder";
    EXPECT_EQ(load_history(dir(), "../escape").error().message(), R"(invalid session id: "../escape")");
    EXPECT_EQ(reset_history(dir(), "..").error().message(), R"(invalid session id: "..")");
}

TEST_F(History, AppendWritesCompactLinesThatReadBack) {
    const Lines lines = {"ls -la", "echo \"quoted\" \\back\\slash", "", "multi\nline\r\ttab", "h\xc3\xa9llo \xe6\x97\xa5",
                         "{\"ts\":1,\"line\":\"x\"}", "  "};
    const auto before = unix_seconds();
    for (const auto& l : lines) append_history(dir(), "s-1", l);
    const auto after = unix_seconds();

    auto loaded = load_history(dir(), "s-1");
    ASSERT_TRUE(loaded) << loaded.error().message();
    EXPECT_EQ(lines_of(*loaded), lines);
    for (const auto& e : *loaded) {
        EXPECT_GE(e.ts, before);
        EXPECT_LE(e.ts, after);
    }

    // One compact object per line, keys in order, one line feed each.
    const std::string text = read_text(file());
    const std::string ts = std::to_string((*loaded)[1].ts);
    EXPECT_NE(text.find("\n{\"ts\":" + ts + ",\"line\":\"echo \\\"quoted\\\" \\\\back\\\\slash\"}\n"), std::string::npos)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(lines.size()));
}

TEST_F(History, AppendCreatesTheMissingFolders) {
    const fs::path nested = dir() / "gone" / "ovelin";
    append_history(nested, "s-2", "pwd");
    auto loaded = load_history(nested, "s-2");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(lines_of(*loaded), Lines{"pwd"});
}

TEST_F(History, LoadingFileShapes) {
    const struct {
        std::string content;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"{\"ts\":1,\"line\":\"a\"}\n{\"ts\":2,\"line\":\"b\"}\n", {"a", "b"}},
        {"{\"ts\":1,\"line\":\"a\"}\n{\"ts\":2,\"line\":\"b\"}", {"a", "b"}},          // no final line feed
        {"{\"ts\":1,\"line\":\"a\"}\r\n{\"ts\":2,\"line\":\"b\"}\r\n", {"a", "b"}},    // CR LF
        {"{\"ts\":1,\"line\":\"a\"}\r\n{\"ts\":2,\"line\":\"b\"}\r", {"a", "b"}},
        {"\n\n{\"ts\":1,\"line\":\"a\"}\n \t\n\r\n\xe3\x80\x80\xc2\xa0\n\n{\"ts\":2,\"line\":\"b\"}\n\n", {"a", "b"}},
        {" {\"ts\":1 , \"line\" : \"a\"} \n", {"a"}},                                 // spacing inside a line
        {"{\"line\":\"a\",\"ts\":1,\"extra\":[1,2]}\n", {"a"}},                         // unknown keys ignored
        {"{\"ts\":18446744073709551615,\"line\":\"max\"}\n", {"max"}},
    };
    for (const auto& c : cases) {
        write_history(c.content);
        auto loaded = load_history(dir(), "s-1");
        ASSERT_TRUE(loaded) << c.content << ": " << loaded.error().message();
        EXPECT_EQ(lines_of(*loaded), c.lines) << c.content;
    }
    EXPECT_EQ(load_history(dir(), "never-written").value().size(), 0u);
}

TEST_F(History, OneBadLineFailsTheWholeLoad) {
    const struct {
        std::string content;
        const char* message;
    } cases[] = {
        {"{\"ts\":1,\"line\":\"a\"}\n{\"ts\":1}\n",
         "history for s-1: bad line: missing field `line` at line 1 column 8"},
        {"{\"ts\":1,\"line\":\"a\"}\nnot json\n{\"ts\":2,\"line\":\"b\"}\n",
         "history for s-1: bad line: parse error at line 1, column 2: syntax error while parsing value - invalid "
         "literal; last read: 'no'"},
        {"{\"ts\":-1,\"line\":\"x\"}", "history for s-1: bad line: invalid value: integer `-1`, expected u64 at line 1 column 9"},
        {"{\"ts\":1,\"line\":\"a\",\"ts\":2}\n", "history for s-1: bad line: duplicate field `ts` at line 1 column 23"},
        {"{\"ts\":1,\"line\":\"a\"}{\"ts\":2,\"line\":\"b\"}\n", nullptr},  // two merged entries
        {"{\"ts\":1,\"line\":\"a\x0b\"}\n", nullptr},                   // raw control inside a string
        {"{\"ts\":1,\"line\":\"\xff\"}\n", nullptr},                    // invalid UTF-8
        {"{\"ts\":1,\"line\":\"a\"}\n{\"ts\":2,\"li", nullptr},        // torn last line
    };
    for (const auto& c : cases) {
        write_history(c.content);
        auto loaded = load_history(dir(), "s-1");
        ASSERT_FALSE(loaded) << c.content;
        EXPECT_FALSE(loaded.error().is_io());
        if (c.message)
            EXPECT_EQ(loaded.error().message(), c.message);
        else
            EXPECT_TRUE(loaded.error().message().starts_with("history for s-1: bad line: ")) << loaded.error().message();
    }
}

TEST_F(History, ReadFailureOtherThanMissingIsAnIoError) {
    fs::create_directories(file("s-dir"));  // a folder where the file should be
    auto loaded = load_history(dir(), "s-dir");
    ASSERT_FALSE(loaded);
    EXPECT_TRUE(loaded.error().is_io());
}

// Appends go on after a damaged line and never rewrite what is there.
TEST_F(History, DamagedLineKeepsAppendsGoingWithoutRewriting) {
    append_history(dir(), "s-1", "one");
    ASSERT_EQ(platform::append_file_shared(file(), "{\"ts\":5,\"line\":\n"), std::error_code{});
    append_history(dir(), "s-1", "two");
    const std::string snapshot = read_text(file());
    EXPECT_FALSE(load_history(dir(), "s-1"));

    append_history(dir(), "s-1", "three");
    const std::string grown = read_text(file());
    EXPECT_TRUE(grown.starts_with(snapshot));
    EXPECT_GT(grown.size(), snapshot.size());
    auto still = load_history(dir(), "s-1");
    ASSERT_FALSE(still);
    EXPECT_TRUE(still.error().message().starts_with("history for s-1: bad line: parse error")) << still.error().message();
    EXPECT_TRUE(seed_history_lines(dir(), "s-1").empty());

    // Only the damaged line is lost once it is taken out.
    std::string repaired = grown;
    repaired.erase(repaired.find("{\"ts\":5"), std::string("{\"ts\":5,\"line\":\n").size());
    auto good = parse_history(repaired, "s-1");
    ASSERT_TRUE(good) << good.error().message();
    EXPECT_EQ(lines_of(*good), (Lines{"one", "two", "three"}));
}

// A last line without its line feed (hand-edited, or cut short by a full
// disk) must not swallow the next entry.
TEST_F(History, AppendAfterAnUnfinishedLastLineStartsANewLine) {
    write_history("{\"ts\":1,\"line\":\"hand edited\"}");
    append_history(dir(), "s-1", "next");
    auto loaded = load_history(dir(), "s-1");
    ASSERT_TRUE(loaded) << loaded.error().message();
    EXPECT_EQ(lines_of(*loaded), (Lines{"hand edited", "next"}));

    write_history("{\"ts\":1,\"line\":\"a\"}\n{\"ts\":2,\"li");
    append_history(dir(), "s-1", "after torn");
    const std::string text = read_text(file());
    EXPECT_TRUE(text.starts_with("{\"ts\":1,\"line\":\"a\"}\n{\"ts\":2,\"li\n{\"ts\":")) << text;
    auto without_torn = parse_history(text.substr(text.rfind("\n{")), "s-1");
    ASSERT_TRUE(without_torn);
    EXPECT_EQ(lines_of(*without_torn), Lines{"after torn"});
}

TEST_F(History, SeedingKeepsTheLast500) {
    std::string content;
    for (int i = 1; i <= 600; ++i) content += "{\"ts\":" + std::to_string(i) + ",\"line\":\"cmd " + std::to_string(i) + "\"}\n";
    write_history(content);
    const Lines seeded = seed_history_lines(dir(), "s-1");
    ASSERT_EQ(seeded.size(), 500u);
    EXPECT_EQ(seeded.front(), "cmd 101");
    EXPECT_EQ(seeded.back(), "cmd 600");

    write_history("{\"ts\":1,\"line\":\"only\"}\n");
    EXPECT_EQ(seed_history_lines(dir(), "s-1"), Lines{"only"});
    EXPECT_TRUE(seed_history_lines(dir(), "s-none").empty());
    EXPECT_TRUE(seed_history_lines(dir(), "bad/id").empty());
}

TEST_F(History, ResetOne) {
    EXPECT_EQ(reset_history(std::nullopt, "s-1").value(), ResetOutcome::NoConfigDir);
    EXPECT_EQ(reset_history(dir(), "s-never").value(), ResetOutcome::Done);  // never stored a line

    append_history(dir(), "s-1", "a");
    append_history(dir(), "s-2", "b");
    EXPECT_EQ(reset_history(dir(), "s-1").value(), ResetOutcome::Done);
    EXPECT_FALSE(fs::exists(file("s-1")));
    EXPECT_TRUE(fs::exists(file("s-2")));
    EXPECT_EQ(lines_of(load_history(dir(), "s-1").value()), Lines{});

    fs::create_directories(file("s-dir"));
    auto r = reset_history(dir(), "s-dir");
    ASSERT_FALSE(r);
    EXPECT_TRUE(r.error().is_io());
    EXPECT_TRUE(fs::exists(file("s-dir")));
}

// Only history files go: plain files named by a valid session id and
// ".jsonl", in the folder itself.
TEST_F(History, ResetAllDeletesOnlyHistoryFiles) {
    EXPECT_EQ(reset_all_history(std::nullopt).value(), ResetOutcome::NoConfigDir);
    EXPECT_EQ(reset_all_history(dir()).value(), ResetOutcome::Done);  // no history folder yet
    EXPECT_FALSE(fs::exists(dir() / "history"));

    const struct {
        const char* name;
        bool folder, deleted;
    } cases[] = {
        {"s-1.jsonl", false, true},      {"S_2.x.jsonl", false, true}, {"stray.txt", false, false},
        {"s-3.jsonl.bak", false, false}, {"a b.jsonl", false, false},  {".jsonl", false, false},
        {"sub.jsonl", true, false},      {"sub", true, false},
#ifndef _WIN32
        {"CON.jsonl", false, false},  // a device on Windows, not a file one could make
#endif
    };
    fs::create_directories(dir() / "history");
    for (const auto& c : cases) {
        if (c.folder)
            fs::create_directory(dir() / "history" / c.name);
        else
            write_text(dir() / "history" / c.name, "x");
    }
    EXPECT_EQ(reset_all_history(dir()).value(), ResetOutcome::Done);
    for (const auto& c : cases) EXPECT_EQ(!fs::exists(dir() / "history" / c.name), c.deleted) << c.name;

    // A history folder that is a junction leads elsewhere: it is not entered.
    TempDir outside;
    write_text(outside.path() / "s-9.jsonl", "theirs");
    fs::remove_all(dir() / "history");
    if (!link_folder(outside.path(), dir() / "history"))
        GTEST_SKIP() << "this system makes no junctions (Wine 8): only the plain entries were checked";
    EXPECT_FALSE(reset_all_history(dir()).has_value());
    EXPECT_EQ(read_text(outside.path() / "s-9.jsonl"), "theirs");
}

}  // namespace
}  // namespace ovelin
