#ifndef ORBNET_UI_FRAMEWORK_LINKED_LIST_H
#define ORBNET_UI_FRAMEWORK_LINKED_LIST_H

#include <cstdint>

// Intrusive doubly linked list. Every node starts with these two links and
// is followed by its payload; the list frees nodes only in Clear().
struct ListNode {
    ListNode* next;
    ListNode* previous;
};

class LinkedList {
public:
    LinkedList() : head(nullptr), tail(nullptr) {}
    ~LinkedList() { Clear(); }
    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;

    void Append(ListNode* node);
    // 1 when the node was in the list and is now unlinked (not freed), else 0.
    uint16_t Remove(ListNode* node);
    // Frees every node (nodes must come from `new` of their own type through
    // a virtual-free payload: see FreeNode).
    void Clear();

    // Frees one node; set by the owner of the list for its node type.
    void (*FreeNode)(ListNode*) = nullptr;

    ListNode* head;
    ListNode* tail;
};

#endif
