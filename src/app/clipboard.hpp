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

// The visible screen as copied text: without the trailing line feeds,
// spaces and tabs; empty when nothing is on it.
std::string screen_copy_text(const Screen& screen);

// Pastes the clipboard's text into the active session (one write, which
// reaches a broadcasting group like typed input). Text with a line ending
// that would reach two or more live tabs is pasted only after a Yes.
void paste_clipboard(AppCell& cell, Host& host);
// Copies the active session's visible screen as text.
void copy_screen(AppCell& cell, Host& host);

}  // namespace ovelin
