#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "frame/core/text_buffer.h"
#include "ftp/core/ftp_text.h"

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
        const char* dotted;  // "" : no address
        uint16_t port;
        uint32_t address;
    } rows[] = {
        {"227 Entering Passive Mode (10,1,2,3,4,1)", "10.1.2.3", 1025, Address(10, 1, 2, 3)},
        {"227 Entering Passive Mode (127,0,0,1,195,80).", "127.0.0.1", 50000, Address(127, 0, 0, 1)},
        {"227 =(192,168,1,5,0,21)", "192.168.1.5", 21, Address(192, 168, 1, 5)},
        {"227 ( 10 , 1,2,3 ,4,\t1 )", "10.1.2.3", 1025, Address(10, 1, 2, 3)},
        {"227 (255,255,255,255,255,255)", "255.255.255.255", 65535, kNoAddress},
        {"227 (0,0,0,0,0,0)", "0.0.0.0", 0, 0},
        {"227 (010,001,2,3,000,21)", "10.1.2.3", 21, Address(10, 1, 2, 3)},
        // only the first "(" counts; without ")" the numbers run to the end
        {"227 (1,2,3,4,0,80) (5,6,7,8,0,81)", "1.2.3.4", 80, Address(1, 2, 3, 4)},
        {"227 (1,2,3,4,0,80", "1.2.3.4", 80, Address(1, 2, 3, 4)},
        // no parentheses: the first run of numbers after the code
        {"227 Entering Passive Mode 127,0,0,1,4,1", "127.0.0.1", 1025, Address(127, 0, 0, 1)},
        {"227 =127,0,0,1,4,1", "127.0.0.1", 1025, Address(127, 0, 0, 1)},
        {"227 Entering Passive Mode 10,1,2,3,4,1.", "10.1.2.3", 1025, Address(10, 1, 2, 3)},
        {"227 Entering Passive Mode 10,1,2,3,4,1 ok", "10.1.2.3", 1025, Address(10, 1, 2, 3)},
        // numbers above 255 never wrap
        {"227 (1,2,3,4,256,1)", "", 0, kNoAddress},
        {"227 (1,2,3,4,300,300)", "", 0, kNoAddress},
        {"227 (1,2,3,999,4,1)", "", 0, kNoAddress},
        {"227 1,2,3,4,4,1000", "", 0, kNoAddress},
        {"227 (1,2,3,4,0001,1)", "", 0, kNoAddress},
        // signs, missing numbers, garbage inside a number, extra numbers
        {"227 (1,2,3,4,-1,1)", "", 0, kNoAddress},
        {"227 (+1,2,3,4,4,1)", "", 0, kNoAddress},
        {"227 Entering Passive Mode -1,2,3,4,4,1", "", 0, kNoAddress},
        {"227 Entering Passive Mode +1,2,3,4,4,1", "", 0, kNoAddress},
        {"227 (10,,1,2,3,4,1)", "", 0, kNoAddress},
        {"227 (1,2,3,4,4,)", "", 0, kNoAddress},
        {"227 (1,2,3)", "", 0, kNoAddress},
        {"227 (1,2,3,4,4,1,9)", "", 0, kNoAddress},
        {"227 (1,2,3,4,4x,1)", "", 0, kNoAddress},
        {"227 (1,2,3,4,4,1x)", "", 0, kNoAddress},
        {"227 (1,2,3,4 5,4,1)", "", 0, kNoAddress},
        {"227 1,2,3,4,4,1x", "", 0, kNoAddress},
        {"227 1,2,3,4,4,1,7", "", 0, kNoAddress},
        {"227 1,2,3,4,4,1 5", "", 0, kNoAddress},
        {"227 (a,b,c,d,e,f)", "", 0, kNoAddress},
        {"227 (", "", 0, kNoAddress},
        {"227 ()))", "", 0, kNoAddress},
        {"227 Entering Passive Mode", "", 0, kNoAddress},
        {"227", "", 0, kNoAddress},
        {"", "", 0, kNoAddress},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        const uint16_t parsed = r.dotted[0] != '\0';
        TextBuffer dotted;
        uint16_t port = 7;
        EXPECT_EQ(ParsePasvReply(r.line.data(), Len(r.line), dotted, &port), parsed);
        EXPECT_STREQ(dotted.Text(), r.dotted);
        EXPECT_EQ(port, r.port);

        uint32_t address = 0;
        port = 7;
        EXPECT_EQ(ParsePasvAddress(r.line.data(), Len(r.line), &address, &port), r.address != kNoAddress);
        EXPECT_EQ(address, r.address);
        EXPECT_EQ(port, r.address != kNoAddress ? r.port : 0);
    }
}

