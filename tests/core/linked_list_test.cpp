#include <gtest/gtest.h>

#include <vector>

#include "ui/framework/core/linked_list.h"

namespace {
struct Node : ListNode {
    int key;
};

std::vector<int> Forward(const LinkedList& l) {
    std::vector<int> keys;
    for (ListNode* n = l.head; n; n = n->next) keys.push_back(static_cast<Node*>(n)->key);
    return keys;
}

std::vector<int> Backward(const LinkedList& l) {
    std::vector<int> keys;
    for (ListNode* n = l.tail; n; n = n->previous) keys.insert(keys.begin(), static_cast<Node*>(n)->key);
    return keys;
}
}  // namespace

TEST(LinkedList, AppendRemoveKeepBothDirections) {
    LinkedList list;
    list.FreeNode = [](ListNode* n) { delete static_cast<Node*>(n); };
    Node* nodes[4];
    for (int i = 0; i < 4; ++i) {
        nodes[i] = new Node{{nullptr, nullptr}, i};
        list.Append(nodes[i]);
    }
    struct Step {
        int remove;
        uint16_t result;
        std::vector<int> left;
    } steps[] = {
        {1, 1, {0, 2, 3}},  // middle
        {1, 0, {0, 2, 3}},  // not in the list any more: left alone
        {0, 1, {2, 3}},     // head
        {3, 1, {2}},        // tail
        {2, 1, {}},         // last one
    };
    for (const Step& s : steps) {
        EXPECT_EQ(list.Remove(nodes[s.remove]), s.result) << s.remove;
        EXPECT_EQ(Forward(list), s.left);
        EXPECT_EQ(Backward(list), s.left);
    }
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    for (Node* n : nodes) delete n;  // removed nodes stay with the caller
}

TEST(LinkedList, ClearFreesEveryNode) {
    static int freed = 0;
    LinkedList list;
    list.FreeNode = [](ListNode* n) { ++freed; delete static_cast<Node*>(n); };
    for (int i = 0; i < 3; ++i) list.Append(new Node{{nullptr, nullptr}, i});
    list.Clear();
    EXPECT_EQ(freed, 3);
    EXPECT_EQ(list.head, nullptr);
    list.Append(new Node{{nullptr, nullptr}, 9});
    EXPECT_EQ(Forward(list), std::vector<int>{9});
}  // the destructor frees the rest (ASan reports a leak otherwise)
