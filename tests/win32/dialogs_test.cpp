// The dialogs of the real ovelin.exe driven with real keys: the quick-connect
// prompt at two DPIs, a connection reaching a recording ssh.exe, the error
// box and the retry, a profile made in the editor and connected from the
// manager, and quitting while a dialog is open.

#include <gtest/gtest.h>

#include "core/records_json.hpp"
#include "support/env.hpp"
#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

// Another process's control answers WM_GETTEXT; GetWindowText would not ask it.
std::wstring control_text(HWND control) {
    wchar_t buf[1024] = {};
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &n);
    return std::wstring(buf, n);
}

std::vector<std::wstring> list_lines(HWND list) {
    std::vector<std::wstring> out;
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
    for (DWORD_PTR i = 0; i < n; ++i) {
        wchar_t buf[1024] = {};
        ::SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, nullptr);
        out.emplace_back(buf);
    }
    return out;
}

GUITHREADINFO gui_of(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

// Keys go to the focused control: wait until it has the focus.
bool focus_is(HWND control) {
    return wait_until([&] { return gui_of(control).hwndFocus == control; }, 10s);
}

bool gone(DWORD pid, const wchar_t* cls) {
    return wait_until([&] { return find_window_of_class(pid, cls) == nullptr; }, 10s);
}

SIZE client_of(HWND hwnd) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

// The line height an edit control gets from "Segoe UI" at this pixel height
// in this prefix: its caret is that tall.
int line_height(int pixels) {
    HFONT font = ::CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(font);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, pixels);
    return tm.tmHeight;
}

// The display DPI this Wine prefix was started with (scripts/test runs the
// DPI case once more in a prefix of its own set to 144).
DWORD prefix_dpi() {
    DWORD dpi = 0, size = sizeof dpi;
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi,
                       &size) != ERROR_SUCCESS)
        return 96;
    return dpi;
}

class Dialogs : public OvelinTest {
protected:
    void SetUp() override {
        OvelinTest::SetUp();
        // A recorder stands in for ssh.exe, in a PATH folder as an OpenSSH
        // client installed apart from the system's would be.
        bin_ = make_temp_dir();
        ASSERT_TRUE(::CopyFileW(bin_path(L"arg_recorder.exe").c_str(), (bin_ + L"\\ssh.exe").c_str(), FALSE));
        record_ = bin_ + L"\\record.bin";
        wchar_t path[32768] = {};
        ::GetEnvironmentVariableW(L"PATH", path, 32768);
        old_path_ = path;
        ::SetEnvironmentVariableW(L"PATH", (bin_ + L";" + old_path_).c_str());
        ::SetEnvironmentVariableW(L"OVELIN_RECORD_FILE", record_.c_str());
        ::SetEnvironmentVariableW(L"OVELIN_RECORD_STAY", L"1");
    }
    void TearDown() override {
        OvelinTest::TearDown();
        ::SetEnvironmentVariableW(L"PATH", old_path_.c_str());
        ::SetEnvironmentVariableW(L"OVELIN_RECORD_FILE", nullptr);
        ::SetEnvironmentVariableW(L"OVELIN_RECORD_STAY", nullptr);
        remove_tree(bin_);
    }

