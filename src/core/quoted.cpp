#include "core/quoted.hpp"

#include <cstdio>

#include "core/utf.hpp"

namespace ovelin {

std::string debug_quoted(std::string_view value) {
    std::string out = "\"";
    std::size_t pos = 0;
    while (pos < value.size()) {
        std::size_t start = pos;
        auto cp = next_code_point(value, pos);
        char buf[16];
        if (!cp) {
            std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(value[start]));
            out += buf;
            continue;
        }
        switch (*cp) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case 0: out += "\\0"; break;
            default:
                if (is_control(*cp)) {
                    std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(*cp));
                    out += buf;
                } else {
                    out.append(value.substr(start, pos - start));
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace ovelin
