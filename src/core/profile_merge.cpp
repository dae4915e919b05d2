#include "core/profile_merge.hpp"

#include <algorithm>
#include <map>
#include <utility>

#include "core/ids.hpp"

namespace ovelin {

namespace {

// A profile's id and how many earlier profiles of its list share it.
using Key = std::pair<std::string, std::size_t>;

std::vector<Key> keys_of(const std::vector<ConnectionProfile>& profiles) {
    std::map<std::string, std::size_t> seen;
    std::vector<Key> keys;
    keys.reserve(profiles.size());
    for (const ConnectionProfile& p : profiles) keys.emplace_back(p.id, seen[p.id]++);
    return keys;
}

std::map<Key, const ConnectionProfile*> index_of(const std::vector<ConnectionProfile>& profiles) {
    std::map<Key, const ConnectionProfile*> index;
    const std::vector<Key> keys = keys_of(profiles);
    for (std::size_t i = 0; i < profiles.size(); ++i) index.emplace(keys[i], &profiles[i]);
    return index;
}

bool has_id(const std::vector<ConnectionProfile>& profiles, const std::string& id) {
    return std::any_of(profiles.begin(), profiles.end(), [&](const ConnectionProfile& p) { return p.id == id; });
}

}  // namespace

std::string unused_profile_id(const std::vector<ConnectionProfile>& profiles) {
    // Ids made in this process never repeat; one made by another process in
    // the same millisecond, or copied by hand, can.
    for (;;) {
        std::string id = new_id("p");
        if (!has_id(profiles, id)) return id;
    }
}

std::vector<ConnectionProfile> merge_profile_changes(const std::vector<ConnectionProfile>& before,
                                                     const std::vector<ConnectionProfile>& after,
                                                     std::vector<ConnectionProfile> on_disk) {
    const auto old_index = index_of(before);
    const auto new_index = index_of(after);

    std::vector<ConnectionProfile> merged;
    const std::vector<Key> disk_keys = keys_of(on_disk);
    for (std::size_t i = 0; i < on_disk.size(); ++i) {
        const Key& key = disk_keys[i];
        const bool known = old_index.contains(key);
        const auto now = new_index.find(key);
        if (known && now == new_index.end()) continue;  // deleted here
        if (known && *now->second != *old_index.at(key))
            merged.push_back(*now->second);  // edited here
        else
            merged.push_back(std::move(on_disk[i]));
    }
    const std::vector<Key> new_keys = keys_of(after);
    for (std::size_t i = 0; i < after.size(); ++i) {
        const Key& key = new_keys[i];
        const auto old = old_index.find(key);
        if (old != old_index.end()) {
            // Edited here but gone there: the edit is the newer word.
            if (after[i] != *old->second && std::find(disk_keys.begin(), disk_keys.end(), key) == disk_keys.end())
                merged.push_back(after[i]);
            continue;
        }
        ConnectionProfile added = after[i];
        if (has_id(merged, added.id)) added.id = unused_profile_id(merged);
        merged.push_back(std::move(added));
    }
    return merged;
}

}  // namespace ovelin
