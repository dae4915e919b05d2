#pragma once
// The one application state of the process, reached only from the UI thread
// through AppCell, which refuses to hand it out twice.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <source_location>
#include <vector>

#include "app/deferred_delete.hpp"
#include "app/report_state.hpp"
#include "app/scroll_state.hpp"
#include "app/selection_state.hpp"
#include "app/session.hpp"
#include "core/store.hpp"
#include "ui/cell_metrics.hpp"
#include "ui/find_matches.hpp"

namespace ovelin {

enum class ViewMode { Single, TileGroup, TileAll, BrowseGroups };

// The in-place rename of a tab or a group, at most one at a time; the edit
// control itself belongs to the window.
struct RenameState {
    enum class Target { None, Tab, Group };
    Target target = Target::None;
    std::uint64_t id = 0;  // session id or group id
};

// A press on a collapsed group's slot expands it at once; when that press
// turns out to be the first of a double click (a rename), it is undone.
struct PressExpansion {
    std::uint64_t group = 0;
    std::optional<std::uint64_t> active_before;  // session id
};

// The find bar: open over one session's view at most.
struct FindState {
    bool open = false;
    std::uint64_t session_id = 0;
    std::string text;
    std::optional<FindNeedle> needle;
    std::vector<FoundSpan> matches;     // in the order of the lines
    std::optional<LinePoint> current;   // the start of the match gone to
    // What was searched: lines above `searched_top` keep their matches.
    std::uint64_t screen = 0, clock = 0, searched_top = 0;
    bool alternate = false;
};

// settings, profiles, aliases and quick_keys come from Configuration.
struct App : Configuration {
    std::optional<std::filesystem::path> config_dir;

    std::vector<Session> sessions;  // tab order
    std::vector<TabGroup> groups;
    std::uint64_t next_group_id = 0;  // the last id handed out
    std::set<std::uint64_t> broadcast_groups;
    std::vector<std::uint64_t> browse_path;
    std::size_t browse_cursor = 0;

    std::size_t active = 0;
    ViewMode view_mode = ViewMode::Single;
    bool help_visible = false;
    bool tray_added = false;
    std::optional<char16_t> pending_high_surrogate;
    // The last key-down was taken by the window (a shortcut, a quick key, a
    // browser or ended-tab key): the characters the platform made of it are
    // not typed. They arrive before the next key-down or key-up.
    bool key_taken = false;
    CellMetrics metrics;  // of the terminal font: cell_width, cell_height, glyph_height
    RenameState rename;
    std::optional<PressExpansion> press_expansion;  // by the last press in the bar
    Selection selection;
    WheelState wheel;
    ThumbDrag thumb_drag;
    FindState find;
    MouseReportState mouse_report;
    FocusReportState focus_report;
    // Connection files of started clients, deleted a few seconds later.
    DeferredDeletes connection_files;

    // The session with this id, or nullptr.
    Session* find_session(std::uint64_t id);
    std::optional<std::size_t> index_of(std::uint64_t id) const;
    const TabGroup* find_group(std::uint64_t id) const;
};

class AppCell {
public:
    class Guard {
    public:
        explicit Guard(AppCell& cell) : cell_(cell) {}
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        ~Guard() { cell_.taken_ = false; }
        App* operator->() const { return &cell_.app_; }
        App& operator*() const { return cell_.app_; }

    private:
        AppCell& cell_;
    };

    // Taking the state while it is already taken is a program fault: the
    // process stops rather than let two handlers change the tabs at once,
    // and says which two.
    [[nodiscard]] Guard take(std::source_location where = std::source_location::current());
    bool taken() const { return taken_; }

private:
    App app_;
    bool taken_ = false;
    std::source_location holder_;
};

}  // namespace ovelin
