#include "win32/shell_calls.hpp"

namespace ovelin::win32 {

namespace {

// From the system folder only: a library of that name beside the program or
// in the current folder is never loaded instead.
HMODULE system_library(const wchar_t* name) { return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); }

template <class F>
F* system_function(const wchar_t* library, const char* name) {
    HMODULE module = system_library(library);  // kept loaded: the pointer outlives the call
    if (!module) return nullptr;
    return reinterpret_cast<F*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

void preload_shell() {
    HANDLE thread = ::CreateThread(
        nullptr, 64 * 1024,
        [](void*) -> DWORD {
            system_library(L"shell32.dll");
            return 0;
        },
        nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread) ::CloseHandle(thread);
}

BOOL shell_notify_icon(DWORD message, NOTIFYICONDATAW* data) {
    static auto* const call = system_function<decltype(::Shell_NotifyIconW)>(L"shell32.dll", "Shell_NotifyIconW");
    return call ? call(message, data) : FALSE;
}

void shell_open(const wchar_t* target) {
    static auto* const call = system_function<decltype(::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
    if (call) call(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

BOOL get_save_file_name(OPENFILENAMEW* dialog) {
    static auto* const call = system_function<decltype(::GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
    return call ? call(dialog) : FALSE;
}

}  // namespace ovelin::win32