    HWND start_ready() { return ready(start()); }
    HWND ready(HWND hwnd) {
        if (!hwnd) return nullptr;
        EXPECT_TRUE(wait_until([&] { return saved_sessions() == 1; }));
        return to_front(hwnd);
    }
    // The shortcut keys must reach this window, not the one before it (or a
    // console window Wine opened for a program started since).
    HWND to_front(HWND hwnd) {
        EXPECT_TRUE(bring_to_front(hwnd));
        return hwnd;
    }
    HWND open(WORD key, const wchar_t* cls) {
        press(key, {VK_CONTROL, VK_SHIFT});
        HWND dialog = wait_for_window_of_class(app_.pid(), cls);
        EXPECT_NE(dialog, nullptr) << "no " << narrow(cls);
        return dialog;
    }
    // The arguments the recorder was started with, once it has run.
    std::vector<std::string> recorded() {
        std::optional<std::string> bytes;
        wait_until([&] { return (bytes = read_file(record_)).has_value() && !bytes->empty(); }, 20s);
        std::vector<std::string> items;
        if (!bytes) return items;
        for (std::size_t start = 0, end; (end = bytes->find('\0', start)) != std::string::npos; start = end + 1)
            items.push_back(bytes->substr(start, end - start));
        if (!items.empty()) items.erase(items.begin());  // the raw command line
        return items;
    }
    void save(HWND window, const wchar_t* name) {
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        wait_until([] { return false; }, 300ms);  // let the controls paint
        RECT r{};
        ::GetWindowRect(window, &r);
        if (auto c = capture_client(::GetDesktopWindow())) {
            Capture part;
            part.width = r.right - r.left;
            part.height = r.bottom - r.top;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    const std::uint32_t p = (x >= 0 && y >= 0 && x < c->width && y < c->height) ? c->at(x, y) : 0;
                    part.rgb.push_back(std::uint8_t(p >> 16));
                    part.rgb.push_back(std::uint8_t(p >> 8));
                    part.rgb.push_back(std::uint8_t(p));
                }
            save_screenshot(part, name);
        }
    }

    std::wstring bin_, record_, old_path_;
};

TEST_F(Dialogs, ThePromptIsScaledForTheDisplayDpi) {
    const struct {
        DWORD dpi;
        SIZE client;
        int font;
    } cases[] = {{96, {420, 112}, 12}, {144, {630, 168}, 18}};
    const DWORD dpi = prefix_dpi();
    for (const auto& c : cases) {
        if (c.dpi != dpi) continue;
        SCOPED_TRACE(c.dpi);
        HWND hwnd = start_ready();
        ASSERT_NE(hwnd, nullptr);
        HWND prompt = open('P', L"OvelinPrompt");
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(::GetDpiForWindow(prompt), c.dpi);
        const SIZE size = client_of(prompt);
        EXPECT_EQ(size.cx, c.client.cx);
        EXPECT_EQ(size.cy, c.client.cy);
        EXPECT_EQ(window_text(prompt), L"Quick connect");
        HWND edit = ::GetDlgItem(prompt, 301);
        ASSERT_TRUE(focus_is(edit));
        RECT caret = gui_of(edit).rcCaret;
        EXPECT_EQ(caret.bottom - caret.top, line_height(c.font));
        RECT ok{};
        ::GetWindowRect(::GetDlgItem(prompt, 302), &ok);
        EXPECT_EQ(ok.right - ok.left, 80 * static_cast<int>(c.dpi) / 96);
        EXPECT_EQ(control_text(::GetDlgItem(prompt, 303)), L"Cancel");
        save(prompt, c.dpi == 96 ? L"dialog-prompt.png" : L"dialog-prompt-144dpi.png");
        type_text(L"   ");
        press(VK_RETURN);  // blank is Cancel
        EXPECT_TRUE(gone(app_.pid(), L"OvelinPrompt"));
        EXPECT_TRUE(::IsWindowEnabled(hwnd));
        return;
    }
    GTEST_SKIP() << "no case for a prefix at " << dpi << " DPI";
}

