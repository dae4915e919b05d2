// ovelin.exe: DPI awareness, window classes, the main window, the loop.

#include <windows.h>

#include <cstdio>

#include "win32/dialog_frame.hpp"
#include "win32/main_window.hpp"
#include "win32/messages.hpp"
#include "win32/shell_calls.hpp"

namespace {

int fail(const wchar_t* what) {
    DWORD code = ::GetLastError();
    std::fwprintf(stderr, L"ovelin: %ls failed (error %lu)\n", what, static_cast<unsigned long>(code));
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace ovelin::win32;

    preload_shell();  // for the notification icon, while the window is made
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!instance) return fail(L"GetModuleHandleW");
    HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    if (!arrow) return fail(L"LoadCursorW");

    if (!MainWindow::register_class(instance, arrow)) return fail(L"RegisterClassExW");
    register_dialog_classes(instance, arrow);

    static ovelin::AppCell app;
    static MainWindow window(app);
    HWND hwnd = window.create(instance);
    if (!hwnd) return fail(L"CreateWindowExW");
    ::ShowWindow(hwnd, SW_SHOW);
    window.started();

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
