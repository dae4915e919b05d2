#pragma once
// The history viewer's model: the lines tracked for one tab, copying one,
// and resetting this tab's or every tab's history. The window (win32/) lays
// out `history_layout`, asks the confirm questions and shows `lines()`.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog_layout.hpp"

namespace ovelin {

namespace history_id {
inline constexpr int LIST = 400;
inline constexpr int COPY = 401;
inline constexpr int RESET_SESSION = 402;
inline constexpr int RESET_ALL = 403;
inline constexpr int CLOSE = 404;
}  // namespace history_id

// The dialog's window: list box first (it has the first focus), four buttons.
DialogLayout history_layout(const std::string& title);

inline constexpr const char* RESET_SESSION_QUESTION = "Reset the tracked history for this session?";
inline constexpr const char* RESET_ALL_QUESTION = "Reset ALL tracked history for every session? This cannot be undone.";

class HistoryViewer {
public:
    // `label` is the tab's label without its broadcast mark.
    HistoryViewer(std::optional<std::filesystem::path> config_dir, std::string record_id, const std::string& label);

    const std::string& title() const { return title_; }
    const std::vector<std::string>& lines() const { return lines_; }

    // Reads the tab's history again, oldest first; nothing when it cannot.
    void fill();
    // The line to copy for a list index, if the index shows one.
    std::optional<std::string> line_at(int index) const;
    // After the user's answer: on yes delete and fill again; errors are silent.
    void reset_session(bool confirmed);
    void reset_all(bool confirmed);

private:
    std::optional<std::filesystem::path> config_dir_;
    std::string record_id_;
    std::string title_;
    std::vector<std::string> lines_;
};

}  // namespace ovelin