TEST_F(Dialogs, QuickConnectOpensSshOrShowsTheErrorAndReopensWithTheText) {
    HWND hwnd = start_ready();
    ASSERT_NE(hwnd, nullptr);

    HWND prompt = open('P', L"OvelinPrompt");
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(control_text(::GetDlgItem(prompt, 0)), L"SSH target \u2014 [user@]host[:port]:");  // the label
    ASSERT_TRUE(focus_is(::GetDlgItem(prompt, 301)));
    type_text(L"my server");
    press(VK_RETURN);
    HWND box = wait_for_window_of_class(app_.pid(), L"#32770");
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(window_text(box), L"ovelin");
    EXPECT_EQ(control_text(::GetDlgItem(box, 0xFFFF)), L"invalid profile: host contains invalid characters: \"my server\"");
    save(box, L"dialog-error-box.png");
    press(VK_RETURN);
    ASSERT_TRUE(gone(app_.pid(), L"#32770"));

    prompt = wait_for_window_of_class(app_.pid(), L"OvelinPrompt");
    ASSERT_NE(prompt, nullptr) << "the prompt did not come back";
    HWND edit = ::GetDlgItem(prompt, 301);
    EXPECT_EQ(control_text(edit), L"my server");
    ASSERT_TRUE(focus_is(edit));
    type_text(L"  alice@server1:2222 ");  // replaces the selected text
    press(VK_RETURN);
    EXPECT_EQ(recorded(), (std::vector<std::string>{narrow(bin_ + L"\\ssh.exe"), "-p", "2222", "alice@server1"}));
    EXPECT_TRUE(gone(app_.pid(), L"OvelinPrompt"));
    EXPECT_TRUE(wait_until([&] { return config_file(L"sessions.json").find("\"alice@server1:2222\"") != std::string::npos; }))
        << config_file(L"sessions.json");
}

TEST_F(Dialogs, AProfileMadeInTheEditorIsSavedAndConnects) {
    HWND hwnd = start_ready();
    ASSERT_NE(hwnd, nullptr);
    HWND manager = open('O', L"OvelinConnMgr");
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(window_text(manager), L"Connections");
    const SIZE size = client_of(manager);
    EXPECT_EQ(size.cx, 520);
    EXPECT_EQ(size.cy, 416);
    ASSERT_TRUE(focus_is(::GetDlgItem(manager, 100)));

    press(VK_INSERT);
    HWND editor = wait_for_window_of_class(app_.pid(), L"OvelinProfileEd");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(window_text(editor), L"New profile");
    // The editor's window exists a moment before its loop disables the owner.
    EXPECT_TRUE(wait_until([&] { return !::IsWindowEnabled(manager); }, 10s));
    HWND name = ::GetDlgItem(editor, 201);
    ASSERT_TRUE(focus_is(name));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(editor, 211)));  // a local shell has one row
    press(VK_RETURN);                                            // nothing typed yet
    HWND box = wait_for_window_of_class(app_.pid(), L"#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(control_text(::GetDlgItem(box, 0xFFFF)), L"A profile name is required.");
    press(VK_RETURN);
    ASSERT_TRUE(gone(app_.pid(), L"#32770"));
    ASSERT_TRUE(focus_is(name));

    press(VK_TAB, {VK_SHIFT});  // the kind list
    ASSERT_TRUE(focus_is(::GetDlgItem(editor, 200)));
    press(VK_DOWN);  // SSH
    ASSERT_TRUE(wait_until([&] { return control_text(::GetDlgItem(editor, 211)).empty() && ::IsWindowVisible(::GetDlgItem(editor, 214)); }, 10s));
    EXPECT_EQ(control_text(::GetDlgItem(editor, 223)), L"Identity file");
    press(VK_TAB);
    type_text(L"Lab box");
    press(VK_TAB);  // group
    press(VK_TAB);  // colour
    press(VK_TAB);  // host
    ASSERT_TRUE(focus_is(::GetDlgItem(editor, 210)));
    type_text(L"server1");
    press(VK_TAB);
    type_text(L"+2222");
    press(VK_TAB);
    type_text(L"alice");
    press(VK_TAB);
    press(VK_TAB);
    type_text(L"-A   -v");
    ASSERT_TRUE(wait_until([&] { return control_text(::GetDlgItem(editor, 214)) == L"-A   -v"; }, 10s));
    save(editor, L"dialog-profile-editor.png");
    press(VK_RETURN);
    ASSERT_TRUE(gone(app_.pid(), L"OvelinProfileEd"));

    HWND list = ::GetDlgItem(manager, 101);
    ASSERT_TRUE(wait_until([&] { return list_lines(list).size() == 1; }, 10s));
    EXPECT_EQ(list_lines(list)[0], L"Lab box \u2014 ssh alice@server1:2222");
    save(manager, L"dialog-connection-manager.png");
    EXPECT_FALSE(file_exists(config_ + L"\\profiles.json.bak"));
    press(VK_ESCAPE);
    ASSERT_TRUE(gone(app_.pid(), L"OvelinConnMgr"));

    ASSERT_TRUE(wait_until([&] { return config_file(L"profiles.json").find("Lab box") != std::string::npos; }));
    auto file = parse_record<ProfilesFile>(config_file(L"profiles.json"));
    ASSERT_TRUE(file) << file.error();
    ASSERT_EQ(file->profiles.size(), 1u);
    const ConnectionProfile& p = file->profiles[0];
    EXPECT_TRUE(p.id.starts_with("p-")) << p.id;
    EXPECT_EQ(p.name, "Lab box");
    EXPECT_EQ(p.kind, ProfileKind(Ssh{"server1", 2222, "alice", std::nullopt, {"-A", "-v"}}));
    EXPECT_EQ(p.group, std::nullopt);
    EXPECT_EQ(p.color, std::nullopt);

    manager = open('O', L"OvelinConnMgr");
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(focus_is(::GetDlgItem(manager, 100)));
    press(VK_RETURN);  // Connect on the first line
    EXPECT_EQ(recorded(),
              (std::vector<std::string>{narrow(bin_ + L"\\ssh.exe"), "-p", "2222", "-A", "-v", "alice@server1"}));
    EXPECT_TRUE(gone(app_.pid(), L"OvelinConnMgr"));
    EXPECT_TRUE(wait_until([&] { return config_file(L"sessions.json").find("\"Lab box\"") != std::string::npos; }));
}

