#pragma once
// Sets an environment variable for the life of the object and restores the
// old value (or its absence) afterwards; SDL reads its driver choices there.
#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        if (const char* previous = std::getenv(name)) old = previous;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
    ScopedEnv(const ScopedEnv&) = delete;   // one restore per setting

private:
    const char* name;
    std::optional<std::string> old;
};

}  // namespace testsupport
