#pragma once
// The Remote Desktop connection file: its lines and its unique name.

#include <cstdint>
#include <string>
#include <vector>

#include "core/records.hpp"

namespace ovelin {

std::vector<std::string> rdp_file_lines(const Rdp& rdp);

// The lines, each ended by CR LF; UTF-8 without a byte-order mark.
std::string rdp_file_content(const Rdp& rdp);

// "ovelin-{pid}-{number}-{nanos}.rdp".
std::string rdp_file_name(std::uint32_t pid, std::uint64_t number, std::uint64_t nanos);

// The process-wide connection file counter: 0 for the first file.
std::uint64_t next_connection_file_number();

}  // namespace ovelin
