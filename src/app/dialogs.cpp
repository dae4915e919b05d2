#include "app/dialogs.hpp"

namespace ovelin {

// The dialogs arrive with their frame; until then these keys do nothing.
void open_quick_connect(AppCell&, Host&) {}
void open_connection_manager(AppCell&, Host&) {}

}  // namespace ovelin
