#include "win32/save_dialog.hpp"

#include "win32/shell_calls.hpp"

#include <algorithm>
#include <vector>

namespace ovelin::win32 {

std::optional<std::wstring> save_text_file_dialog(HWND owner, const std::wstring& name) {
    // Room for a long path: the dialog fails rather than cut one.
    std::vector<wchar_t> path(32768, L'\0');
    name.copy(path.data(), std::min(name.size(), path.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.lpstrDefExt = L"txt";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!get_save_file_name(&ofn)) return std::nullopt;
    return std::wstring(path.data());
}

}  // namespace ovelin::win32
