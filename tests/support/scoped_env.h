#pragma once
// Sets an environment variable for the life of the object and restores the
// old value (or its absence) afterwards; SDL reads its driver choices there.
#include <cstdlib>
#include <string>

namespace testsupport {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) {
            hadOld = true;
            oldValue = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (hadOld) setenv(name, oldValue.c_str(), 1);
        else unsetenv(name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name;
    bool hadOld = false;
    std::string oldValue;
};

}  // namespace testsupport
