#pragma once
// Sets or clears an environment variable for the length of a scope.

#include <cstdlib>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "core/utf.hpp"
#endif

namespace ovelin::testing {

inline void set_env(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    auto wide = [](const std::string& s) {
        std::u16string u = utf8_to_utf16(s);
        return std::wstring(u.begin(), u.end());
    };
    ::SetEnvironmentVariableW(wide(name).c_str(), value ? wide(*value).c_str() : nullptr);
#else
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
#endif
}

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        set_env(name_, value);
    }
    ~ScopedEnv() { set_env(name_, old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace ovelin::testing
