#include "proto/rdp_file.hpp"

#include <atomic>

namespace ovelin {

std::vector<std::string> rdp_file_lines(const Rdp& rdp) {
    std::vector<std::string> lines;
    if (rdp.port == 3389)
        lines.push_back("full address:s:" + rdp.host);
    else
        lines.push_back("full address:s:" + rdp.host + ":" + std::to_string(rdp.port));
    if (rdp.user) {
        if (rdp.domain)
            lines.push_back("username:s:" + *rdp.domain + "\\" + *rdp.user);
        else
            lines.push_back("username:s:" + *rdp.user);
    }
    lines.push_back(std::string("screen mode id:i:") + (rdp.fullscreen ? "2" : "1"));
    if (rdp.admin) lines.push_back("administrative session:i:1");
    return lines;
}

std::string rdp_file_content(const Rdp& rdp) {
    std::string content;
    for (const std::string& line : rdp_file_lines(rdp)) {
        content += line;
        content += "\r\n";
    }
    return content;
}

std::string rdp_file_name(std::uint32_t pid, std::uint64_t number, std::uint64_t nanos) {
    return "ovelin-" + std::to_string(pid) + "-" + std::to_string(number) + "-" + std::to_string(nanos) + ".rdp";
}

std::uint64_t next_connection_file_number() {
    // Separate from the identifier counter: only connection files draw on it.
    static std::atomic<std::uint64_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace ovelin
