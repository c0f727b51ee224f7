#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/core/text_buffer.h"

TEST(TextBuffer, NullAndWholeTextAppends) {
    TextBuffer b(64);
    EXPECT_EQ(b.Append(nullptr), 1);
    EXPECT_EQ(b.length, 0);
    EXPECT_STREQ(b.Text(), "");
    EXPECT_EQ(b.Append("abc"), 1);        // count 0: the whole text
    EXPECT_EQ(b.Append("defgh", 2), 1);   // only the first two bytes
    EXPECT_STREQ(b.Text(), "abcde");
    EXPECT_EQ(b.length, 5);
    EXPECT_EQ(b.Assign("xy"), 1);
    EXPECT_STREQ(b.Text(), "xy");
}

TEST(TextBuffer, GrowthSequence) {
    // Capacity after each one-character append that needs more room.
    TextBuffer b(64);
    std::vector<int> seen{b.capacity};
    for (int i = 0; i < 6000; ++i) {
        ASSERT_EQ(b.Append("x"), 1);
        if (b.capacity != seen.back()) seen.push_back(b.capacity);
    }
    std::vector<int> expected{64, 96, 144, 216, 324, 486, 729, 1093, 1639, 2458, 3482, 4506, 5530, 6554};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(b.length, 6000);
}

TEST(TextBuffer, GrowsWhenExactlyFull) {
    TextBuffer b(64);
    ASSERT_EQ(b.Append(std::string(62, 'a').c_str()), 1);
    EXPECT_EQ(b.capacity, 64);
    ASSERT_EQ(b.Append("b"), 1);  // 63 characters + terminator = 64: grows anyway
    EXPECT_EQ(b.capacity, 96);
}

TEST(TextBuffer, JumpsToTheNeededSize) {
    TextBuffer b(64);
    std::string big(5000, 'q');
    ASSERT_EQ(b.Append(big.c_str()), 1);
    EXPECT_EQ(b.capacity, 5001);
    EXPECT_EQ(b.length, 5000);
}

TEST(TextBuffer, LimitLeavesTextIntact) {
    struct Case {
        int before;
        int add;
        int ok;
    } cases[] = {
        {0, 65533, 1},      // 65534 bytes with terminator
        {0, 65534, 1},      // the longest text: 65534 characters
        {65000, 535, 0},    // text of 65535 characters
        {65000, 10, 1},
        {0, 70000, 0},      // longer than any buffer: never a cut-off prefix
    };
    for (const Case& c : cases) {
        TextBuffer b(64);
        std::string first(c.before, 'a');
        ASSERT_EQ(b.Append(first.c_str()), 1);
        std::string more(c.add, 'b');
        EXPECT_EQ(b.Append(more.c_str()), c.ok) << c.before << "+" << c.add;
        if (!c.ok) {
            EXPECT_EQ(b.length, c.before);
            EXPECT_EQ(std::string(b.Text()), first);
        } else {
            EXPECT_EQ(b.length, c.before + c.add);
        }
    }
}
