#include <gtest/gtest.h>

#include <string>

#include "frame/core/byte_buffer.h"

TEST(ByteBuffer, AppendsKeepTheTextTerminated) {
    ByteBuffer b(1024);
    ASSERT_NE(b.Text(), nullptr);
    EXPECT_STREQ(b.Text(), "");
    EXPECT_EQ(b.Append(nullptr, 0), 1);
    EXPECT_EQ(b.Append(nullptr, 3), 0);
    EXPECT_EQ(b.Append("abc", 2), 1);
    EXPECT_EQ(b.AppendByte('\0'), 1);  // zero bytes are bytes like any other
    EXPECT_EQ(b.AppendByte('z'), 1);
    EXPECT_EQ(std::string(b.Text(), b.Length()), std::string("ab\0z", 4));
    EXPECT_EQ(b.Text()[b.Length()], '\0');
    b.Clear();
    EXPECT_STREQ(b.Text(), "");
    EXPECT_EQ(b.Length(), 0u);
    EXPECT_EQ(b.Append("x", 1), 1);
    b.Release();
    EXPECT_STREQ(b.Text(), "");
    EXPECT_EQ(b.Length(), 0u);
}

// The bytes with their terminator fill the limit exactly and never pass it;
// an append that would pass it changes nothing.
TEST(ByteBuffer, BoundedByItsLimit) {
    const uint32_t limit = 5000;
    ByteBuffer b(limit);
    std::string expected;
    for (uint32_t i = 0; i + 1 < limit; ++i) {
        char c = char('a' + i % 26);
        ASSERT_EQ(b.AppendByte(c), 1) << i;
        expected += c;
    }
    EXPECT_EQ(b.Length(), limit - 1);
    EXPECT_EQ(b.AppendByte('!'), 0);
    EXPECT_EQ(b.Append("!!", 2), 0);
    EXPECT_EQ(std::string(b.Text(), b.Length()), expected);

    ByteBuffer once(limit);
    std::string big(limit, 'q');
    EXPECT_EQ(once.Append(big.data(), limit), 0) << "no room for the terminator";
    EXPECT_EQ(once.Length(), 0u);
    EXPECT_EQ(once.Append(big.data(), limit - 1), 1);
    EXPECT_EQ(once.Append(big.data(), 0xFFFFFFFFu), 0) << "a length that wraps 32 bits";
    EXPECT_EQ(once.Length(), limit - 1);
}
