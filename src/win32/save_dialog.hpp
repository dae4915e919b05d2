#pragma once
// The system's Save As dialog for a text file.

#include <windows.h>

#include <optional>
#include <string>

namespace ovelin::win32 {

// Offers `name` in the current folder; the chosen path, nothing on Cancel.
// Asks before replacing a file.
std::optional<std::wstring> save_text_file_dialog(HWND owner, const std::wstring& name);

}  // namespace ovelin::win32
