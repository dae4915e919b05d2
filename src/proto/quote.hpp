#pragma once
// Windows command lines: one text that the started program's C runtime
// splits back into its arguments.

#include <string>
#include <string_view>
#include <vector>

namespace ovelin {

// One argument in the form the C runtime's splitter turns back into exactly
// that argument. Works on UTF-8: the bytes that matter are all ASCII.
std::string quote_arg(std::string_view arg);

// quote_arg of each argument, joined by single spaces.
std::string join_arguments(const std::vector<std::string>& args);

// quote_arg of the program, then one space and quote_arg of each argument.
std::string command_line(std::string_view program, const std::vector<std::string>& args);

// The arguments in a command line's text after the program name, split as
// the C runtime splits them: spaces and tabs outside double quotes separate;
// 2n backslashes before a quote give n and the quote opens or closes a
// quoted part, 2n+1 give n and a literal quote; "" inside quotes is a quote.
// What join_arguments makes comes back unchanged.
std::vector<std::string> split_arguments(std::string_view text);

}  // namespace ovelin
