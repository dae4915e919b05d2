#pragma once
// The profile editor: one set of five label-and-edit rows serves every
// profile kind. The form is what the controls hold; saving turns it into a
// profile or the first validation message.

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/records.hpp"
#include "ui/dialog_layout.hpp"

namespace ovelin {

namespace profile_editor_ids {
inline constexpr int KIND = 200;
inline constexpr int NAME = 201;
inline constexpr int GROUP = 202;
inline constexpr int COLOR = 203;
inline constexpr int ROW_LABEL = 220;  // + row; labels the kind relabels
inline constexpr int ROW_EDIT = 210;   // + row
inline constexpr int FULLSCREEN = 230;
inline constexpr int ADMIN = 231;
inline constexpr int OK = 240;
inline constexpr int CANCEL = 241;
}  // namespace profile_editor_ids

inline constexpr int PROFILE_ROWS = 5;

// The longest text an edit takes: a value that reaches a command line can
// be no longer than the longest one Windows starts (32767 units with the
// terminating NUL), and no saved value needs more. A port needs six ("+65535").
inline constexpr int FIELD_LIMIT = 32766;
inline constexpr int PORT_LIMIT = 6;
inline constexpr std::array<const char*, 4> KIND_NAMES{"Local shell", "SSH", "RDP", "VNC"};

struct KindRows {
    std::array<std::string_view, PROFILE_ROWS> labels;  // empty: row hidden
    bool check_boxes;                                   // the RDP options
};

// The rows of the kind at this list index; anything outside counts as 0.
const KindRows& kind_rows(int kind_index);

struct ProfileForm {
    int kind = 0;  // list index
    std::string name;
    std::string group;
    int color = 0;  // 0 "Default", then the eight group colours
    std::array<std::string, PROFILE_ROWS> rows;
    bool fullscreen = false;
    bool admin = false;
    bool operator==(const ProfileForm&) const = default;
};

// The title and controls; each drop-down's items are in its row's
// text, separated by '\n'.
DialogLayout profile_editor_layout(bool editing);

// What the controls show for a profile, or for a new one.
ProfileForm fill_form(const ConnectionProfile* profile);

// A port row's value: blank, not a decimal number (a leading '+' allowed),
// 0 or above 65535 give the kind's default.
std::uint16_t read_port(std::string_view text, std::uint16_t fallback);


// The profile the form describes, or the message that keeps the dialog open.
// An edited profile keeps its id; a new one gets a fresh one.
std::expected<ConnectionProfile, std::string> save_form(const ProfileForm& form, const ConnectionProfile* editing);

}  // namespace ovelin