TEST_F(Dialogs, TheManagersKeysFilterDuplicateAndDeleteWithConfirmation) {
    write_config(L"profiles.json", R"({"schema_version": 1, "profiles": [
      {"id": "p-1-1", "name": "Lab", "kind": {"type": "ssh", "host": "lab"}},
      {"id": "p-1-2", "name": "Desk", "kind": {"type": "rdp", "host": "desk", "port": 3390}}]})");
    HWND hwnd = start_ready();
    ASSERT_NE(hwnd, nullptr);
    HWND manager = open('O', L"OvelinConnMgr");
    ASSERT_NE(manager, nullptr);
    HWND filter = ::GetDlgItem(manager, 100), list = ::GetDlgItem(manager, 101);
    ASSERT_TRUE(focus_is(filter));
    EXPECT_EQ(list_lines(list), (std::vector<std::wstring>{L"Lab \u2014 ssh lab:22", L"Desk \u2014 rdp desk:3390"}));

    type_text(L"xSSH");
    press(VK_HOME);
    press(VK_DELETE);  // a character of the filter, not a profile
    ASSERT_TRUE(wait_until([&] { return control_text(filter) == L"SSH"; }, 10s)) << narrow(control_text(filter));
    EXPECT_EQ(list_lines(list), std::vector<std::wstring>{L"Lab \u2014 ssh lab:22"});
    press('D', {VK_CONTROL});
    ASSERT_TRUE(wait_until([&] { return list_lines(list).size() == 2; }, 10s));
    EXPECT_EQ(list_lines(list)[1], L"Lab (copy) \u2014 ssh lab:22");
    EXPECT_EQ(control_text(filter), L"SSH");  // no "d" typed
    press(VK_DOWN);
    press(VK_TAB);  // into the list
    ASSERT_TRUE(focus_is(list));
    press(VK_DELETE);
    HWND box = wait_for_window_of_class(app_.pid(), L"#32770");
    ASSERT_NE(box, nullptr) << "no confirmation";
    EXPECT_EQ(control_text(::GetDlgItem(box, 0xFFFF)), L"Delete profile \"Lab (copy)\"?");
    save(box, L"dialog-confirm-box.png");
    press('Y');
    ASSERT_TRUE(gone(app_.pid(), L"#32770"));
    ASSERT_TRUE(wait_until([&] { return list_lines(list).size() == 1; }, 10s));
    press(VK_F2);  // the editor on the selected profile, filled in
    HWND editor = wait_for_window_of_class(app_.pid(), L"OvelinProfileEd");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(window_text(editor), L"Edit profile");
    ASSERT_TRUE(focus_is(::GetDlgItem(editor, 201)));
    EXPECT_EQ(control_text(::GetDlgItem(editor, 201)), L"Lab");
    EXPECT_EQ(control_text(::GetDlgItem(editor, 210)), L"lab");
    EXPECT_EQ(control_text(::GetDlgItem(editor, 211)), L"22");
    EXPECT_EQ(::SendMessageW(::GetDlgItem(editor, 200), CB_GETCURSEL, 0, 0), 1);
    type_text(L"Changed");
    press(VK_ESCAPE);  // nothing comes back
    ASSERT_TRUE(gone(app_.pid(), L"OvelinProfileEd"));
    ASSERT_TRUE(focus_is(list));
    EXPECT_EQ(list_lines(list), std::vector<std::wstring>{L"Lab \u2014 ssh lab:22"});
    press(VK_ESCAPE);
    ASSERT_TRUE(gone(app_.pid(), L"OvelinConnMgr"));
    // Changed and changed back: still written, with both profiles as they were.
    ASSERT_TRUE(wait_until([&] { return file_exists(config_ + L"\\profiles.json.bak"); }));
    // Read once the save has let go of it: a reader that does not share
    // deletion (as this one) cannot open it in the moment between the
    // replace and the writer's close.
    auto file = parse_record<ProfilesFile>(config_file(L"profiles.json"));
    wait_until([&] { return (file = parse_record<ProfilesFile>(config_file(L"profiles.json"))).has_value(); }, 5s);
    ASSERT_TRUE(file) << file.error();
    ASSERT_EQ(file->profiles.size(), 2u);
    EXPECT_EQ(file->profiles[0].id, "p-1-1");
    EXPECT_EQ(file->profiles[1].kind, ProfileKind(Rdp{"desk", 3390, std::nullopt, std::nullopt, false, false}));
}

