#include "engine/ptr_array.h"

#include <cstring>

namespace Qu {

PtrArray::PtrArray() : data(new void*[16]), count(0), capacity(16) {}

PtrArray::~PtrArray() { delete[] data; }

void PtrArray::reserve(std::int32_t n) {
    void** grown = new void*[n];
    if (count > 0) std::memcpy(grown, data, sizeof(void*) * count);
    delete[] data;
    data = grown;
    capacity = n;
}

void PtrArray::clear() { count = 0; }

}  // namespace Qu
