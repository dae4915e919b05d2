// Stands in for a program we start (ssh.exe): writes the command line it
// was given and the arguments its C runtime split from it, UTF-8, each
// ended by a NUL, to the file named by OVELIN_RECORD_FILE, and its own
// file's path (which copy ran) to that name with ".image" added. With
// OVELIN_RECORD_STAY set it then waits until it is ended.

#include <windows.h>

#include <tlhelp32.h>

#include <string>

namespace {

std::string utf8(const wchar_t* w) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string s(static_cast<std::size_t>(n - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

void wait_for_parent() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    ::CloseHandle(snapshot);
    HANDLE process = parent ? ::OpenProcess(SYNCHRONIZE, FALSE, parent) : nullptr;
    if (!process) return;
    ::WaitForSingleObject(process, 120000);
    ::CloseHandle(process);
}

bool write_whole(const std::wstring& path, const std::string& bytes) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    ::CloseHandle(f);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t path[32768];
    if (!::GetEnvironmentVariableW(L"OVELIN_RECORD_FILE", path, 32768)) return 2;
    wchar_t self[32768] = {};
    ::GetModuleFileNameW(nullptr, self, 32768);
    // First, so that whoever sees the record also finds the image.
    if (!write_whole(std::wstring(path) + L".image", utf8(self))) return 3;
    std::string record = utf8(::GetCommandLineW());
    record += '\0';
    for (int i = 0; i < argc; ++i) {
        record += utf8(argv[i]);
        record += '\0';
    }
    const bool ok = write_whole(path, record);
    // Standing in for a session that stays open: until the program that
    // started it ends (a terminated parent ends no child of its own).
    if (ok && ::GetEnvironmentVariableW(L"OVELIN_RECORD_STAY", path, 32768)) wait_for_parent();
    return ok ? 0 : 4;
}
