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

std::string join_arguments(const std::vector<std::string>& args) {
    std::string line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) line += ' ';
        line += quote_arg(args[i]);
    }
    return line;
}

std::string command_line(std::string_view program, const std::vector<std::string>& args) {
    std::string line = quote_arg(program);
    if (!args.empty()) line += ' ' + join_arguments(args);
    return line;
}

std::vector<std::string> split_arguments(std::string_view text) {
    std::vector<std::string> args;
    const auto blank = [&](std::size_t i) { return i < text.size() && (text[i] == ' ' || text[i] == '\t'); };
    std::size_t i = 0;
    for (;;) {
        while (blank(i)) ++i;
        if (i >= text.size()) return args;
        std::string arg;
        bool quoted = false;
        while (i < text.size() && (quoted || !blank(i))) {
            std::size_t slashes = 0;
            while (i < text.size() && text[i] == '\\') ++slashes, ++i;
            if (i < text.size() && text[i] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    arg += '"';
                } else if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    arg += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(slashes, '\\');
                if (i < text.size() && (quoted || !blank(i))) arg += text[i++];
            }
        }
        args.push_back(std::move(arg));
    }
}

}  // namespace ovelin
