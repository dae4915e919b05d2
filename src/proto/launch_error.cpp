#include "proto/launch_error.hpp"

namespace ovelin {

std::string LaunchError::detail() const { return kind_ == Kind::Io ? code_.message() : text_; }

std::string LaunchError::message() const {
    switch (kind_) {
        case Kind::InvalidProfile: return "invalid profile: " + text_;
        case Kind::ProgramNotFound: return "program not found: " + text_;
        case Kind::Io: return "i/o error: " + code_.message();
    }
    return text_;
}

}  // namespace ovelin
