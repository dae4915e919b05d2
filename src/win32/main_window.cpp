#include "win32/main_window.hpp"

#include <shellapi.h>

#include <algorithm>

#include "app/lifecycle.hpp"
#include "win32/handles.hpp"
#include "win32/messages.hpp"

namespace ovelin::win32 {

namespace {
constexpr COLORREF BACKGROUND = RGB(12, 14, 18);
}

bool MainWindow::register_class(HINSTANCE instance, HCURSOR cursor) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &MainWindow::proc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = nullptr;  // the paint covers every pixel
    wc.lpszClassName = HOST_CLASS;
    return ::RegisterClassExW(&wc) != 0;
}

HWND MainWindow::create(HINSTANCE instance) {
    return ::CreateWindowExW(0, HOST_CLASS, L"ovelin", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                             CW_USEDEFAULT, 1000, 650, nullptr, nullptr, instance, this);
}

LRESULT CALLBACK MainWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    MainWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->handle(msg, wp, lp);
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            on_create(cell_, *this);
            return 0;
        case WM_DESTROY:
            on_destroy(cell_, *this);
            return 0;
        case WM_CLOSE:
            on_close(cell_, *this);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paint();
            return 0;
        case WM_SIZE:
            repaint();
            return 0;
        case WM_SETFOCUS:
            return 0;
        case WM_TRAY_CALLBACK:
            if (wp != TRAY_ICON_ID) break;
            if (lp == WM_LBUTTONUP || lp == WM_LBUTTONDBLCLK) on_tray_activate(cell_, *this);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd_, &ps);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int width = std::max<int>(client.right - client.left, 1);
    const int height = std::max<int>(client.bottom - client.top, 1);

    UniqueMemoryDc mem(::CreateCompatibleDC(dc));
    UniqueGdiObject bitmap(::CreateCompatibleBitmap(dc, width, height));
    if (mem && bitmap) {
        SelectGuard keep_bitmap(mem.get(), bitmap.get());
        UniqueGdiObject brush(::CreateSolidBrush(BACKGROUND));
        RECT all{0, 0, width, height};
        ::FillRect(mem.get(), &all, static_cast<HBRUSH>(brush.get()));
        ::SetBkMode(mem.get(), TRANSPARENT);
        ::BitBlt(dc, 0, 0, width, height, mem.get(), 0, 0, SRCCOPY);
    }
    ::EndPaint(hwnd_, &ps);
}

void MainWindow::repaint() { ::InvalidateRect(hwnd_, nullptr, FALSE); }

ClientSize MainWindow::client_size() {
    RECT r{};
    if (!::GetClientRect(hwnd_, &r)) return {};
    return {r.right - r.left, r.bottom - r.top};
}

bool MainWindow::add_tray_icon() {
    HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    if (!icon) return false;
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = TRAY_ICON_ID;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAY_CALLBACK;
    nid.hIcon = icon;
    ::lstrcpynW(nid.szTip, L"ovelin", ARRAYSIZE(nid.szTip));
    return ::Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void MainWindow::remove_tray_icon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = TRAY_ICON_ID;
    ::Shell_NotifyIconW(NIM_DELETE, &nid);
}

void MainWindow::hide_window() { ::ShowWindow(hwnd_, SW_HIDE); }

void MainWindow::restore_window() {
    ::ShowWindow(hwnd_, SW_RESTORE);
    ::SetForegroundWindow(hwnd_);
}

void MainWindow::destroy_window() { ::DestroyWindow(hwnd_); }

void MainWindow::quit(int exit_code) { ::PostQuitMessage(exit_code); }

}  // namespace ovelin::win32
