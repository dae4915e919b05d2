// flood.exe LINES: writes that many short lines to its console, one write
// each, as fast as it can, then exits with 0; for the output-flood test.

#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const long lines = std::wcstol(argv[1], nullptr, 10);
    HANDLE out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 1;
    char line[64];
    for (long i = 0; i < lines; ++i) {
        const int n = std::snprintf(line, sizeof line, "flood line %ld\r\n", i);
        DWORD written = 0;
        if (!::WriteFile(out, line, static_cast<DWORD>(n), &written, nullptr)) return 1;
    }
    return 0;
}
