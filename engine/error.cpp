#include "engine/error.h"

#include <cstring>

namespace Qu {

Error::Error(const char* text) {
    std::size_t n = std::strlen(text) + 1;
    message = new char[n];
    std::memcpy(message, text, n);
}

Error::Error(const Error& other) : message(new char[1]) {
    message[0] = '\0';
    *this = other;
}

Error::~Error() { delete[] message; }

Error& Error::operator=(const Error& source) {
    if (this == &source) throw Error("self assignment is not allowed");
    std::size_t n = std::strlen(source.message);
    if (n > std::strlen(message)) {
        delete[] message;
        message = new char[n + 1];
    }
    std::memcpy(message, source.message, n + 1);
    return *this;
}

}  // namespace Qu
