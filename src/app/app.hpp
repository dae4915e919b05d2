#pragma once
// The one application state of the process, reached only from the UI thread
// through AppCell, which refuses to hand it out twice.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/store.hpp"

namespace ovelin {

enum class ViewMode { Single, TileGroup, TileAll, BrowseGroups };

// settings, profiles, aliases and quick_keys come from Configuration.
struct App : Configuration {
    std::optional<std::filesystem::path> config_dir;

    std::size_t active = 0;
    ViewMode view_mode = ViewMode::Single;
    bool help_visible = false;
    bool tray_added = false;
    std::optional<char16_t> pending_high_surrogate;
    std::int32_t cell_width = 1;
    std::int32_t cell_height = 1;
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
    // process stops rather than let two handlers change the tabs at once.
    [[nodiscard]] Guard take();
    bool taken() const { return taken_; }

private:
    App app_;
    bool taken_ = false;
};

}  // namespace ovelin
