#include "app/app.hpp"

#include <cstdio>
#include <cstdlib>

namespace ovelin {

Session* App::find_session(std::uint64_t id) {
    for (Session& s : sessions)
        if (s.id() == id) return &s;
    return nullptr;
}

std::optional<std::size_t> App::index_of(std::uint64_t id) const {
    for (std::size_t i = 0; i < sessions.size(); ++i)
        if (sessions[i].id() == id) return i;
    return std::nullopt;
}

const TabGroup* App::find_group(std::uint64_t id) const {
    for (const TabGroup& g : groups)
        if (g.id == id) return &g;
    return nullptr;
}

AppCell::Guard AppCell::take(std::source_location where) {
    if (taken_) {
        std::fprintf(stderr, "ovelin: application state taken twice: in %s while held by %s\n",
                     where.function_name(), holder_.function_name());
        std::abort();
    }
    taken_ = true;
    holder_ = where;
    return Guard(*this);
}

}  // namespace ovelin
