#pragma once
// Copy and paste between the active session and the system clipboard.

#include "app/app.hpp"
#include "app/host.hpp"

namespace ovelin {

// Pastes the clipboard's text into the active session (Enter for line ends,
// bracketed when the program asks for it).
void paste_clipboard(AppCell& cell, Host& host);
// Copies the active session's visible screen as text.
void copy_screen(AppCell& cell, Host& host);

}  // namespace ovelin
