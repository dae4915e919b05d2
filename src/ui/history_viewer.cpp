#include "ui/history_viewer.hpp"

#include "core/history.hpp"

namespace ovelin {

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
