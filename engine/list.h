#pragma once
// Qu::List<T>: the engine's ordered list of T pointers, with one built-in
// cursor and a parallel index array for constant-time `at`.
//
// Iteration idiom (the only one used): first(); while (hasMore()) next();
// A list has exactly one cursor: never interleave two walks of one list.
// The list owns its nodes and index storage, never the items. Nodes are
// never removed, so they are carved from blocks the list frees as a whole:
// one allocation per block instead of one per item (model files add
// hundreds of thousands of items at start-up).
#include <cstddef>
#include <cstdint>
#include <new>

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

    List() : cursor(newNode()), head(cursor), tail(cursor), fresh(0), itemCount(0) {}

    ~List() {
        while (blocks) {
            Block* previous = blocks->previous;
            delete[] reinterpret_cast<unsigned char*>(blocks);
            blocks = previous;
        }
    }

    List(const List&) = delete;
    List& operator=(const List&) = delete;

    void add(T* item) {
        if (itemCount < 1) {
            head->item = item;   // the head node exists while the list is empty
        } else {
            Node* node = newNode();
            node->prev = tail;
            node->item = item;
            tail->next = node;
            tail = node;
        }
        ++itemCount;
        index.push(item);
    }

    // Room in the index for `more` adds (a reader that knows its counts).
    void reserveMore(std::int32_t more) { index.reserveMore(more); }

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
    // A block header followed by `capacity` nodes.
    struct Block {
        Block* previous;
        std::int32_t capacity;
        std::int32_t used;
        Node* nodes() { return reinterpret_cast<Node*>(this + 1); }
    };
    static_assert(sizeof(Block) % alignof(Node) == 0, "nodes follow the header aligned");
    // Blocks start at 4 nodes and double up to 1024, so a short list stays
    // small and a long one wastes at most one part-filled block.
    static constexpr std::int32_t firstBlock = 4;
    static constexpr std::int32_t largestBlock = 1024;

    Node* newNode() {
        if (!blocks || blocks->used == blocks->capacity) {
            const std::int32_t capacity =
                blocks ? (blocks->capacity < largestBlock ? blocks->capacity * 2 : largestBlock) : firstBlock;
            unsigned char* bytes = new unsigned char[sizeof(Block) + sizeof(Node) * std::size_t(capacity)];
            Block* block = reinterpret_cast<Block*>(bytes);
            block->previous = blocks;
            block->capacity = capacity;
            block->used = 0;
            blocks = block;
        }
        return new (blocks->nodes() + blocks->used++) Node;
    }

    Block* blocks = nullptr;   // newest first
    Node* cursor;
    Node* head;
    Node* tail;
    PtrArray index;
    std::uint8_t fresh;
    std::int32_t itemCount;
};

}  // namespace Qu
