#pragma once
// Qu::List<T>: the engine's ordered list of T pointers, with one built-in
// cursor and a parallel index array for constant-time `at`.
//
// Iteration idiom (the only one used): first(); while (hasMore()) next();
// A list has exactly one cursor: never interleave two walks of one list.
// The list owns its nodes and index storage, never the items.
#include <cstdint>

#include "engine/ptr_array.h"

namespace Qu {

template <typename T>
class List {
public:
    struct Node {
        Node* prev = nullptr;
        Node* next = nullptr;
        T* item = nullptr;
    };

    List() : cursor(new Node), head(cursor), tail(cursor), fresh(0), itemCount(0) {}

    ~List() {
        Node* node = head;
        while (node) {
            Node* following = node->next;
            delete node;
            node = following;
        }
    }

    List(const List&) = delete;
    List& operator=(const List&) = delete;

    void add(T* item) {
        if (itemCount < 1) {
            head->item = item;   // the head node exists while the list is empty
        } else {
            Node* node = new Node;
            node->prev = tail;
            node->item = item;
            tail->next = node;
            tail = node;
        }
        ++itemCount;
        index.push(item);
    }

    std::int32_t count() const { return itemCount; }

    T* first() {
        cursor = head;
        fresh = 1;
        return head->item;
    }

    T* next() {
        if (fresh) {
            fresh = 0;
            return cursor->item;
        }
        if (cursor->next) {
            cursor = cursor->next;
            return cursor->item;
        }
        return nullptr;
    }

    bool hasMore() const {
        if (itemCount == 0) return false;
        return fresh ? cursor != nullptr : cursor->next != nullptr;
    }

    // 0 <= position < count; not checked.
    T* at(std::int32_t position) const { return static_cast<T*>(index.at(position)); }

    // Leaves the cursor on `position` so the next `next` returns that item.
    T* seek(std::int32_t position) {
        cursor = head;
        for (std::int32_t i = 0; i < position && cursor->next; ++i) cursor = cursor->next;
        fresh = 1;
        return cursor->item;
    }

    T* last() const { return tail->item; }

    const PtrArray& indexArray() const { return index; }

private:
    Node* cursor;
    Node* head;
    Node* tail;
    PtrArray index;
    std::uint8_t fresh;
    std::int32_t itemCount;
};

}  // namespace Qu
