// floor_term.exe: the least a pseudo-console terminal can do, the floor that
// ovelin.exe is measured against. Plain Win32 and GDI, nothing of ovelin's:
// the shell (COMSPEC, as ovelin starts it) on a pseudo console, its output
// read on a thread into the last rows of text (no colours, no scrollback),
// and a repaint on every read with one TextOutW per row. Typed characters
// are written to the console from the window's thread.
// FLOOR_UNSHOWN=1: the window is never shown nor painted, the output still
// read (the load of a console's output without its display).

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr UINT WM_OUTPUT = WM_APP + 1;
constexpr COLORREF BACKGROUND = RGB(12, 14, 18), FOREGROUND = RGB(220, 223, 228);

// The text the console shows, as its VT output draws it: printable
// characters, CR, LF, BS, TAB, cursor moves and erases; everything else is
// read past.
struct Rows {
    int rows = 1, cols = 1, row = 0, col = 0;
    std::vector<std::wstring> text;
    enum { Text, Esc, Csi, Osc, OscEsc } state = Text;
    std::string params;
    unsigned code = 0;
    int more = 0;  // continuation bytes of a UTF-8 character still to come

    void resize(int r, int c) {
        rows = std::max(r, 1), cols = std::max(c, 1);
        text.assign(rows, std::wstring(cols, L' '));
        row = col = 0;
    }
    void line_feed() {
        if (++row < rows) return;
        row = rows - 1;
        text.erase(text.begin());
        text.emplace_back(cols, L' ');
    }
    void put(wchar_t ch) {
        if (col >= cols) col = 0, line_feed();
        text[row][col++] = ch;
    }
    int param(std::size_t i, int fallback) const {
        std::size_t at = 0;
        for (; i > 0 && at != std::string::npos; --i) at = params.find(';', at), at += at != std::string::npos;
        if (at == std::string::npos || at >= params.size() || params[at] < '0' || params[at] > '9') return fallback;
        return std::atoi(params.c_str() + at);
    }
    void csi(char final) {
        auto clamp = [](int v, int hi) { return std::clamp(v, 0, hi - 1); };
        switch (final) {
            case 'A': row = clamp(row - param(0, 1), rows); break;
            case 'B': row = clamp(row + param(0, 1), rows); break;
            case 'C': col = clamp(col + param(0, 1), cols); break;
            case 'D': col = clamp(col - param(0, 1), cols); break;
            case 'G': col = clamp(param(0, 1) - 1, cols); break;
            case 'H':
            case 'f': row = clamp(param(0, 1) - 1, rows), col = clamp(param(1, 1) - 1, cols); break;
            case 'K': {
                const int mode = param(0, 0);
                const int from = mode == 0 ? col : 0, to = mode == 1 ? col + 1 : cols;
                std::fill(text[row].begin() + from, text[row].begin() + std::min(to, cols), L' ');
                break;
            }
            case 'J':
                if (param(0, 0) == 2)
                    for (std::wstring& line : text) std::fill(line.begin(), line.end(), L' ');
                break;
            default: break;
        }
    }
    void feed(const char* bytes, DWORD n) {
        for (DWORD i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            switch (state) {
                case Esc:
                    state = b == '[' ? Csi : b == ']' ? Osc : Text;
                    params.clear();
                    continue;
                case Csi:
                    if (b >= 0x40 && b <= 0x7e) csi(static_cast<char>(b)), state = Text;
                    else params += static_cast<char>(b);
                    continue;
                case Osc: state = b == 0x07 ? Text : b == 0x1b ? OscEsc : Osc; continue;
                case OscEsc: state = b == '\\' ? Text : Osc; continue;
                case Text: break;
            }
            if (more > 0 && (b & 0xC0) == 0x80) {
                code = (code << 6) | (b & 0x3F);
                if (--more == 0 && code <= 0xFFFF) put(static_cast<wchar_t>(code));
                continue;
            }
            more = 0;
            if (b >= 0xF0) code = b & 0x07, more = 3;
            else if (b >= 0xE0) code = b & 0x0F, more = 2;
            else if (b >= 0xC0) code = b & 0x1F, more = 1;
            else if (b == 0x1b) state = Esc;
            else if (b == '\r') col = 0;
            else if (b == '\n') line_feed();
            else if (b == '\b') col = std::max(col - 1, 0);
            else if (b == '\t') col = std::min((col / 8 + 1) * 8, cols - 1);
            else if (b >= 0x20 && b < 0x7f) put(static_cast<wchar_t>(b));
        }
    }
};

