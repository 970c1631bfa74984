#pragma once
// Qu::Error: the engine's exception type for programming faults, and its
// small owned string. Owns one NUL-terminated heap block, never null.
// Thrown by value, caught by reference. Copies are deep.

namespace Qu {

class Error {
public:
    explicit Error(const char* message);
    Error(const Error& other);
    ~Error();
    // Throws Error("self assignment is not allowed") when given itself;
    // reuses its own block when the source text fits.
    Error& operator=(const Error& source);

    const char* text() const { return message; }

private:
    char* message;
};

}  // namespace Qu
