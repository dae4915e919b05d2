#pragma once
// "Save output…": a session's history and screen as a text file the user
// picks in the system's Save As dialog.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// The name offered: the tab's title with what Windows refuses in file names
// replaced (a device name such as CON gets a leading "_"), then ".txt".
std::string output_file_name(std::string_view label);

// The main grid's history and screen by the copy rules, each line ending in
// CR LF; empty when there is no text at all.
std::string output_text(const Screen& screen);

// Writes through a temporary file beside `path`, then renames it over
// `path`, so a failed write leaves no half file; the error, if any.
std::error_code write_output(const std::filesystem::path& path, std::string_view bytes);

// Asks where, then writes; a failure is shown with its reason.
void save_output(AppCell& cell, Host& host, std::uint64_t session_id);

}  // namespace ovelin