struct Terminal {
    HWND hwnd = nullptr;
    HFONT font = nullptr;
    int cell_w = 8, cell_h = 16;
    HPCON console = nullptr;
    HANDLE input = nullptr, output = nullptr;
    PROCESS_INFORMATION child{};
    std::thread reader;
    std::mutex mutex;  // guards rows
    Rows rows;
};
Terminal term;

bool start_shell(int rows, int cols) {
    HANDLE in_read, out_write;
    if (!::CreatePipe(&in_read, &term.input, nullptr, 0) || !::CreatePipe(&term.output, &out_write, nullptr, 0))
        return false;
    if (FAILED(::CreatePseudoConsole({static_cast<SHORT>(cols), static_cast<SHORT>(rows)}, in_read, out_write, 0,
                                     &term.console)))
        return false;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> list(size);
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    si.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    ::InitializeProcThreadAttributeList(si.lpAttributeList, 1, 0, &size);
    ::UpdateProcThreadAttribute(si.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, term.console,
                                sizeof term.console, nullptr, nullptr);
    wchar_t shell[MAX_PATH * 2] = L"C:\\Windows\\System32\\cmd.exe";
    ::GetEnvironmentVariableW(L"COMSPEC", shell, MAX_PATH * 2);
    const bool ok = ::CreateProcessW(nullptr, shell, nullptr, nullptr, FALSE, EXTENDED_STARTUPINFO_PRESENT, nullptr,
                                     nullptr, &si.StartupInfo, &term.child);
    ::DeleteProcThreadAttributeList(si.lpAttributeList);
    ::CloseHandle(in_read);
    ::CloseHandle(out_write);
    return ok;
}

bool unshown() {
    static const bool value = ::GetEnvironmentVariableW(L"FLOOR_UNSHOWN", nullptr, 0) > 0;
    return value;
}

void read_output() {
    char buf[8192];
    DWORD got = 0;
    while (::ReadFile(term.output, buf, sizeof buf, &got, nullptr) && got > 0) {
        {
            std::lock_guard lock(term.mutex);
            term.rows.feed(buf, got);
        }
        if (!unshown()) ::PostMessageW(term.hwnd, WM_OUTPUT, 0, 0);
    }
}

void paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(term.hwnd, &ps);
    RECT client;
    ::GetClientRect(term.hwnd, &client);
    ::SetDCBrushColor(dc, BACKGROUND);
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::SelectObject(dc, term.font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, FOREGROUND);
    {
        std::lock_guard lock(term.mutex);
        for (int r = 0; r < term.rows.rows; ++r)
            ::TextOutW(dc, 0, r * term.cell_h, term.rows.text[r].c_str(), term.rows.cols);
    }
    ::EndPaint(term.hwnd, &ps);
}

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_OUTPUT:
            ::InvalidateRect(hwnd, nullptr, FALSE);
            ::UpdateWindow(hwnd);  // a paint for this read, not merged with later ones
            return 0;
        case WM_PAINT: paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_CHAR: {
            const wchar_t ch = wp == '\b' ? 0x7f : static_cast<wchar_t>(wp);
            char utf8[4];
            const int n = ::WideCharToMultiByte(CP_UTF8, 0, &ch, 1, utf8, sizeof utf8, nullptr, nullptr);
            DWORD written;
            if (n > 0) ::WriteFile(term.input, utf8, n, &written, nullptr);
            return 0;
        }
        case WM_DESTROY: ::PostQuitMessage(0); return 0;
        default: return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"FloorTerm";
    ::RegisterClassW(&wc);
    term.hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  1000, 650, nullptr, nullptr, instance, nullptr);
    if (!term.hwnd) return 1;

    // The font ovelin asks for by default: 12 points at the window's DPI.
    const int dpi = std::max<int>(::GetDpiForWindow(term.hwnd), 96);
    term.font = ::CreateFontW(-::MulDiv(12, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FF_MODERN, L"Consolas");
    HDC dc = ::GetDC(term.hwnd);
    ::SelectObject(dc, term.font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::ReleaseDC(term.hwnd, dc);
    term.cell_w = std::max<int>(tm.tmAveCharWidth, 1), term.cell_h = std::max<int>(tm.tmHeight, 1);

    RECT client;
    ::GetClientRect(term.hwnd, &client);
    term.rows.resize(client.bottom / term.cell_h, client.right / term.cell_w);
    if (!start_shell(term.rows.rows, term.rows.cols)) return 2;
    term.reader = std::thread(read_output);
    if (!unshown()) ::ShowWindow(term.hwnd, SW_SHOW);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // Closing the console ends the output, and so the reader.
    ::TerminateProcess(term.child.hProcess, 0);
    ::ClosePseudoConsole(term.console);
    term.reader.join();
    return 0;
}
