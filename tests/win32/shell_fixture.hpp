#pragma once
// ovelin.exe started on the test shell with a prompt showing, and what the
// tests read back: the clipboard, the screen's copy, the cursor bar.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>

#include "win32/app_fixture.hpp"

namespace ovelin::testing {

using namespace std::chrono_literals;

inline constexpr std::uint32_t CURSOR = rgb(225, 229, 237);
inline constexpr int ORIGIN_X = 6, ORIGIN_Y = 34 + 6;

inline std::optional<std::wstring> clipboard() {
    if (!::OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE h = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(::GlobalLock(h))) {
            text = std::wstring(p);
            ::GlobalUnlock(h);
        }
    }
    ::CloseClipboard();
    return text;
}

inline bool set_clipboard(const std::wstring& text) {
    if (!::OpenClipboard(nullptr)) return false;
    ::EmptyClipboard();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool ok = false;
    if (mem) {
        std::memcpy(::GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        ::GlobalUnlock(mem);
        ok = ::SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
        if (!ok) ::GlobalFree(mem);
    }
    ::CloseClipboard();
    return ok;
}

inline std::optional<Capture> shot(HWND hwnd) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return capture_client(hwnd);
}

// The cursor bar below the tab bar: one cell wide, at the bottom of its row.
struct Bar {
    int left = 1 << 30, right = -1, bottom = -1;
};
inline std::optional<Bar> cursor_bar(HWND hwnd) {
    auto c = shot(hwnd);
    if (!c) return std::nullopt;
    Bar b;
    for (int y = 34; y < c->height; ++y)
        for (int x = 0; x < c->width; ++x)
            if (c->at(x, y) == CURSOR) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
            }
    if (b.right < 0 || b.left <= ORIGIN_X) return std::nullopt;
    return b;
}

inline std::vector<std::wstring> lines_of(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstringstream in(text);
    for (std::wstring line; std::getline(in, line, L'\n');) lines.push_back(line);
    return lines;
}

class ShellTest : public OvelinTest {
protected:
    // Starts with a prompt showing and the window in front.
    HWND start_shell(const std::string& settings = CLOSE_TO_TRAY_OFF) {
        write_config(L"settings.json", settings);
        HWND hwnd = start();
        if (!hwnd) return nullptr;
        EXPECT_TRUE(wait_until([&] { return cursor_bar(hwnd).has_value(); }, 30s)) << "no prompt";
        bring_to_front(hwnd);
        return hwnd;
    }
    // Ctrl+Insert until the screen's copy satisfies the condition. A copy
    // that has not come (yet) is no screen: "not a prompt" must not pass on it.
    std::wstring copy_screen_until(const std::function<bool(const std::wstring&)>& ok) {
        const std::wstring none = L"(nothing copied)";
        std::wstring text;
        wait_until([&] {
            if (!set_clipboard(none)) return false;
            press(VK_INSERT, {VK_CONTROL});
            return wait_until([&] { return (text = clipboard().value_or(none)) != none; }, 2s) && ok(text);
        }, 30s);
        return text;
    }
    // The cell size: the cursor bar's width, and its bottom over the rows
    // down to the prompt (the screen copy keeps leading blank rows).
    std::pair<int, int> cell_size(HWND hwnd, const std::wstring& screen) {
        auto bar = cursor_bar(hwnd);
        EXPECT_TRUE(bar);
        if (!bar) return {8, 16};
        const int rows = static_cast<int>(lines_of(screen).size());
        return {bar->right - bar->left, (bar->bottom - ORIGIN_Y) / std::max(rows, 1)};
    }
};

}  // namespace ovelin::testing
