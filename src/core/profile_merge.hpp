#pragma once
// One window's changes to the profile list, laid over what another window
// saved meanwhile, so that neither window's work is dropped.

#include <string>
#include <vector>

#include "core/records.hpp"

namespace ovelin {

// Applies the changes from `before` to `after` (additions, edits and
// deletions, matched by id; profiles sharing an id are told apart by their
// order among themselves) onto `on_disk`. Edits replace in place, additions
// are appended in their order; an edit of a profile deleted meanwhile is
// kept, appended. An addition whose id is already taken gets a new one.
std::vector<ConnectionProfile> merge_profile_changes(const std::vector<ConnectionProfile>& before,
                                                     const std::vector<ConnectionProfile>& after,
                                                     std::vector<ConnectionProfile> on_disk);

// A profile id that no profile of `profiles` has.
std::string unused_profile_id(const std::vector<ConnectionProfile>& profiles);

}  // namespace ovelin
