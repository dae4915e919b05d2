// console_size.exe FILE: writes the size of the console it runs on to FILE,
// as "ROWSxCOLS", for the resize test.

#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    HANDLE out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (out == INVALID_HANDLE_VALUE || !::GetConsoleScreenBufferInfo(out, &info)) return 1;
    FILE* f = _wfopen(argv[1], L"w");
    if (!f) return 1;
    std::fprintf(f, "%dx%d", info.srWindow.Bottom - info.srWindow.Top + 1, info.srWindow.Right - info.srWindow.Left + 1);
    return std::fclose(f) == 0 ? 0 : 1;
}
