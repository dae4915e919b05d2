#include "win32/driver.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "win32/png.hpp"

namespace ovelin::testing {

namespace fs = std::filesystem;

std::wstring module_dir() {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = ::GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    return fs::path(std::wstring(buf, n)).parent_path().wstring();
}

std::wstring ovelin_exe() { return (fs::path(module_dir()) / L"ovelin.exe").wstring(); }

std::wstring screenshot_dir() {
    fs::path dir = fs::path(module_dir()).parent_path() / L"screenshots";
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir.wstring();
}

std::wstring make_temp_dir() {
    static int counter = 0;
    fs::path dir = fs::temp_directory_path() /
                   (L"ovelin-wt-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.wstring();
}

void remove_tree(const std::wstring& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

Environment current_environment() {
    Environment env;
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* p = block; p && *p; p += wcslen(p) + 1) {
        std::wstring entry(p);
        std::size_t eq = entry.find(L'=', 1);  // names like "=C:" start with '='
        if (eq == std::wstring::npos) continue;
        env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    if (block) ::FreeEnvironmentStringsW(block);
    return env;
}

Process::~Process() {
    if (process_) {
        if (running()) terminate();
        ::CloseHandle(process_);
    }
}

bool Process::running() const { return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::wait_exit(std::chrono::milliseconds timeout) const {
    if (::WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    return code;
}

void Process::terminate() {
    if (!process_) return;
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, 10000);
}

Process start_process(const std::wstring& exe, const std::wstring& args, const Environment& env,
                      const std::wstring& cwd) {
    std::wstring block;
    for (const auto& [k, v] : env) {
        block += k;
        block += L'=';
        block += v;
        block += L'\0';
    }
    block += L'\0';
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!args.empty()) cmd += L" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS, block.data(),
                          cwd.empty() ? nullptr : cwd.c_str(), &si, &pi))
        return Process();
    return Process(pi);
}

namespace {
struct FindState {
    DWORD pid;
    HWND found;
};
}  // namespace

std::wstring class_name(HWND hwnd) {
    wchar_t buf[256];
    int n = ::GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring window_text(HWND hwnd) {
    wchar_t buf[512];
    int n = ::GetWindowTextW(hwnd, buf, 512);
    return std::wstring(buf, n > 0 ? n : 0);
}

HWND find_main_window(DWORD pid) {
    FindState state{pid, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<FindState*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && class_name(hwnd) == L"OvelinHost") {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND wait_for_main_window(const Process& p, std::chrono::milliseconds timeout) {
    HWND hwnd = nullptr;
    // Found only once shown: the window exists during its creation already.
    wait_until([&] { return ((hwnd = find_main_window(p.pid())) && ::IsWindowVisible(hwnd)) || !p.running(); },
               timeout);
    return hwnd;
}

std::optional<Capture> capture_client(HWND hwnd) {
    RECT r{};
    if (!::GetClientRect(hwnd, &r) || r.right <= 0 || r.bottom <= 0) return std::nullopt;
    Capture c;
    c.width = r.right;
    c.height = r.bottom;
    HDC win = ::GetDC(hwnd);
    HDC mem = ::CreateCompatibleDC(win);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.width;
    bi.bmiHeader.biHeight = -c.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(win, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    BOOL ok = ::BitBlt(mem, 0, 0, c.width, c.height, win, 0, 0, SRCCOPY);
    ::GdiFlush();
    if (ok) {
        c.rgb.resize(static_cast<std::size_t>(c.width) * c.height * 3);
        const auto* px = static_cast<const std::uint8_t*>(bits);
        for (std::size_t i = 0; i < static_cast<std::size_t>(c.width) * c.height; ++i) {
            c.rgb[i * 3 + 0] = px[i * 4 + 2];
            c.rgb[i * 3 + 1] = px[i * 4 + 1];
            c.rgb[i * 3 + 2] = px[i * 4 + 0];
        }
    }
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(hwnd, win);
    if (!ok) return std::nullopt;
    return c;
}

std::wstring save_screenshot(const Capture& c, const std::wstring& name) {
    std::wstring path = (fs::path(screenshot_dir()) / name).wstring();
    return write_png(path, c.width, c.height, c.rgb) ? path : std::wstring();
}

bool bring_to_front(HWND hwnd) {
    // Wine hands the foreground and the focus over a little later, the more
    // so under load; keys sent before that go to the window that had them.
    return wait_until([&] {
        ::ShowWindow(hwnd, SW_SHOW);
        ::SetForegroundWindow(hwnd);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, nullptr), &info);
        return ::GetForegroundWindow() == hwnd && (info.hwndFocus == hwnd || ::IsChild(hwnd, info.hwndFocus));
    }, std::chrono::seconds(10));
}

namespace {
INPUT key_input(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_INSERT || vk == VK_DELETE ||
        vk == VK_HOME || vk == VK_END || vk == VK_PRIOR || vk == VK_NEXT)
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return in;
}
}  // namespace

void press(WORD vk, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    for (WORD m : modifiers) inputs.push_back(key_input(m, false));
    inputs.push_back(key_input(vk, false));
    inputs.push_back(key_input(vk, true));
    for (auto it = modifiers.end(); it != modifiers.begin();) inputs.push_back(key_input(*--it, true));
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void type_text(const std::wstring& text) {
    for (wchar_t c : text) {
        SHORT scan = ::VkKeyScanW(c);
        if (scan == -1) {
            INPUT in[2]{};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wScan = in[1].ki.wScan = c;
            in[0].ki.dwFlags = KEYEVENTF_UNICODE;
            in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
            ::SendInput(2, in, sizeof(INPUT));
            continue;
        }
        const WORD vk = LOBYTE(scan);
        const BYTE shifts = HIBYTE(scan);
        if (shifts & 1)
            press(vk, {VK_SHIFT});
        else
            press(vk);
    }
}

namespace {

// An absolute position in SendInput's 0..65535 screen units.
INPUT mouse_at(HWND hwnd, int x, int y, DWORD flags) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    const int w = std::max(::GetSystemMetrics(SM_CXSCREEN) - 1, 1);
    const int h = std::max(::GetSystemMetrics(SM_CYSCREEN) - 1, 1);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((static_cast<long long>(pt.x) * 65535 + w / 2) / w);
    in.mi.dy = static_cast<LONG>((static_cast<long long>(pt.y) * 65535 + h / 2) / h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    return in;
}

DWORD button_flag(Button button, bool down) {
    switch (button) {
        case Button::Left: return down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        case Button::Right: return down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
        case Button::Middle: return down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
    }
    return 0;
}

}  // namespace

void move_mouse(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    INPUT in = mouse_at(hwnd, x, y, 0);
    ::SendInput(1, &in, sizeof in);
    // Under Wine the move reaches the pointer a little later than the input
    // is queued; a press sent before that lands where the pointer was, and
    // the first click of a double click then misses the second.
    wait_until(
        [&] {
            POINT now{};
            return ::GetCursorPos(&now) && std::abs(now.x - pt.x) <= 1 && std::abs(now.y - pt.y) <= 1;
        },
        std::chrono::seconds(2));
}

// The presses carry the point themselves: even when the test's view of the
// pointer is ahead of the window's (or a late motion from the display moves
// it back), they land where they were aimed.
void mouse_button(HWND hwnd, int x, int y, Button button, bool down) {
    INPUT in = mouse_at(hwnd, x, y, button_flag(button, down));
    ::SendInput(1, &in, sizeof in);
}

void click(HWND hwnd, int x, int y, Button button) {
    move_mouse(hwnd, x, y);
    INPUT in[2] = {mouse_at(hwnd, x, y, button_flag(button, true)), mouse_at(hwnd, x, y, button_flag(button, false))};
    ::SendInput(2, in, sizeof in[0]);
}

void wheel(HWND hwnd, int x, int y, int delta) {
    move_mouse(hwnd, x, y);
    INPUT in = mouse_at(hwnd, x, y, MOUSEEVENTF_WHEEL);
    in.mi.mouseData = static_cast<DWORD>(delta);
    ::SendInput(1, &in, sizeof in);
}

void double_click(HWND hwnd, int x, int y) {
    click(hwnd, x, y);
    click(hwnd, x, y);
}

HWND find_window_of_class(DWORD pid, const std::wstring& cls) {
    struct State {
        DWORD pid;
        const std::wstring* cls;
        HWND found;
    } state{pid, &cls, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<State*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && ::IsWindowVisible(hwnd) && class_name(hwnd) == *s->cls) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND wait_for_window_of_class(DWORD pid, const std::wstring& cls, std::chrono::milliseconds timeout) {
    HWND hwnd = nullptr;
    wait_until([&] { return (hwnd = find_window_of_class(pid, cls)) != nullptr; }, timeout);
    return hwnd;
}

std::wstring bin_path(const std::wstring& name) {
    std::wstring dir = module_dir();
    if (fs::path(dir).filename() != L"bin") dir = (fs::path(dir).parent_path().parent_path() / L"bin").wstring();
    return (fs::path(dir) / name).wstring();
}

std::string narrow(const std::wstring& ascii) {
    std::string out;
    for (wchar_t c : ascii) out += static_cast<char>(c);
    return out;
}

std::string json_path(const std::wstring& path) {
    std::string out;
    for (wchar_t c : path) {
        if (c == L'\\') out += '\\';
        out += static_cast<char>(c);
    }
    return out;
}

// Read as another program of the user's would, sharing everything: a file
// the app has just renamed into place is still held by it for a moment, and
// an open that denies delete fails then.
std::optional<std::string> read_file(const std::wstring& path) {
    HANDLE h = INVALID_HANDLE_VALUE;
    wait_until([&] {
        h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_SHARING_VIOLATION;
    }, std::chrono::seconds(5));
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string out;
    char buf[65536];
    for (DWORD got = 0; ::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0;) out.append(buf, got);
    ::CloseHandle(h);
    return out;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

bool file_exists(const std::wstring& path) {
    std::error_code ec;
    return fs::exists(fs::path(path), ec);
}

std::vector<std::wstring> list_dir(const std::wstring& dir) {
    std::vector<std::wstring> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(fs::path(dir), ec)) {
        std::wstring n = e.path().filename().wstring();
        if (e.is_directory()) n += L'\\';
        names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace ovelin::testing
