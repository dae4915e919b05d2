#pragma once
// The text shown for a tab, shared by the bar, tile headers, cards, menus
// and the history viewer.

#include <string>

#include "app/app.hpp"

namespace ovelin {

// The stored title, or the program's own title while the user gave none.
// Without marks: what a rename starts from. Reads the screen under its lock.
std::string session_title(const Session& s);

// session_title with its marks: "✕ " when the program failed and the tab
// stays open, then "» " when its group broadcasts input.
std::string tab_label(const App& app, const Session& s);

}  // namespace ovelin
