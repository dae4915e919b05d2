#include "app/clipboard.hpp"

namespace ovelin {

// The clipboard arrives with selection; until then these keys do nothing.
void paste_clipboard(AppCell&, Host&) {}
void copy_screen(AppCell&, Host&) {}

}  // namespace ovelin
