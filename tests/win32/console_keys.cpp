// console_keys.exe FILE N: writes "ready" to FILE, then reads the console's
// input records until N keys other than Shift, Ctrl and Alt went down and
// writes each as "VK CTRL SHIFT ALT" (hex key code, 0 or 1 for each
// modifier), one a line: what a console program sees of the keys the
// terminal sends.

#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const long wanted = std::wcstol(argv[2], nullptr, 10);
    HANDLE in = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return 1;
    ::SetConsoleMode(in, ENABLE_WINDOW_INPUT);  // raw records, no line editing
    std::FILE* out = _wfopen(argv[1], L"wb");
    if (!out) return 1;
    std::fputs("ready\n", out);
    std::fflush(out);
    for (long seen = 0; seen < wanted;) {
        INPUT_RECORD r{};
        DWORD n = 0;
        if (!::ReadConsoleInputW(in, &r, 1, &n)) return 1;
        if (n != 1 || r.EventType != KEY_EVENT || !r.Event.KeyEvent.bKeyDown) continue;
        // The console reports a modifier's own press before the key it modifies.
        const WORD vk = r.Event.KeyEvent.wVirtualKeyCode;
        if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) continue;
        const DWORD state = r.Event.KeyEvent.dwControlKeyState;
        std::fprintf(out, "%02X %d %d %d\n", vk,
                     (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0, (state & SHIFT_PRESSED) != 0,
                     (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0);
        ++seen;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
