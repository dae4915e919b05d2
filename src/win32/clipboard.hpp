#pragma once
// The clipboard as Unicode text (CF_UNICODETEXT), UTF-8 on our side.

#include <windows.h>

#include <optional>
#include <string>

namespace ovelin::win32 {

// Replaces the clipboard's content, opened for `owner`; false when nothing
// was copied (the clipboard then stays as it was, nothing leaks).
bool set_clipboard_text(HWND owner, const std::string& utf8);

// The text up to its first NUL or the end of the block; nullopt without
// text or when it is not valid UTF-16.
std::optional<std::string> clipboard_text(HWND owner);

}  // namespace ovelin::win32
