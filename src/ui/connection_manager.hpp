#pragma once
// The connection manager: a working copy of the profiles, filtered into the
// list the user sees, and what each command does to it. The platform shows
// lines() and selection() after every command.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/records.hpp"
#include "ui/dialog_layout.hpp"

namespace ovelin {

namespace connection_manager_ids {
inline constexpr int FILTER = 100;
inline constexpr int LIST = 101;
inline constexpr int CONNECT = 110;
inline constexpr int NEW = 111;
inline constexpr int EDIT = 112;
inline constexpr int DUPLICATE = 113;
inline constexpr int REMOVE = 114;
inline constexpr int CLOSE = 115;
}  // namespace connection_manager_ids

DialogLayout connection_manager_layout();

// "name — description", the description by kind ("ssh alice@h:22").
std::string profile_line(const ConnectionProfile& p);

// What the manager asks of the user while it runs.
class ManagerPrompts {
public:
    virtual ~ManagerPrompts() = default;
    // The profile editor, on a copy of the profile or on a new one.
    virtual std::optional<ConnectionProfile> edit_profile(const ConnectionProfile* profile) = 0;
    virtual bool confirm(const std::string& text) = 0;
};

class ConnectionManager {
public:
    explicit ConnectionManager(std::vector<ConnectionProfile> profiles);

    // The filter edit's trimmed text; refreshes the list.
    void set_filter(std::string_view text);
    const std::vector<std::string>& lines() const { return lines_; }
    // Bumped whenever lines() is rebuilt, so the list box is refilled only then.
    unsigned revision() const { return revision_; }
    int selection() const { return selection_; }
    // The list box's own selection (the user clicked); -1 for none.
    void select(int line) { selection_ = line; }
    void move_selection(int step);

    void connect();
    void add(ManagerPrompts& prompts);
    void edit(ManagerPrompts& prompts);
    void duplicate();
    void remove(ManagerPrompts& prompts);
    void close() { done_ = true; }

    bool done() const { return done_; }
    bool changed() const { return changed_; }
    // The list as it was opened, and as it is now.
    const std::vector<ConnectionProfile>& original() const { return original_; }
    const std::vector<ConnectionProfile>& profiles() const { return profiles_; }
    // The profile picked with Connect: the line chosen, even when another
    // profile shares its id.
    const ConnectionProfile* chosen() const { return chosen_ ? &profiles_[*chosen_] : nullptr; }

private:
    // The working-list index of the selected line, if any.
    std::optional<std::size_t> selected() const;
    void refresh();

    std::vector<ConnectionProfile> original_;
    std::vector<ConnectionProfile> profiles_;
    std::string filter_;  // lower-cased
    std::vector<std::size_t> view_;
    std::vector<std::string> lines_;
    unsigned revision_ = 0;
    int selection_ = -1;
    bool changed_ = false;
    bool done_ = false;
    std::optional<std::size_t> chosen_;  // index into profiles_
};

}  // namespace ovelin
