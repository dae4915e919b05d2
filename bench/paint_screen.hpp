#pragma once
// A colourful screen for the paint benchmarks: runs of 1 to 12 cells in
// random palette, 256-colour and RGB colours, some inverse.

#include <random>
#include <string>

// One row of `cols` cells, from where the cursor is; the pen is reset after.
inline std::string colourful_line(std::mt19937& rng, int cols) {
    std::string s;
    int c = 0;
    while (c < cols) {
        const int len = 1 + static_cast<int>(rng() % 12);
        switch (rng() % 4) {
            case 0: s += "\x1b[3" + std::to_string(rng() % 8) + ";4" + std::to_string(rng() % 8) + "m"; break;
            case 1: s += "\x1b[38;5;" + std::to_string(rng() % 256) + "m"; break;
            case 2: s += "\x1b[38;2;" + std::to_string(rng() % 256) + ";90;" + std::to_string(rng() % 256) + "m"; break;
            default: s += "\x1b[7m"; break;
        }
        for (int i = 0; i < len && c < cols; ++i, ++c) s += static_cast<char>('a' + rng() % 26);
        s += "\x1b[0m";
    }
    return s;
}

inline std::string colourful_screen_bytes(int rows, int cols, unsigned seed = 11) {
    std::mt19937 rng(seed);
    std::string s = "\x1b[H";
    for (int r = 0; r < rows; ++r) s += "\x1b[" + std::to_string(r + 1) + ";1H" + colourful_line(rng, cols);
    return s;
}
