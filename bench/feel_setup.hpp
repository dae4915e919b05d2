#pragma once
// The feel bench's lab: a scratch folder with the texts the shells print,
// configuration folders for ovelin, and the two terminals started in them
// as the desktop starts a program (no standard handles, the test shell as
// COMSPEC so that cmd.exe talks to the pseudo console under Wine).

#include <string>
#include <vector>

#include "feel_probe.hpp"

namespace feel {

class Lab {
public:
    Lab();
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    // Multi-megabyte plain text, for `type` in a loop.
    const std::wstring& flood_file() const { return flood_; }
    // More than 10,000 lines of 120 columns, coloured, for a full scrollback.
    const std::wstring& colour_file() const { return colour_; }
    double colour_bytes() const { return colour_bytes_; }

    // A fresh APPDATA: "empty" holds no ovelin folder at all.
    std::wstring empty_appdata();
    // A fresh APPDATA whose ovelin folder restores `commands.size()` tabs,
    // the last one active; an empty command is the plain shell.
    std::wstring restoring_appdata(const std::vector<std::wstring>& commands, const std::string& font_pt = "12");

    // `cmd /c` running `what` through the test shell, as a profile command.
    std::wstring shell_running(const std::wstring& what) const;
    // A command printing the flood file over and over.
    std::wstring flood_loop() const;
    // `count` flood loops on pseudo consoles of unshown floors: their output
    // read and dropped, nothing painted (the floods' own load).
    std::vector<Process> unshown_floods(int count) const;

private:
    std::wstring root_, flood_, colour_;
    double colour_bytes_ = 0;
    int made_ = 0;
};

struct Terminal {
    Process process;
    HWND hwnd = nullptr;
    int text_top = 0;  // first pixel row of terminal text (below ovelin's tab bar)
    double started_ms = 0;  // from CreateProcess to the first frame showing the prompt
    explicit operator bool() const { return hwnd != nullptr; }
};

// The floor (floor_term.exe) and ovelin (its trace build), started now; the
// call returns once the prompt shows (or with an empty window after 60 s).
Terminal start_floor(const Environment& env);
Terminal start_ovelin(const Environment& env, const std::wstring& appdata);
// The environment both start with: this one, COMSPEC the test shell.
Environment lab_environment(const std::wstring& comspec_tail = L"");

// Ends the program and everything it started.
void stop(Terminal& t);

// Moves the window so its client area's top left is at (x, y) with the
// given client size.
void place(const Terminal& t, int x, int y, int width, int height);

}  // namespace feel
