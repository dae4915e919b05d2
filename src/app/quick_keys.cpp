#include "app/quick_keys.hpp"

namespace ovelin {

// Quick keys arrive with command-line tracking; until then no chord matches.
bool run_quick_key(AppCell&, Host&, unsigned, Modifiers) { return false; }

}  // namespace ovelin
