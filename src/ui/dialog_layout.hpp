#pragma once
// A dialog's controls as plain data at 96-DPI coordinates; the platform
// turns each row into a real control of that kind.

#include <string>
#include <vector>

namespace ovelin {

enum class ControlKind { Label, Edit, Button, CheckBox, DropDown, ListBox };

struct ControlRow {
    ControlKind kind;
    int id;  // 0 for labels nothing reads
    std::string text;
    int x, y, width, height;
    int limit = 0;  // an edit's longest text in UTF-16 units; 0: the platform's default
};

struct DialogLayout {
    std::string title;
    int width, height;  // client area at 96 DPI
    std::vector<ControlRow> controls;
    int focus_id;  // the control that has the keyboard focus at open
};

}  // namespace ovelin
