// ovelin_drive: small actions on a running ovelin.exe for scripts/run.
//   ovelin_drive screenshot NAME   waits for the window, saves build/windows/screenshots/NAME
//   ovelin_drive type TEXT         types TEXT and Enter into the ovelin window
//   ovelin_drive key VK [ctrl] [shift]  presses one key (hex virtual-key code),
//                                  with Ctrl and Shift held when named
//   ovelin_drive close             posts WM_CLOSE to an ovelin window
//   ovelin_drive start             starts ovelin.exe with the test shell as
//                                  COMSPEC and waits for it to end

#include <cstdio>
#include <cwchar>
#include <string>

#include "win32/driver.hpp"

using namespace ovelin::testing;

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: ovelin_drive screenshot NAME | type TEXT | close\n");
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
        // Wait for the shell's prompt: the cursor bar moves past the first
        // cells (below the tab bar, whose text has the cursor's colour too).
        std::optional<Capture> shot;
        const auto has_cursor = [](const Capture& c) {
            for (int y = 34; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    if (x > 20 && c.at(x, y) == rgb(225, 229, 237)) return true;
            return false;
        };
        wait_until(
            [&] {
                ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                shot = capture_client(hwnd);
                return shot && has_cursor(*shot);
            },
            std::chrono::seconds(30));
        if (!shot) return 1;
        std::wstring path = save_screenshot(*shot, argv[2]);
        if (path.empty()) return 1;
        std::wprintf(L"%ls\n", path.c_str());
        return 0;
    }
    if (verb == L"start") {
        Environment env = current_environment();
        env[L"COMSPEC"] = bin_path(L"test_shell.exe");
        Process app = start_process(ovelin_exe(), L"", env);
        if (!app) return 1;
        auto code = app.wait_exit(std::chrono::hours(24 * 365));
        return code ? static_cast<int>(*code) : 1;
    }
    if (verb == L"type" && argc >= 3) {
        HWND hwnd = ::FindWindowW(L"OvelinHost", nullptr);
        if (!hwnd) return 1;
        bring_to_front(hwnd);
        type_text(argv[2]);
        press(VK_RETURN);
        return 0;
    }
    if (verb == L"key" && argc >= 3) {
        HWND hwnd = ::FindWindowW(L"OvelinHost", nullptr);
        if (!hwnd) return 1;
        bring_to_front(hwnd);
        const auto vk = static_cast<WORD>(std::wcstoul(argv[2], nullptr, 16));
        bool ctrl = false, shift = false;
        for (int i = 3; i < argc; ++i) {
            ctrl |= std::wstring(argv[i]) == L"ctrl";
            shift |= std::wstring(argv[i]) == L"shift";
        }
        if (ctrl && shift)
            press(vk, {VK_CONTROL, VK_SHIFT});
        else if (ctrl || shift)
            press(vk, {static_cast<WORD>(ctrl ? VK_CONTROL : VK_SHIFT)});
        else
            press(vk);
        return 0;
    }
    if (verb == L"close") {
        if (HWND hwnd = ::FindWindowW(L"OvelinHost", nullptr)) ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return 2;
}
