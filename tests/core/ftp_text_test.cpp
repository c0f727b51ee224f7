#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/text_buffer.h"
#include "ftp/ftp_text.h"

namespace {

uint32_t Address(unsigned a, unsigned b, unsigned c, unsigned d) {
    unsigned char bytes[4] = {(unsigned char)a, (unsigned char)b, (unsigned char)c, (unsigned char)d};
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

uint32_t Len(const std::string& s) { return uint32_t(s.size()); }

}  // namespace

TEST(PasvReply, Table) {
    struct Row {
        std::string line;
        uint16_t hasParen;
        const char* dotted;
        uint16_t port;
        uint32_t address;
    } rows[] = {
        {"227 Entering Passive Mode (10,1,2,3,4,1)", 1, "10.1.2.3", 1025, Address(10, 1, 2, 3)},
        {"227 Entering Passive Mode (127,0,0,1,195,80).", 1, "127.0.0.1", 50000, Address(127, 0, 0, 1)},
        {"227 =(192,168,1,5,0,21)", 1, "192.168.1.5", 21, Address(192, 168, 1, 5)},
        // runs of separators make one cut; tokens after the sixth are ignored
        {"227 (10,,1,2,,3,4,1,,9,9)", 1, "10.1.2.3", 1025, Address(10, 1, 2, 3)},
        // only the first "(" counts
        {"227 (1,2,3,4,0,80) (5,6,7,8,0,81)", 1, "1.2.3.4", 80, Address(1, 2, 3, 4)},
        // port computed in 16 bits
        {"227 (1,2,3,4,256,1)", 1, "1.2.3.4", 1, Address(1, 2, 3, 4)},
        {"227 (1,2,3,4,300,300)", 1, "1.2.3.4", uint16_t(300 * 256 + 300), Address(1, 2, 3, 4)},
        // garbage: no valid address
        {"227 (a,b,c,d,e,f)", 1, "a.b.c.d", 0, kNoAddress},
        {"227 (1,2,3,999,4,1)", 1, "1.2.3.999", 1025, kNoAddress},
        {"227 (1,2,3)", 1, "1.2.3", 0, kNoAddress},
        {"227 (", 1, "", 0, kNoAddress},
        {"227 ()))", 1, "", 0, kNoAddress},
        // no "(" at all: no address
        {"227 Entering Passive Mode 10,1,2,3,4,1", 0, "", 0, kNoAddress},
        {"", 0, "", 0, kNoAddress},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        TextBuffer dotted;
        uint16_t port = 7;
        EXPECT_EQ(ParsePasvReply(r.line.data(), Len(r.line), dotted, &port), r.hasParen);
        EXPECT_STREQ(dotted.Text(), r.dotted);
        EXPECT_EQ(port, r.port);

        uint32_t address = 0;
        port = 7;
        EXPECT_EQ(ParsePasvAddress(r.line.data(), Len(r.line), &address, &port), r.address != kNoAddress);
        EXPECT_EQ(address, r.address);
        EXPECT_EQ(port, r.port);
    }
}

TEST(PasvReply, ReadsOnlyWithinTheGivenLength) {
    // The bytes after the stated length are not part of the line.
    const char line[] = "227 (10,1,2,3,4,1)";
    TextBuffer dotted;
    uint16_t port = 0;
    EXPECT_EQ(ParsePasvReply(line, 4, dotted, &port), 0);
    EXPECT_EQ(ParsePasvReply(line, 16, dotted, &port), 1);
    EXPECT_STREQ(dotted.Text(), "10.1.2.3");
    EXPECT_EQ(port, 4 * 256);
    EXPECT_EQ(ParsePasvReply(nullptr, 10, dotted, &port), 0);
}

TEST(DottedQuad, Table) {
    struct Row {
        const char* text;
        uint32_t address;
    } rows[] = {
        {"10.1.2.3", Address(10, 1, 2, 3)},
        {"0.0.0.0", 0},
        {"255.255.255.254", Address(255, 255, 255, 254)},
        {"010.001.002.003", Address(10, 1, 2, 3)},
        {"256.1.1.1", kNoAddress},
        {"1.2.3", kNoAddress},
        {"1.2.3.4.5", kNoAddress},
        {"1..2.3", kNoAddress},
        {"1.2.3.4 ", kNoAddress},
        {" 1.2.3.4", kNoAddress},
        {"0001.2.3.4", kNoAddress},
        {"1.2.3.-4", kNoAddress},
        {"", kNoAddress},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(DottedQuadToAddress(r.text, uint32_t(std::strlen(r.text))), r.address);
    }
    EXPECT_EQ(DottedQuadToAddress(nullptr, 7), kNoAddress);
}

TEST(PwdReply, Table) {
    struct Row {
        std::string line;
        uint16_t ok;
        const char* directory;
    } rows[] = {
        {"257 \"/pub/incoming\" is the current directory", 1, "/pub/incoming"},
        {"257 \"/\"", 1, "/"},
        {"257 \"\" empty", 1, ""},
        // a doubled quote is not special: the name ends at the second quote
        {"257 \"/a\"\"b\" is current", 1, "/a"},
        {"257 \"/never closed", 0, ""},
        {"257 /pub is current", 0, ""},
        {"", 0, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        TextBuffer directory;
        directory.Assign("old");
        EXPECT_EQ(ParsePwdReply(r.line.data(), Len(r.line), directory), r.ok);
        EXPECT_STREQ(directory.Text(), r.directory);
    }
    TextBuffer directory;
    const char cut[] = "257 \"/pub\" x";
    EXPECT_EQ(ParsePwdReply(cut, 9, directory), 0) << "second quote lies past the length";
}

TEST(PortArgument, Table) {
    struct Row {
        uint32_t address;
        uint16_t port;
        const char* text;
    } rows[] = {
        {Address(192, 168, 1, 5), 1025, "192,168,1,5,4,1"},
        {Address(127, 0, 0, 1), 21, "127,0,0,1,0,21"},
        {Address(0, 0, 0, 0), 0, "0,0,0,0,0,0"},
        {Address(255, 255, 255, 255), 65535, "255,255,255,255,255,255"},
    };
    for (const Row& r : rows) {
        TextBuffer out;
        out.Assign("stale");
        EXPECT_EQ(BuildPortArgument(r.address, r.port, out), 1);
        EXPECT_STREQ(out.Text(), r.text);
    }
}

TEST(CommandLine, BuildsKeywordArgumentAndLineEnd) {
    struct Row {
        const char* keyword;
        std::string argument;
        const char* line;
    } rows[] = {
        {"USER ", "anonymous", "USER anonymous\r\n"},
        {"CWD ", "/pub/my dir", "CWD /pub/my dir\r\n"},
        {"PWD", "", "PWD\r\n"},
        {"PORT ", "192,168,1,5,4,1", "PORT 192,168,1,5,4,1\r\n"},
    };
    for (const Row& r : rows) {
        TextBuffer out;
        EXPECT_EQ(BuildCommandLine(out, r.keyword, r.argument.data(), Len(r.argument)), 1);
        EXPECT_STREQ(out.Text(), r.line);
    }
    TextBuffer out;
    EXPECT_EQ(BuildCommandLine(out, "QUIT", nullptr, 0), 1);
    EXPECT_STREQ(out.Text(), "QUIT\r\n");
}

// A name from a user, a setting or a server must never carry a second command.
TEST(CommandLine, RefusesLineBreaksAndZeroBytes) {
    const std::string bad[] = {
        std::string("x\r\nDELE important"), std::string("x\nDELE y"), std::string("x\rDELE y"),
        std::string("secret\0RNFR", 11),     std::string("\r\n"),      std::string(1, '\0'),
    };
    for (const std::string& argument : bad) {
        SCOPED_TRACE(argument);
        TextBuffer out;
        out.Assign("previous");
        EXPECT_EQ(IsSafeLineText(argument.data(), Len(argument)), 0);
        EXPECT_EQ(BuildCommandLine(out, "PASS ", argument.data(), Len(argument)), 0);
        EXPECT_EQ(out.length, 0);
    }
    TextBuffer out;
    // Only the stated length counts: a terminator after it is fine.
    EXPECT_EQ(BuildCommandLine(out, "MKD ", "new\r\n", 3), 1);
    EXPECT_STREQ(out.Text(), "MKD new\r\n");
    EXPECT_EQ(BuildCommandLine(out, "MKD ", nullptr, 3), 0);
    EXPECT_EQ(BuildCommandLine(out, nullptr, "x", 1), 0);
    EXPECT_EQ(BuildCommandLine(out, "RETR\r\n", "x", 1), 0);
    EXPECT_EQ(BuildCommandLine(out, "", "x", 1), 0);
}

TEST(CommandLine, TypeLines) {
    TextBuffer out;
    EXPECT_EQ(BuildTypeLine(out, "TYPE ", 'I', 0), 1);
    EXPECT_STREQ(out.Text(), "TYPE I\r\n");
    EXPECT_EQ(BuildTypeLine(out, "TYPE ", 'A', 'N'), 1);
    EXPECT_STREQ(out.Text(), "TYPE A N\r\n");
    EXPECT_EQ(BuildTypeLine(out, "TYPE ", 0, 'N'), 0);
    EXPECT_EQ(BuildTypeLine(out, "TYPE ", 'A', '\n'), 0);
    EXPECT_EQ(BuildTypeLine(out, "TYPE ", '\r', 0), 0);
    EXPECT_EQ(out.length, 0);
}
