#pragma once

#include <windows.h>

namespace ovelin::win32 {

// Messages of the main window. Any program may post WM_NEW_TAB; the session
// messages carry a session id in wParam, never a pointer.
inline constexpr UINT WM_NEW_TAB = WM_APP + 1;
inline constexpr UINT WM_TRAY_CALLBACK = WM_APP + 2;
inline constexpr UINT WM_SESSION_OUTPUT = WM_APP + 100;
inline constexpr UINT WM_SESSION_EXIT = WM_APP + 101;
// Posted to itself when the find bar's text changed, to search once the
// change is through (an edit may report a change while it is being made).
inline constexpr UINT WM_FIND_TEXT = WM_APP + 102;
// A focus change that came while a handler held the state (the find edit
// taking or giving back the focus).
inline constexpr UINT WM_FOCUS_CHANGED = WM_APP + 103;

inline constexpr UINT TRAY_ICON_ID = 1;
inline constexpr WORD APP_ICON_ID = 1;  // in ovelin.rc

inline constexpr wchar_t HOST_CLASS[] = L"OvelinHost";
inline constexpr wchar_t CONN_MGR_CLASS[] = L"OvelinConnMgr";
inline constexpr wchar_t PROFILE_EDITOR_CLASS[] = L"OvelinProfileEd";
inline constexpr wchar_t PROMPT_CLASS[] = L"OvelinPrompt";
inline constexpr wchar_t HISTORY_CLASS[] = L"OvelinHistory";

}  // namespace ovelin::win32
