#include "ui/framework/core/linked_list.h"

void LinkedList::Append(ListNode* node) {
    node->next = nullptr;
    node->previous = tail;
    if (!head) {
        head = node;
    } else {
        tail->next = node;
    }
    tail = node;
}

uint16_t LinkedList::Remove(ListNode* node) {
    ListNode* n = head;
    while (n && n != node) n = n->next;
    if (!n) return 0;
    if (node->previous) node->previous->next = node->next;
    else head = node->next;
    if (node->next) node->next->previous = node->previous;
    else tail = node->previous;
    node->next = node->previous = nullptr;
    return 1;
}

void LinkedList::Clear() {
    ListNode* n = head;
    head = tail = nullptr;
    while (n) {
        ListNode* next = n->next;
        if (FreeNode) FreeNode(n);
        n = next;
    }
}
