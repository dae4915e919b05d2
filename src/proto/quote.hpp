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

// quote_arg of the program, then one space and quote_arg of each argument.
std::string command_line(std::string_view program, const std::vector<std::string>& args);

}  // namespace ovelin
