// ovelin_drive: small actions on a running ovelin.exe for scripts/run.
//   ovelin_drive screenshot NAME   waits for the window, saves build/windows/screenshots/NAME
//   ovelin_drive close             posts WM_CLOSE to every ovelin window

#include <cstdio>
#include <string>

#include "win32/driver.hpp"

using namespace ovelin::testing;

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: ovelin_drive screenshot NAME | close\n");
        return 2;
    }
    std::wstring verb = argv[1];
    if (verb == L"screenshot" && argc >= 3) {
        HWND hwnd = nullptr;
        if (!wait_until([&] { return (hwnd = ::FindWindowW(L"OvelinHost", nullptr)) != nullptr; },
                        std::chrono::seconds(60))) {
            std::fwprintf(stderr, L"no ovelin window\n");
            return 1;
        }
        std::optional<Capture> shot;
        wait_until([&] {
            ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            shot = capture_client(hwnd);
            return shot.has_value();
        });
        if (!shot) return 1;
        std::wstring path = save_screenshot(*shot, argv[2]);
        if (path.empty()) return 1;
        std::wprintf(L"%ls\n", path.c_str());
        return 0;
    }
    if (verb == L"close") {
        while (HWND hwnd = ::FindWindowW(L"OvelinHost", nullptr)) {
            ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
            if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
            break;
        }
        return 0;
    }
    return 2;
}