TEST(PasvReply, ReadsOnlyWithinTheGivenLength) {
    // The bytes after the stated length are not part of the line.
    const char line[] = "227 (10,1,2,3,4,1)";
    TextBuffer dotted;
    uint16_t port = 0;
    EXPECT_EQ(ParsePasvReply(line, 4, dotted, &port), 0);
    EXPECT_EQ(ParsePasvReply(line, 16, dotted, &port), 0) << "the last number lies past the length";
    EXPECT_EQ(port, 0);
    EXPECT_EQ(ParsePasvReply(line, 17, dotted, &port), 1);
    EXPECT_STREQ(dotted.Text(), "10.1.2.3");
    EXPECT_EQ(port, 4 * 256 + 1);
    const char bare[] = "227 10,1,2,3,4,12";
    EXPECT_EQ(ParsePasvReply(bare, 16, dotted, &port), 1);
    EXPECT_EQ(port, 4 * 256 + 1);
    EXPECT_EQ(ParsePasvReply(nullptr, 10, dotted, &port), 0);
}

TEST(TransferSize, Table) {
    struct Row {
        const char* line;
        uint64_t size;
    } rows[] = {
        // vsftpd, ProFTPD, Serv-U
        {"150 Opening BINARY mode data connection for a.bin (3145728 bytes).", 3145728},
        {"150 Opening BINARY mode data connection for a.bin (3145728 bytes)", 3145728},
        {"150 Opening BINARY mode data connection for a.bin (3145728 Bytes).", 3145728},
        // pyftpdlib, IIS, FileZilla Server: no size
        {"150 File status okay. About to open data connection.", kUnknownSize},
        {"125 Data connection already open. Transfer starting.", kUnknownSize},
        {"125 Data connection already open; Transfer starting.", kUnknownSize},
        {"150 Opening data channel for file download from server of \"/a.bin\"", kUnknownSize},
        // a file name with parentheses of its own
        {"150 Opening BINARY mode data connection for a (1).bin (42 bytes)", 42},
        {"150 Opening data connection for (7 bytes).txt (42 bytes)", 42},
        {"150 Opening data connection for x (42 bytes) (1)", 42},
        {"150 Opening ( 42   BYTES )", 42},
        {"150 Opening (42bytes)", 42},
        {"150 Opening (0 bytes)", 0},
        {"150 Opening (18446744073709551614 bytes)", 18446744073709551614ull},
        // not a plain size
        {"150 Opening (18446744073709551615 bytes)", kUnknownSize},
        {"150 Opening (99999999999999999999 bytes)", kUnknownSize},
        {"150 Opening (-5 bytes)", kUnknownSize},
        {"150 Opening (+5 bytes)", kUnknownSize},
        {"150 Opening ( bytes)", kUnknownSize},
        {"150 Opening (5x bytes)", kUnknownSize},
        {"150 Opening (5 5 bytes)", kUnknownSize},
        {"150 Opening (0x10 bytes)", kUnknownSize},
        {"150 Opening (5 kbytes)", kUnknownSize},
        {"150 Opening (5 bytes", kUnknownSize},
        {"150 Opening 5 bytes)", kUnknownSize},
        // the last group in that form counts, even when its number is bad
        {"150 Opening (5 bytes) (x bytes)", kUnknownSize},
        // not a 1xx reply
        {"226 Transfer complete (5 bytes)", kUnknownSize},
        {"1x0 Opening (5 bytes)", kUnknownSize},
        {"15", kUnknownSize},
        {"", kUnknownSize},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        EXPECT_EQ(ParseTransferSize(r.line, uint32_t(std::strlen(r.line))), r.size);
    }
    EXPECT_EQ(ParseTransferSize(nullptr, 5), kUnknownSize);
}

TEST(TransferSize, ReadsOnlyWithinTheGivenLength) {
    const std::string line = "150 Opening (42 bytes)(7 bytes)";
    EXPECT_EQ(ParseTransferSize(line.data(), 22), 42u);
    EXPECT_EQ(ParseTransferSize(line.data(), 21), kUnknownSize);
    EXPECT_EQ(ParseTransferSize(line.data(), Len(line)), 7u);
    // An unterminated copy, so a read past its end shows under ASan.
    std::unique_ptr<char[]> exact(new char[line.size()]);
    std::memcpy(exact.get(), line.data(), line.size());
    EXPECT_EQ(ParseTransferSize(exact.get(), Len(line)), 7u);
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
        // a doubled quote stands for one quote in the name
        {"257 \"/a\"\"b\" is current", 1, "/a\"b"},
        {"257 \"/q \"\"x\"\"\"\"\" created", 1, "/q \"x\"\""},
        {"257 \"\"\"\" only quotes", 1, "\""},
        {"257 \"/never closed", 0, ""},
        {"257 \"/ends with a doubled quote\"\"", 0, ""},
        {"257 \"@evil.test/x\" is current", 1, "@evil.test/x"},
        {"257 \"DISK$USER:[ALICE.DOCS]\" is current", 1, "DISK$USER:[ALICE.DOCS]"},
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
