// What a downloaded ovelin.exe carries: the version resource and our own
// icon, read back through the system's own calls; and the exe taken out of
// the release zip (OVELIN_PACKAGED_EXE, set by scripts/test after
// scripts/package) starting and taking input like the build's.

#include <gtest/gtest.h>

#include <cstdlib>

#include "win32/app_fixture.hpp"

namespace ovelin::testing {
namespace {

using namespace std::chrono_literals;

std::optional<std::wstring> packaged_exe() {
    const wchar_t* path = ::_wgetenv(L"OVELIN_PACKAGED_EXE");
    if (!path || !*path) return std::nullopt;
    return path;
}

// The build's exe, and the packaged one when there is one.
std::vector<std::wstring> exes() {
    std::vector<std::wstring> out{ovelin_exe()};
    if (auto p = packaged_exe()) out.push_back(*p);
    return out;
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST(Release, TheExeCarriesTheProjectVersionAndItsNames) {
    const std::wstring version = widen(OVELIN_EXPECTED_VERSION);
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::swscanf(version.c_str(), L"%u.%u.%u", &major, &minor, &patch), 3);
    const struct {
        const wchar_t* name;
        std::wstring value;
    } strings[] = {
        {L"FileVersion", version},
        {L"ProductVersion", version},
        {L"ProductName", L"ovelin"},
        {L"FileDescription", L"ovelin \u2014 tabbed terminal and connection manager"},
        {L"OriginalFilename", L"ovelin.exe"},
        {L"LegalCopyright", L"Copyright (c) 2026 the ovelin developers"},
    };
    for (const std::wstring& exe : exes()) {
        SCOPED_TRACE(narrow(exe));
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version resource";
        std::vector<BYTE> data(size);
        ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
        EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor);
        EXPECT_EQ(fixed->dwFileVersionLS, patch << 16);
        EXPECT_EQ(fixed->dwProductVersionMS, (major << 16) | minor);
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

        for (const auto& s : strings) {
            wchar_t* text = nullptr;
            const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.name;
            ASSERT_TRUE(::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &len))
                << narrow(s.name);
            EXPECT_TRUE(std::wstring(text) == s.value) << narrow(s.name);
        }
    }
}

struct Module {
    HMODULE handle;
    explicit Module(const std::wstring& path)
        : handle(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~Module() {
        if (handle) ::FreeLibrary(handle);
    }
};

BOOL CALLBACK first_name(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
    *reinterpret_cast<std::optional<ULONG_PTR>*>(out) = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
    return FALSE;
}

TEST(Release, TheExesFirstIconIsOursInEverySizeTheShellUses) {
    for (const std::wstring& exe : exes()) {
        SCOPED_TRACE(narrow(exe));
        Module module(exe);
        ASSERT_NE(module.handle, nullptr);

        // The first icon group the shell finds is id 1, with every size.
        std::optional<ULONG_PTR> first;
        ::EnumResourceNamesW(module.handle, RT_GROUP_ICON, first_name, reinterpret_cast<LONG_PTR>(&first));
        EXPECT_EQ(first, std::optional<ULONG_PTR>(1));
        HRSRC found = ::FindResourceW(module.handle, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
        ASSERT_NE(found, nullptr);
        const auto* group = static_cast<const BYTE*>(::LockResource(::LoadResource(module.handle, found)));
        ASSERT_NE(group, nullptr);
        std::vector<int> sizes;
        const WORD count = *reinterpret_cast<const WORD*>(group + 4);
        for (WORD i = 0; i < count; ++i) {
            const BYTE width = group[6 + 14 * i];
            const WORD bits = *reinterpret_cast<const WORD*>(group + 6 + 14 * i + 6);
            sizes.push_back(width == 0 ? 256 : width);
            EXPECT_EQ(bits, 32);
        }
        EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 256}));

        HICON icon = static_cast<HICON>(::LoadImageW(module.handle, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP bm{};
        ::GetObjectW(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 32);
        EXPECT_EQ(bm.bmHeight, 32);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);

        // Drawn on black: the product's blue with a light glyph, corners clear.
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC dc = ::CreateCompatibleDC(nullptr);
        HBITMAP dib = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(dc, dib);
        ::DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
        ::GdiFlush();
        const auto* px = static_cast<const std::uint32_t*>(bits);
        int blue = 0, light = 0;
        for (int i = 0; i < 32 * 32; ++i) {
            blue += (px[i] & 0xFFFFFF) == rgb(30, 78, 121);
            light += (px[i] & 0xFFFFFF) == rgb(236, 240, 245);
        }
        EXPECT_GT(blue, 32 * 32 / 2);
        EXPECT_GT(light, 32 * 32 / 10);
        EXPECT_EQ(px[0] & 0xFFFFFF, 0u) << "the corner is not transparent";
        ::SelectObject(dc, old);
        ::DeleteObject(dib);
        ::DeleteDC(dc);
        ::DestroyIcon(icon);
    }
}

class Package : public OvelinTest {};

TEST_F(Package, TheUnzippedExeStartsAndRunsCommands) {
    const auto exe = packaged_exe();
    if (!exe) GTEST_SKIP() << "OVELIN_PACKAGED_EXE is not set (scripts/test sets it after scripts/package)";
    ASSERT_TRUE(file_exists(*exe)) << narrow(*exe);
    Environment env = current_environment();
    env[L"APPDATA"] = appdata_;
    env[L"COMSPEC"] = bin_path(L"test_shell.exe");
    app_ = start_process(*exe, L"", env, appdata_);
    ASSERT_TRUE(app_);
    HWND hwnd = wait_for_main_window(app_);
    ASSERT_NE(hwnd, nullptr);
    // The prompt with its cursor bar, as the build's exe shows it.
    std::optional<Capture> shot;
    ASSERT_TRUE(wait_until(
        [&] {
            ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            shot = capture_client(hwnd);
            if (!shot) return false;
            for (int y = 40; y < shot->height; ++y)
                for (int x = 7; x < shot->width; ++x)
                    if (shot->at(x, y) == rgb(225, 229, 237)) return true;
            return false;
        },
        30s));
    bring_to_front(hwnd);
    const std::wstring hello = appdata_ + L"\\hello.txt";
    type_text(L"echo packaged>" + hello + L"\r");
    EXPECT_TRUE(wait_until([&] { return read_file(hello).value_or("").starts_with("packaged"); }, 30s));
    if ((shot = capture_client(hwnd))) save_screenshot(*shot, L"packaged.png");
    EXPECT_TRUE(wait_until([&] { return saved_sessions() == 1; }));
}

}  // namespace
}  // namespace ovelin::testing
