// ovelin.exe: DPI awareness, window classes, the main window, the loop.

#include <windows.h>

#include <cstdio>

#include "win32/main_window.hpp"
#include "win32/messages.hpp"

namespace {

int fail(const wchar_t* what) {
    DWORD code = ::GetLastError();
    std::fwprintf(stderr, L"ovelin: %ls failed (error %lu)\n", what, static_cast<unsigned long>(code));
    return 1;
}

void register_dialog_class(HINSTANCE instance, HCURSOR cursor, const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);  // a failure shows later as a dialog that cannot open
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace ovelin::win32;

    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!instance) return fail(L"GetModuleHandleW");
    HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    if (!arrow) return fail(L"LoadCursorW");

    if (!MainWindow::register_class(instance, arrow)) return fail(L"RegisterClassExW");
    for (const wchar_t* name : {CONN_MGR_CLASS, PROFILE_EDITOR_CLASS, PROMPT_CLASS, HISTORY_CLASS})
        register_dialog_class(instance, arrow, name);

    static ovelin::AppCell app;
    static MainWindow window(app);
    HWND hwnd = window.create(instance);
    if (!hwnd) return fail(L"CreateWindowExW");
    ::ShowWindow(hwnd, SW_SHOW);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
