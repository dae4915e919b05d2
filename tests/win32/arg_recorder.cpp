// Stands in for a program we start (ssh.exe): writes the command line it
// was given and the arguments its C runtime split from it, UTF-8, each
// ended by a NUL, to the file named by OVELIN_RECORD_FILE.

#include <windows.h>

#include <string>

namespace {

std::string utf8(const wchar_t* w) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string s(static_cast<std::size_t>(n - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t path[32768];
    if (!::GetEnvironmentVariableW(L"OVELIN_RECORD_FILE", path, 32768)) return 2;
    std::string record = utf8(::GetCommandLineW());
    record += '\0';
    for (int i = 0; i < argc; ++i) {
        record += utf8(argv[i]);
        record += '\0';
    }
    HANDLE f = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    const bool ok = ::WriteFile(f, record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
                    written == record.size();
    ::CloseHandle(f);
    return ok ? 0 : 4;
}
