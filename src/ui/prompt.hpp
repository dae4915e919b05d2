#pragma once
// The one-line text prompt: its layout and what an entry gives.

#include <optional>
#include <string>
#include <string_view>

#include "ui/dialog_layout.hpp"

namespace ovelin {

namespace prompt_ids {
inline constexpr int EDIT = 301;
inline constexpr int OK = 302;
inline constexpr int CANCEL = 303;
}  // namespace prompt_ids

DialogLayout prompt_layout(std::string title, std::string label, std::string initial);

// The accepted text: trimmed, and nothing when it is blank (as Cancel).
std::optional<std::string> prompt_answer(std::string_view typed);

inline constexpr std::string_view QUICK_CONNECT_TITLE = "Quick connect";
inline constexpr std::string_view QUICK_CONNECT_LABEL = "SSH target \xE2\x80\x94 [user@]host[:port]:";

}  // namespace ovelin
