#include "ui/history_viewer.hpp"

#include "core/history.hpp"

namespace ovelin {

DialogLayout history_layout(const std::string& title) {
    return {title, 520, 384,
            {{ControlKind::ListBox, history_id::LIST, "", 12, 12, 496, 320},
             {ControlKind::Button, history_id::COPY, "Copy line", 12, 344, 120, 28},
             {ControlKind::Button, history_id::RESET_SESSION, "Reset session history", 140, 344, 140, 28},
             {ControlKind::Button, history_id::RESET_ALL, "Reset ALL history", 288, 344, 120, 28},
             {ControlKind::Button, history_id::CLOSE, "Close", 424, 344, 84, 28}},
            history_id::LIST};
}

HistoryViewer::HistoryViewer(std::optional<std::filesystem::path> config_dir, std::string record_id,
                             const std::string& label)
    : config_dir_(std::move(config_dir)), record_id_(std::move(record_id)), title_("History \u2014 " + label) {}

void HistoryViewer::fill() {
    lines_.clear();
    if (!config_dir_) return;
    auto entries = load_history(*config_dir_, record_id_);
    if (!entries) return;
    for (HistoryEntry& e : *entries) lines_.push_back(std::move(e.line));
}

std::optional<std::string> HistoryViewer::line_at(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= lines_.size()) return std::nullopt;
    return lines_[static_cast<std::size_t>(index)];
}

void HistoryViewer::reset_session(bool confirmed) {
    if (!confirmed) return;
    (void)reset_history(config_dir_, record_id_);
    fill();
}

void HistoryViewer::reset_all(bool confirmed) {
    if (!confirmed) return;
    (void)reset_all_history(config_dir_);
    fill();
}

}  // namespace ovelin
