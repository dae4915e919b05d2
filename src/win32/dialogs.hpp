#pragma once
// The program's dialogs on the shared frame, each owned by `owner`.

#include <windows.h>

#include <optional>
#include <string>

#include "core/records.hpp"
#include "ui/connection_manager.hpp"
#include "ui/history_viewer.hpp"

namespace ovelin::win32 {

// The one-line prompt: the trimmed entry, nothing for Cancel or blank.
std::optional<std::string> run_prompt(HWND owner, const std::string& title, const std::string& label,
                                      const std::string& initial);

// The profile editor on a copy of `profile`, or on a new one.
std::optional<ConnectionProfile> run_profile_editor(HWND owner, const ConnectionProfile* profile);

// The connection manager over the model until it is closed.
void run_connection_manager(HWND owner, ConnectionManager& manager);

// The history viewer over the model until it is closed; copies with the dialog as owner.
void run_history_viewer(HWND owner, HistoryViewer& viewer);

}  // namespace ovelin::win32
