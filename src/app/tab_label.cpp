#include "app/tab_label.hpp"

#include <mutex>

namespace ovelin {

std::string session_title(const Session& s) {
    if (!s.custom_title && s.pty) {
        const auto& locked = s.pty->screen();
        std::lock_guard lock(locked->mutex);
        if (!locked->screen.title().empty()) return locked->screen.title();
    }
    return s.title;
}

std::string tab_label(const App& app, const Session& s) {
    std::string label;
    if (s.exit_code) label += "\u2715 ";
    if (s.group && app.broadcast_groups.contains(*s.group)) label += "\u00bb ";
    return label + session_title(s);
}

}  // namespace ovelin
