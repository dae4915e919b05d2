#include "feel_setup.hpp"

#include <random>

#include <shellapi.h>

namespace feel {

using namespace ovelin::testing;

namespace {

std::string words(std::mt19937& rng, std::size_t width) {
    static const char* pool[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "terminal",
                                 "session", "output", "build", "passed", "error:", "warning", "./src/main.cpp",
                                 "12345", "0x7f3a", "--verbose", "done."};
    std::string s;
    while (s.size() < width) {
        if (!s.empty()) s += ' ';
        s += pool[std::uniform_int_distribution<int>(0, 19)(rng)];
    }
    s.resize(width);
    return s;
}

// Lines of exactly 120 columns, a colour change every few words, as a
// compiler or a test runner colours its output.
std::string coloured_lines(int count) {
    std::mt19937 rng(26);
    std::string out;
    for (int i = 0; i < count; ++i) {
        int width = 0;
        while (width < 120) {
            const int piece = std::min(120 - width, std::uniform_int_distribution<int>(6, 24)(rng));
            const int colour = std::uniform_int_distribution<int>(0, 15)(rng);
            out += "\x1b[" + std::to_string(colour < 8 ? 30 + colour : 82 + colour) + "m" +
                   words(rng, static_cast<std::size_t>(piece));
            width += piece;
        }
        out += "\x1b[0m\r\n";
    }
    return out;
}

std::string plain_lines(std::size_t bytes) {
    std::mt19937 rng(9);
    std::string out;
    while (out.size() < bytes) out += words(rng, std::uniform_int_distribution<std::size_t>(20, 110)(rng)) + "\r\n";
    return out;
}

std::wstring quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// A command line as a JSON string's content: its quotes and backslashes escaped.
std::string json_text(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) {
        if (c == L'\\' || c == L'"') out += '\\';
        out += static_cast<char>(c);
    }
    return out;
}

// Both terminals start their shells here: a short prompt ("C:\>") that
// fits a tile, so the echo of a key shows in it.
const wchar_t* const START_DIR = L"C:\\";

Terminal start(const std::wstring& exe, const wchar_t* window_class, int text_top, const Environment& env,
               const std::wstring& cwd) {
    Terminal t;
    t.text_top = text_top;
    const std::int64_t t0 = now_ticks();
    t.process = start_process(exe, L"", env, cwd);
    if (!t.process) return t;
    poll([&] { return (t.hwnd = find_window_of_class(t.process.pid(), window_class)) != nullptr; }, 60000);
    if (!t.hwnd) return t;
    Pixels px;
    const Region client = client_region(t.hwnd);
    const Region text{client.left, text_top, client.right, client.bottom};
    // "C:\...>": at least three cells of ink on one line.
    if (poll([&] { return px.read(t.hwnd, text) && shows_prompt(px, 24); }, 60000))
        t.started_ms = ticks_to_ms(now_ticks() - t0);
    return t;
}

}  // namespace

Lab::Lab() : root_(make_temp_dir()) {
    flood_ = root_ + L"\\flood.txt";
    colour_ = root_ + L"\\colour.txt";
    write_file(flood_, plain_lines(4u << 20));
    const std::string colour = coloured_lines(11000);
    write_file(colour_, colour);
    colour_bytes_ = static_cast<double>(colour.size());
}

Lab::~Lab() { remove_tree(root_); }

std::wstring Lab::empty_appdata() {
    const std::wstring dir = root_ + L"\\appdata-" + std::to_wstring(++made_);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring Lab::restoring_appdata(const std::vector<std::wstring>& commands, const std::string& font_pt) {
    const std::wstring dir = empty_appdata(), config = dir + L"\\ovelin";
    ::CreateDirectoryW(config.c_str(), nullptr);
    std::string profiles, sessions;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        if (!sessions.empty()) sessions += ",\n  ";
        sessions += R"({"id": "s-)" + n + "\"";
        if (!commands[i].empty()) {
            if (!profiles.empty()) profiles += ",\n  ";
            profiles += R"({"id": "p-)" + n + R"(", "name": "Tab )" + n +
                        R"(", "kind": {"type": "local_shell", "command": ")" + json_text(commands[i]) +
                        "\"}}";
            sessions += R"(, "profile_id": "p-)" + n + "\"";
        }
        sessions += "}";
    }
    write_file(config + L"\\profiles.json", R"({"schema_version": 1, "profiles": [)" + profiles + "]}");
    write_file(config + L"\\sessions.json", R"({"schema_version": 1, "sessions": [)" + sessions + "]}");
    write_file(config + L"\\settings.json", R"({"schema_version": 1, "close_to_tray": true,
  "restore_sessions_on_start": true, "track_history": false, "sync_mode": "local",
  "font": {"family": null, "fallbacks": ["Consolas"], "size_pt": )" + font_pt + "}}");
    return dir;
}

std::wstring Lab::shell_running(const std::wstring& what) const {
    return quoted(bin_path(L"test_shell.exe")) + L" /c " + what;
}

std::wstring Lab::flood_loop() const { return L"for /l %i in (0,0,1) do @type " + quoted(flood_); }

std::vector<Process> Lab::unshown_floods(int count) const {
    Environment env = lab_environment(L"/c " + flood_loop());
    env[L"FLOOR_UNSHOWN"] = L"1";
    std::vector<Process> floods;
    for (int i = 0; i < count; ++i) floods.push_back(start_process(bin_path(L"floor_term.exe"), L"", env, START_DIR));
    return floods;
}

Environment lab_environment(const std::wstring& comspec_tail) {
    Environment env = current_environment();
    env[L"COMSPEC"] = comspec_tail.empty() ? bin_path(L"test_shell.exe")
                                           : quoted(bin_path(L"test_shell.exe")) + L" " + comspec_tail;
    return env;
}

Terminal start_floor(const Environment& env) {
    return start(bin_path(L"floor_term.exe"), L"FloorTerm", 0, env, START_DIR);
}

Terminal start_ovelin(const Environment& env_in, const std::wstring& appdata) {
    Environment env = env_in;
    env[L"APPDATA"] = appdata;
    return start(bin_path(L"ovelin_trace.exe"), L"OvelinHost", 40, env, START_DIR);
}

void stop(Terminal& t) {
    // The notification icon a terminated ovelin leaves behind: Wine's tray
    // otherwise slows the next program's window by about two seconds.
    if (t.hwnd) {
        NOTIFYICONDATAW nid{};
        nid.cbSize = sizeof nid;
        nid.hWnd = t.hwnd;
        nid.uID = 1;
        ::Shell_NotifyIconW(NIM_DELETE, &nid);
    }
    if (t.process) terminate_tree(t.process.pid());
    t.hwnd = nullptr;
}

void place(const Terminal& t, int x, int y, int width, int height) {
    RECT frame{0, 0, width, height};
    const LONG style = ::GetWindowLongW(t.hwnd, GWL_STYLE), ex = ::GetWindowLongW(t.hwnd, GWL_EXSTYLE);
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(style), FALSE, static_cast<DWORD>(ex));
    ::SetWindowPos(t.hwnd, nullptr, x + frame.left, y + frame.top, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace feel