TEST_F(Dialogs, QuittingWhileADialogIsOpenEndsBoth) {
    write_config(L"settings.json", CLOSE_TO_TRAY_OFF);
    const struct {
        WORD key;
        std::vector<const wchar_t*> classes;
    } cases[] = {{'P', {L"OvelinPrompt"}}, {'O', {L"OvelinConnMgr", L"OvelinProfileEd"}}};
    for (const auto& c : cases) {
        HWND hwnd = start_ready();
        ASSERT_NE(hwnd, nullptr);
        HWND first = open(c.key, c.classes[0]);
        ASSERT_NE(first, nullptr);
        if (c.classes.size() > 1) {
            ASSERT_TRUE(focus_is(::GetDlgItem(first, 100)));
            press(VK_INSERT);
            ASSERT_NE(wait_for_window_of_class(app_.pid(), c.classes[1]), nullptr);
        }
        ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(app_.wait_exit(20s), std::optional<DWORD>(0)) << narrow(c.classes.back());
    }
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A portable copy of ovelin.exe with decoy clients beside it and in the
// folder it was started from, both folders also on PATH: the Remote Desktop
// client comes from System32 by its full path and ssh.exe from the first
// other PATH folder. The connection file goes whether the client runs, could
// not start, or ovelin ends first.
TEST_F(Dialogs, ClientsStartFromTheirOwnPlacesAndTheConnectionFileGoesOnEveryPath) {
    // Wine gives every process its own SystemRoot: the recorder stands in
    // the prefix's System32 for the test's length.
    wchar_t root[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH), 0u);
    const std::wstring mstsc = std::wstring(root) + L"\\System32\\mstsc.exe";
    const std::wstring recorder = bin_path(L"arg_recorder.exe");
    if (file_exists(mstsc) && read_file(mstsc) != read_file(recorder))
        GTEST_SKIP() << "a Remote Desktop client is installed in this prefix";
    ::DeleteFileW(mstsc.c_str());  // ours, left by a run that was killed
    struct Cleanup {
        std::wstring mstsc;
        ~Cleanup() {
            // The client may still be ending after ovelin did.
            wait_until([&] { return ::DeleteFileW(mstsc.c_str()) || !file_exists(mstsc); });
        }
    } cleanup{mstsc};

    const std::wstring portable = make_temp_dir(), temp = make_temp_dir();
    ASSERT_TRUE(::CopyFileW(ovelin_exe().c_str(), (portable + L"\\ovelin.exe").c_str(), FALSE));
    ::CreateDirectoryW(config_.c_str(), nullptr);
    for (const std::wstring& dir : {portable, appdata_})
        for (const wchar_t* name : {L"\\mstsc.exe", L"\\ssh.exe"})
            ASSERT_TRUE(::CopyFileW(recorder.c_str(), (dir + name).c_str(), FALSE));
    write_config(L"settings.json", CLOSE_TO_TRAY_OFF);
    write_config(L"profiles.json", R"({"schema_version": 1, "profiles": [
      {"id": "p-1-1", "name": "Desk", "kind": {"type": "rdp", "host": "desk"}},
      {"id": "p-1-2", "name": "Lab", "kind": {"type": "ssh", "host": "lab"}}]})");

    Environment env = current_environment();
    env[L"APPDATA"] = appdata_;
    env[L"COMSPEC"] = bin_path(L"test_shell.exe");
    env[L"TEMP"] = env[L"TMP"] = temp;
    env[L"PATH"] = portable + L";" + appdata_ + L";.;" + bin_ + L";" + old_path_;
    app_ = start_process(portable + L"\\ovelin.exe", L"", env, appdata_);  // started from APPDATA
    ASSERT_TRUE(app_);
    HWND hwnd = ready(wait_for_main_window(app_));
    ASSERT_NE(hwnd, nullptr);

    const auto connect = [&](int line) {
        ::DeleteFileW(record_.c_str());
        ::DeleteFileW((record_ + L".image").c_str());
        to_front(hwnd);
        HWND manager = open('O', L"OvelinConnMgr");
        ASSERT_NE(manager, nullptr);
        ASSERT_TRUE(focus_is(::GetDlgItem(manager, 100)));
        for (int i = 0; i < line; ++i) press(VK_DOWN);
        press(VK_RETURN);
        ASSERT_TRUE(gone(app_.pid(), L"OvelinConnMgr"));
    };
    const auto image = [&] { return lower(read_file(record_ + L".image").value_or("(none)")); };
    const auto rdp_files = [&] {
        int n = 0;
        for (const std::wstring& name : list_dir(temp)) n += name.ends_with(L".rdp");
        return n;
    };

    // Not started (no client in System32 yet): an error, no decoy, no file left.
    connect(0);
    HWND box = wait_for_window_of_class(app_.pid(), L"#32770");
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_NE(lower(narrow(control_text(::GetDlgItem(box, 0xFFFF)))).find(lower(narrow(mstsc))), std::string::npos);
    press(VK_RETURN);
    ASSERT_TRUE(gone(app_.pid(), L"#32770"));
    EXPECT_EQ(rdp_files(), 0);
    EXPECT_FALSE(file_exists(record_)) << "a decoy ran: " << image();

    // Started: the system's client with a new file, deleted while it runs.
    ASSERT_TRUE(::CopyFileW(recorder.c_str(), mstsc.c_str(), TRUE));
    connect(0);
    const std::vector<std::string> rdp = recorded();
    ASSERT_EQ(rdp.size(), 2u);
    EXPECT_EQ(lower(rdp[0]), lower(narrow(mstsc)));
    EXPECT_EQ(image(), lower(narrow(mstsc)));
    EXPECT_TRUE(rdp[1].starts_with(narrow(temp) + "\\ovelin-") && rdp[1].ends_with(".rdp")) << rdp[1];
    EXPECT_TRUE(wait_until([&] { return !file_exists(widen(rdp[1])); }, 20s)) << "the connection file stayed";

    connect(1);
    EXPECT_EQ(recorded(), (std::vector<std::string>{narrow(bin_ + L"\\ssh.exe"), "lab"}));
    EXPECT_EQ(image(), lower(narrow(bin_ + L"\\ssh.exe")));

    // Started, and ovelin closed at once: the file does not outlive it.
    connect(0);
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(app_.wait_exit(20s), std::optional<DWORD>(0));
    EXPECT_EQ(recorded().size(), 2u);
    EXPECT_EQ(rdp_files(), 0);

    for (const std::wstring& dir : {portable, temp}) remove_tree(dir);
}

