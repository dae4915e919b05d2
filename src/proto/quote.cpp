#include "proto/quote.hpp"

namespace ovelin {

std::string quote_arg(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos) return std::string(arg);

    std::string out;
    out.reserve(arg.size() + 2);
    out += '"';
    std::size_t i = 0;
    while (i < arg.size()) {
        std::size_t backslashes = 0;
        while (i < arg.size() && arg[i] == '\\') ++backslashes, ++i;
        if (i == arg.size()) {
            // Doubled, so that the closing quote stays a quote.
            out.append(2 * backslashes, '\\');
        } else if (arg[i] == '"') {
            out.append(2 * backslashes + 1, '\\');
            out += '"';
            ++i;
        } else {
            out.append(backslashes, '\\');
            out += arg[i];
            ++i;
        }
    }
    out += '"';
    return out;
}

std::string command_line(std::string_view program, const std::vector<std::string>& args) {
    std::string line = quote_arg(program);
    for (const std::string& arg : args) {
        line += ' ';
        line += quote_arg(arg);
    }
    return line;
}

}  // namespace ovelin
