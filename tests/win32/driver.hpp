#pragma once
// Drives the real ovelin.exe from outside, as the desktop and a user would:
// starts it with a chosen environment, finds its window, sends messages,
// reads pixels and files.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ovelin::testing {

std::wstring module_dir();
std::wstring ovelin_exe();
// build/windows/screenshots, created on first use.
std::wstring screenshot_dir();
std::wstring make_temp_dir();
void remove_tree(const std::wstring& dir);

// Environment names compare case-insensitively, as Windows does.
struct EnvLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    }
};
using Environment = std::map<std::wstring, std::wstring, EnvLess>;
Environment current_environment();

class Process {
public:
    Process() = default;
    Process(PROCESS_INFORMATION pi) : process_(pi.hProcess), pid_(pi.dwProcessId) { ::CloseHandle(pi.hThread); }
    Process(Process&& o) noexcept : process_(std::exchange(o.process_, nullptr)), pid_(o.pid_) {}
    Process& operator=(Process&& o) noexcept {
        std::swap(process_, o.process_);
        pid_ = o.pid_;
        return *this;
    }
    ~Process();

    explicit operator bool() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_; }
    bool running() const;
    // The exit code, or nullopt when the process still runs after the wait.
    std::optional<DWORD> wait_exit(std::chrono::milliseconds timeout) const;
    void terminate();

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Starts a program with no standard handles and the given environment.
Process start_process(const std::wstring& exe, const std::wstring& args, const Environment& env,
                      const std::wstring& cwd = L"");

template <class Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The top-level OvelinHost window of that process (visible or not).
HWND find_main_window(DWORD pid);
HWND wait_for_main_window(const Process& p, std::chrono::milliseconds timeout = std::chrono::seconds(30));

std::wstring class_name(HWND hwnd);
std::wstring window_text(HWND hwnd);

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    // (r << 16) | (g << 8) | b
    std::uint32_t at(int x, int y) const {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
    }
};
constexpr std::uint32_t rgb(int r, int g, int b) {
    return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
}

std::optional<Capture> capture_client(HWND hwnd);
// Saves under screenshot_dir(); gives the full path or an empty text.
std::wstring save_screenshot(const Capture& c, const std::wstring& name);

// Real keystrokes through SendInput to the foreground window. The window is
// made that, with the focus in it, waiting a while for it; false if it never was.
bool bring_to_front(HWND hwnd);
void press(WORD vk, std::initializer_list<WORD> modifiers = {});
void type_text(const std::wstring& text);

// Real mouse input through SendInput at a point of the window's client area
// (the pointer moves there first). A double click is two clicks in a row.
enum class Button { Left, Right, Middle };
void move_mouse(HWND hwnd, int x, int y);
void click(HWND hwnd, int x, int y, Button button = Button::Left);
void double_click(HWND hwnd, int x, int y);
void mouse_button(HWND hwnd, int x, int y, Button button, bool down);
// The wheel turned by `delta` (120 a notch, positive away from the user)
// with the pointer at a point of the client area.
void wheel(HWND hwnd, int x, int y, int delta);

// A top-level window of that process with the class, or nullptr (a popup
// menu is "#32768", a message box "#32770").
HWND find_window_of_class(DWORD pid, const std::wstring& cls);
HWND wait_for_window_of_class(DWORD pid, const std::wstring& cls,
                              std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The path of a program built beside the tests (bin/NAME).
std::wstring bin_path(const std::wstring& name);

// ASCII texts between the driver's wide strings and file contents.
std::string narrow(const std::wstring& ascii);
// A Windows path as a JSON string body (backslashes doubled).
std::string json_path(const std::wstring& path);

std::optional<std::string> read_file(const std::wstring& path);
bool write_file(const std::wstring& path, const std::string& bytes);
bool file_exists(const std::wstring& path);
std::vector<std::wstring> list_dir(const std::wstring& dir);  // names, sorted; folders end with '\'

}  // namespace ovelin::testing
