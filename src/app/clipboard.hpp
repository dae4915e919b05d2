#pragma once
// Copy and paste between the active session and the system clipboard.

#include <string>
#include <string_view>

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// The bytes a paste sends: every line ending as the Enter key's CR; with
// bracketed paste the text between the markers, stripped of every ESC so
// that nothing inside can end the paste early.
std::string paste_bytes(std::string_view text, bool bracketed);

// The screen's rows from history line `top` on (the live screen from its top
// line) as copied text: without the trailing line feeds, spaces and tabs;
// empty when nothing is on them.
std::string screen_copy_text(const Screen& screen, std::uint64_t top);

// Pastes the clipboard's text into the active session (one write, which
// reaches a broadcasting group like typed input). Text with a line ending
// that would reach two or more live tabs is pasted only after a Yes.
void paste_clipboard(AppCell& cell, Host& host);
// Copies what the active session's view shows, at its offset, as text.
void copy_screen(AppCell& cell, Host& host);

}  // namespace ovelin
