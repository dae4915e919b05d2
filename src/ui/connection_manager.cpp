#include "ui/connection_manager.hpp"

#include <algorithm>

#include "core/profile_merge.hpp"
#include "proto/unicode.hpp"

namespace ovelin {

namespace {

constexpr std::string_view DASH = " \xE2\x80\x94 ";

std::string description(const ProfileKind& kind) {
    struct Describe {
        std::string operator()(const LocalShell& k) const { return "local" + std::string(DASH) + k.command; }
        std::string operator()(const Ssh& k) const {
            return "ssh " + (k.user ? *k.user + "@" : std::string()) + k.host + ":" + std::to_string(k.port);
        }
        std::string operator()(const Rdp& k) const { return "rdp " + k.host + ":" + std::to_string(k.port); }
        std::string operator()(const Vnc& k) const { return "vnc " + k.host + ":" + std::to_string(k.port); }
    };
    return std::visit(Describe{}, kind);
}

}  // namespace

DialogLayout connection_manager_layout() {
    using enum ControlKind;
    namespace id = connection_manager_ids;
    return {"Connections",
            520,
            416,
            {
                {Edit, id::FILTER, "", 12, 12, 496, 24},
                {ListBox, id::LIST, "", 12, 44, 496, 320},
                {Button, id::CONNECT, "Connect", 12, 376, 84, 28},
                {Button, id::NEW, "New (Ins)", 104, 376, 72, 28},
                {Button, id::EDIT, "Edit (F2)", 184, 376, 72, 28},
                {Button, id::DUPLICATE, "Duplicate", 264, 376, 88, 28},
                {Button, id::REMOVE, "Delete", 360, 376, 72, 28},
                {Button, id::CLOSE, "Close", 440, 376, 68, 28},
            },
            id::FILTER};
}

std::string profile_line(const ConnectionProfile& p) { return p.name + std::string(DASH) + description(p.kind); }

ConnectionManager::ConnectionManager(std::vector<ConnectionProfile> profiles)
    : original_(profiles), profiles_(std::move(profiles)) {
    refresh();
}

void ConnectionManager::set_filter(std::string_view text) {
    filter_ = to_lower_full(trim_white_space(text));
    refresh();
}

void ConnectionManager::refresh() {
    view_.clear();
    lines_.clear();
    for (std::size_t i = 0; i < profiles_.size(); ++i) {
        const ConnectionProfile& p = profiles_[i];
        if (!filter_.empty() &&
            to_lower_full(p.name + " " + description(p.kind)).find(filter_) == std::string::npos)
            continue;
        view_.push_back(i);
        lines_.push_back(profile_line(p));
    }
    selection_ = view_.empty() ? -1 : 0;
    ++revision_;
}

std::optional<std::size_t> ConnectionManager::selected() const {
    if (selection_ < 0 || static_cast<std::size_t>(selection_) >= view_.size()) return std::nullopt;
    return view_[static_cast<std::size_t>(selection_)];
}

void ConnectionManager::move_selection(int step) {
    if (view_.empty()) return;
    // With nothing selected either key lands on the first line.
    const int next = selection_ < 0 ? 0 : selection_ + step;
    selection_ = std::clamp(next, 0, static_cast<int>(view_.size()) - 1);
}

void ConnectionManager::connect() {
    if (auto i = selected()) {
        chosen_ = *i;
        done_ = true;
    }
}

void ConnectionManager::add(ManagerPrompts& prompts) {
    auto made = prompts.edit_profile(nullptr);
    if (!made) return;
    // Profiles are found by id (quick keys, restored tabs): a new one never
    // shares one, even with a profile copied in by hand.
    if (made->id.empty() || std::any_of(profiles_.begin(), profiles_.end(),
                                        [&](const ConnectionProfile& p) { return p.id == made->id; }))
        made->id = unused_profile_id(profiles_);
    profiles_.push_back(std::move(*made));
    changed_ = true;
    refresh();
}

void ConnectionManager::edit(ManagerPrompts& prompts) {
    auto i = selected();
    if (!i) return;
    const ConnectionProfile copy = profiles_[*i];
    auto edited = prompts.edit_profile(&copy);
    if (!edited) return;
    profiles_[*i] = std::move(*edited);
    changed_ = true;
    refresh();
}

void ConnectionManager::duplicate() {
    auto i = selected();
    if (!i) return;
    ConnectionProfile copy = profiles_[*i];
    copy.id = unused_profile_id(profiles_);
    copy.name += " (copy)";
    profiles_.push_back(std::move(copy));
    changed_ = true;
    refresh();
}

void ConnectionManager::remove(ManagerPrompts& prompts) {
    auto i = selected();
    if (!i) return;
    if (!prompts.confirm("Delete profile \"" + profiles_[*i].name + "\"?")) return;
    profiles_.erase(profiles_.begin() + static_cast<std::ptrdiff_t>(*i));
    changed_ = true;
    refresh();
}

}  // namespace ovelin
