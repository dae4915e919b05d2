#include "app/app.hpp"

#include <cstdio>
#include <cstdlib>

namespace ovelin {

AppCell::Guard AppCell::take() {
    if (taken_) {
        std::fputs("ovelin: application state taken twice\n", stderr);
        std::abort();
    }
    taken_ = true;
    return Guard(*this);
}

}  // namespace ovelin
