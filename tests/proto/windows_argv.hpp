#pragma once
// A reference of how the Microsoft C runtime splits a command line into
// main's argv (the rules of the 2008 and later runtimes), written from its
// documented behaviour and independent of the quoting code under test.
// Works on UTF-8: every character with a meaning is ASCII.
//
// The program name: up to the first space or tab outside double quotes;
// quotes toggle and are dropped, backslashes are plain characters.
// Every later argument: spaces and tabs outside quotes separate; 2n
// backslashes before a quote give n backslashes and the quote toggles
// quoting; 2n+1 give n backslashes and a literal quote; backslashes not
// before a quote are literal; inside quotes, "" is a literal quote.

#include <string>
#include <string_view>
#include <vector>

namespace ovelin::testing {

inline std::vector<std::string> split_windows_command_line(std::string_view line) {
    std::vector<std::string> argv;
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return k < line.size() ? line[k] : '\0'; };
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };

    std::string program;
    bool quoted = false;
    while (i < line.size() && (quoted || !blank(line[i]))) {
        if (line[i] == '"')
            quoted = !quoted;
        else
            program += line[i];
        ++i;
    }
    argv.push_back(program);

    for (;;) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i >= line.size()) break;
        std::string arg;
        quoted = false;
        while (i < line.size()) {
            std::size_t slashes = 0;
            while (at(i) == '\\') ++slashes, ++i;
            if (at(i) == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    arg += '"';
                    ++i;
                } else if (quoted && at(i + 1) == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
                continue;
            }
            arg.append(slashes, '\\');
            if (i >= line.size() || (!quoted && blank(line[i]))) break;
            arg += line[i++];
        }
        argv.push_back(std::move(arg));
    }
    return argv;
}

}  // namespace ovelin::testing
