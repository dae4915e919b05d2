#include "win32/clipboard.hpp"

#include <cstring>
#include <utility>

#include "core/utf.hpp"

namespace ovelin::win32 {

namespace {

// Global memory we still own: freed unless handed to the clipboard.
class OwnedGlobal {
public:
    explicit OwnedGlobal(HGLOBAL h) : h_(h) {}
    OwnedGlobal(const OwnedGlobal&) = delete;
    OwnedGlobal& operator=(const OwnedGlobal&) = delete;
    ~OwnedGlobal() {
        if (h_) ::GlobalFree(h_);
    }
    HGLOBAL get() const { return h_; }
    HGLOBAL release() { return std::exchange(h_, nullptr); }

private:
    HGLOBAL h_;
};

// Another program (a clipboard manager, a reader) may hold the clipboard for
// a moment; a copy or paste waits briefly for it rather than being lost.
class OpenClipboard {
public:
    explicit OpenClipboard(HWND owner) {
        for (int attempt = 1; !(open_ = ::OpenClipboard(owner) != FALSE) && attempt < 20; ++attempt) ::Sleep(10);
    }
    OpenClipboard(const OpenClipboard&) = delete;
    OpenClipboard& operator=(const OpenClipboard&) = delete;
    ~OpenClipboard() {
        if (open_) ::CloseClipboard();
    }
    explicit operator bool() const { return open_; }

private:
    bool open_ = false;
};

class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) : h_(h), p_(::GlobalLock(h)) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    ~GlobalLockGuard() {
        if (p_) ::GlobalUnlock(h_);
    }
    void* get() const { return p_; }

private:
    HGLOBAL h_;
    void* p_;
};

}  // namespace

bool set_clipboard_text(HWND owner, const std::string& utf8) {
    std::u16string text = utf8_to_utf16(utf8);
    text.push_back(u'\0');
    OwnedGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, text.size() * sizeof(char16_t)));
    if (!memory.get()) return false;
    {
        GlobalLockGuard lock(memory.get());
        if (!lock.get()) return false;
        std::memcpy(lock.get(), text.data(), text.size() * sizeof(char16_t));
    }
    OpenClipboard clipboard(owner);
    if (!clipboard || !::EmptyClipboard()) return false;
    // Once handed over the memory is the system's.
    if (!::SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
    memory.release();
    return true;
}

std::optional<std::string> clipboard_text(HWND owner) {
    std::u16string units;
    {
        OpenClipboard clipboard(owner);
        if (!clipboard) return std::nullopt;
        HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        if (!data) return std::nullopt;
        GlobalLockGuard lock(static_cast<HGLOBAL>(data));
        if (!lock.get()) return std::nullopt;
        // The block may hold no NUL at all: never read past its end.
        const std::size_t max = ::GlobalSize(static_cast<HGLOBAL>(data)) / sizeof(char16_t);
        const char16_t* p = static_cast<const char16_t*>(lock.get());
        std::size_t n = 0;
        while (n < max && p[n] != u'\0') ++n;
        units.assign(p, n);
    }
    return utf16_to_utf8(units);
}

}  // namespace ovelin::win32