// An unchanged profile comes back from the editor as it was: a field far
// past 511 characters whole, and arguments holding spaces, quotes and
// nothing at all as the same list.
TEST_F(Dialogs, EditAndOkKeepLongFieldsAndArgumentsAsTheyWere) {
    const std::string key = "C:\\keys\\" + std::string(600, 'k');
    ProfilesFile file{
        1, {{"p-1-1", "Lab", Ssh{"lab", 22, "alice", key, {"-o", "SetEnv=A=\"x y\"", "", "-v"}}, std::nullopt, std::nullopt}}};
    write_config(L"profiles.json", to_pretty_json(file).value());
    HWND hwnd = start_ready();
    ASSERT_NE(hwnd, nullptr);
    HWND manager = open('O', L"OvelinConnMgr");
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(focus_is(::GetDlgItem(manager, 100)));
    press(VK_F2);
    HWND editor = wait_for_window_of_class(app_.pid(), L"OvelinProfileEd");
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(focus_is(::GetDlgItem(editor, 201)));
    EXPECT_EQ(control_text(::GetDlgItem(editor, 213)), widen(key));
    EXPECT_EQ(control_text(::GetDlgItem(editor, 214)), LR"(-o "SetEnv=A=\"x y\"" "" -v)");
    save(editor, L"dialog-profile-editor-quoted-args.png");
    for (int id : {201, 202, 210, 211, 212, 213, 214}) {
        DWORD_PTR limit = 0;
        ::SendMessageTimeoutW(::GetDlgItem(editor, id), EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, 5000, &limit);
        EXPECT_EQ(limit, id == 211 ? 6u : 32766u) << id;
    }
    press(VK_RETURN);
    ASSERT_TRUE(gone(app_.pid(), L"OvelinProfileEd"));
    press(VK_ESCAPE);
    ASSERT_TRUE(gone(app_.pid(), L"OvelinConnMgr"));
    ASSERT_TRUE(wait_until([&] { return file_exists(config_ + L"\\profiles.json.bak"); }));
    auto saved = parse_record<ProfilesFile>(config_file(L"profiles.json"));
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(saved->profiles, file.profiles);

    // Kept, but not run: an empty argument would be read by ssh as the host.
    manager = open('O', L"OvelinConnMgr");
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(focus_is(::GetDlgItem(manager, 100)));
    press(VK_RETURN);
    HWND box = wait_for_window_of_class(app_.pid(), L"#32770");
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(control_text(::GetDlgItem(box, 0xFFFF)),
              LR"(Cannot connect: invalid profile: extra_args entry "" is not an allowed ssh option)");
    save(box, L"dialog-refused-extra-argument.png");
    press(VK_RETURN);
    ASSERT_TRUE(gone(app_.pid(), L"#32770"));
    EXPECT_EQ(saved_sessions(), 1);  // no tab opened
}

}  // namespace
}  // namespace ovelin::testing
