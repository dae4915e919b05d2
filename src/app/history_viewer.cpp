#include "app/history_viewer.hpp"

#include <optional>

#include "app/tab_label.hpp"

namespace ovelin {

void open_history_viewer(AppCell& cell, Host& host) {
    std::optional<HistoryViewer> viewer;
    {
        auto app = cell.take();
        // Always the active tab, whichever tab's menu asked.
        if (app->active >= app->sessions.size()) return;
        const Session& s = app->sessions[app->active];
        // The label without the broadcast mark: the failure mark stays.
        const std::string label = (s.exit_code ? "\u2715 " : "") + session_title(s);
        viewer.emplace(app->config_dir, s.record_id, label);
    }
    viewer->fill();
    host.run_history_viewer(*viewer);  // modal: state released
}

}  // namespace ovelin
