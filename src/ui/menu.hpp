#pragma once
// A context menu as plain data: built from the application state, shown by
// the platform, read by tests. Ids are the menu's own; 0 means dismissed.

#include <string>
#include <utility>
#include <vector>

namespace ovelin {

struct MenuItem {
    enum class Kind { Command, Separator, Submenu };
    Kind kind = Kind::Command;
    int id = 0;
    std::string text;  // UTF-8; a "\t" puts the key name right-aligned
    bool checked = false;
    std::vector<MenuItem> items;  // of a submenu

    static MenuItem command(int id, std::string text, bool checked = false) {
        return {Kind::Command, id, std::move(text), checked, {}};
    }
    static MenuItem separator() { return {Kind::Separator, 0, {}, false, {}}; }
    static MenuItem submenu(std::string text, std::vector<MenuItem> items) {
        return {Kind::Submenu, 0, std::move(text), false, std::move(items)};
    }
};

struct Menu {
    std::vector<MenuItem> items;
};

}  // namespace ovelin
