#pragma once
// The few calls into shell32 and comdlg32, with those libraries loaded when
// first needed rather than with the program: under Wine they bring a dozen
// more with them, which held the program's start back by about 70 ms before
// any of its code ran. shell32 is wanted at once for the notification icon,
// so a thread begins loading it as the program starts.

#include <windows.h>
#include <shellapi.h>
#include <commdlg.h>

namespace ovelin::win32 {

// Starts loading shell32 on a thread of its own; returns at once.
void preload_shell();

// As Shell_NotifyIconW, ShellExecuteW and GetSaveFileNameW; a library that
// cannot be loaded answers as a failed call.
BOOL shell_notify_icon(DWORD message, NOTIFYICONDATAW* data);
void shell_open(const wchar_t* target);
BOOL get_save_file_name(OPENFILENAMEW* dialog);

}  // namespace ovelin::win32
