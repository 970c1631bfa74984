#pragma once
// Qu::PtrArray: a growable array of untyped pointers. Starts with 16 slots
// and doubles when full; slot indices never change. Owns its storage, never
// the pointed-to items. No bounds checks: callers keep 0 <= i < count.
#include <cstdint>

namespace Qu {

class PtrArray {
public:
    PtrArray();
    ~PtrArray();
    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;

    // Inline: every List::add goes through here.
    void push(void* pointer) {
        if (count == capacity) reserve(capacity * 2);
        data[count++] = pointer;
    }
    void reserve(std::int32_t n);   // n >= count
    // Room for `more` pushes without regrowing; grows at least twofold, so
    // callers that announce many small batches stay linear.
    void reserveMore(std::int32_t more) {
        if (more > capacity - count) reserve(count + more > 2 * capacity ? count + more : 2 * capacity);
    }
    void clear();                   // keeps the storage
    void** slot(std::int32_t i) { return &data[i]; }
    void* at(std::int32_t i) const { return data[i]; }
    std::int32_t size() const { return count; }
    std::int32_t slots() const { return capacity; }

private:
    void** data;
    std::int32_t count;
    std::int32_t capacity;
};

}  // namespace Qu
