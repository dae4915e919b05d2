// sgr_sample.exe: writes one line to its console: four cells on 256-colour
// background 196, "UNDER" underlined, then "BOLD" in bold and "BOLD" plain.

#include <windows.h>

#include <cstring>

int wmain() {
    HANDLE out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 1;
    const char line[] = "\x1b[48;5;196m    \x1b[0m\x1b[4mUNDER\x1b[0m \x1b[1mBOLD\x1b[0m BOLD\r\n";
    DWORD written = 0;
    return ::WriteFile(out, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr) ? 0 : 1;
}
