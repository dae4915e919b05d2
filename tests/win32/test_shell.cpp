// test_shell.exe: cmd.exe on the console this program was started on.
//
// Under Wine a pseudo-console child receives its parent's standard handles
// (or none) instead of the console's, so cmd.exe started directly would not
// talk to the pseudo console. This opens CONIN$ and CONOUT$, makes them the
// standard handles and starts cmd.exe on them with our arguments. For tests
// only (COMSPEC points here).

#include <windows.h>

#include <string>

int wmain() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE in = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    HANDLE out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 90;
    ::SetStdHandle(STD_INPUT_HANDLE, in);
    ::SetStdHandle(STD_OUTPUT_HANDLE, out);
    ::SetStdHandle(STD_ERROR_HANDLE, out);

    // Our arguments, after our own program name, go to cmd.exe.
    std::wstring self = ::GetCommandLineW();
    std::size_t rest = 0;
    if (!self.empty() && self[0] == L'"') {
        rest = self.find(L'"', 1);
        rest = rest == std::wstring::npos ? self.size() : rest + 1;
    } else {
        rest = self.find_first_of(L" \t");
        if (rest == std::wstring::npos) rest = self.size();
    }
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring cmd_exe = std::wstring(system) + L"\\cmd.exe";
    std::wstring command = L"\"" + cmd_exe + L"\"" + self.substr(rest);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = out;
    // cmd.exe ends with us: ovelin ends a closed tab's program, which is this
    // one, and under Wine the closed console does not end cmd.exe by itself,
    // so every closed tab would leave a shell behind.
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(cmd_exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                          &si, &pi))
        return 91;
    if (job) ::AssignProcessToJobObject(job, pi.hProcess);
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
