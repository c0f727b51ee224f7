// The protocol log in the temporary directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "frame/module.h"
#include "net/protocol_log.h"
#include "net/socket.h"

namespace {

class Log : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryExA("OrbNetN01.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(library);
        ModuleInstance = library;
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        path = std::string(dir) + "orbnet.log";
        DeleteFileA(path.c_str());
    }
    void TearDown() override {
        CloseProtocolLog();
        DeleteFileA(path.c_str());
        ModuleInstance = nullptr;
        FreeLibrary(library);
    }
    std::string Contents() {
        std::string text;
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return "<missing>";
        char chunk[256];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
        std::fclose(f);
        return text;
    }
    HMODULE library = nullptr;
    std::string path;
};

TEST_F(Log, LinesAreMarkedAndPasswordsMasked) {
    ASSERT_EQ(OpenProtocolLog(), 1);
    struct {
        const char* line;
        const char* logged;
    } outgoing[] = {
        {"USER anna\r\n", "--> USER anna\r\n"},
        {"PASS secret\r\n", "--> PASS xxxxx\r\n"},
        {"PASS \r\n", "--> PASS xxxxx\r\n"},
        {"pass secret\r\n", "--> pass secret\r\n"},
        {"PASSWORD\r\n", "--> PASSWORD\r\n"},
        {"PASS", "--> PASS"},  // shorter than the word and its space
    };
    std::string expected;
    for (auto& row : outgoing) {
        LogOutgoingLine(row.line, 0);
        expected += row.logged;
    }
    LogIncomingLine("230 Welcome", 0);
    LogIncomingLine("HTTP/1.0 200 OK", 0, "\n");
    LogIncomingLine("150 Opening data connection", 3);
    expected += "<-- 230 Welcome\r\n<-- HTTP/1.0 200 OK\n<-- 150\r\n";
    WriteLog("Server: x\n", 0);
    expected += "Server: x\n";

    // A line that is logged but cannot be sent (no peer) is still logged,
    // masked the same way.
    Socket unconnected;
    EXPECT_EQ(unconnected.SendLine("PASS hunter2\r\n", 0, nullptr, 1), 0);
    EXPECT_EQ(unconnected.SendLine("NOOP\r\n", 0, nullptr, 0), 0);  // not logged
    CloseProtocolLog();
    EXPECT_EQ(Contents(), expected);
}

TEST_F(Log, AConversationsLogIsBounded) {
    // Lines are cut after 1 KB, wherever their pieces come from.
    ASSERT_EQ(OpenProtocolLog(), 1);
    const std::string longLine(5000, 'x');
    LogIncomingLine(longLine.c_str(), static_cast<uint16_t>(longLine.size()));
    WriteLog("HTTP/1.0 200 OK\n", 0);
    const std::string header(3000, 'h');
    WriteLog(header.c_str(), 1000);
    WriteLog(header.c_str(), 2000);
    WriteLog("\n", 1);
    EXPECT_EQ(Contents(), "<-- " + std::string(1020, 'x') + " [...]\nHTTP/1.0 200 OK\n" + std::string(1024, 'h') +
                              " [...]\n");

    // A flood: after 1 MB, one line says that the rest is left out.
    const std::string reply = "230-" + std::string(500, 'f');
    for (int i = 0; i < 5000; ++i) LogIncomingLine(reply.c_str(), static_cast<uint16_t>(reply.size()));
    const std::string text = Contents();
    EXPECT_LE(text.size(), 1024u * 1024u + 600u);
    const std::string note = "--- the rest of this conversation is not logged\r\n";
    ASSERT_GE(text.size(), note.size());
    EXPECT_EQ(text.substr(text.size() - note.size()), note);
    EXPECT_EQ(text.find(note), text.size() - note.size()) << "noted more than once";

    // The next conversation is logged again.
    CloseProtocolLog();
    ASSERT_EQ(OpenProtocolLog(), 1);
    LogIncomingLine("220 Ready.", 0);
    EXPECT_EQ(Contents(), "<-- 220 Ready.\r\n");
}

TEST_F(Log, EachOpeningEmptiesOnlyAfterAClose) {
    ASSERT_EQ(OpenProtocolLog(), 1);
    LogOutgoingLine("USER a\r\n", 0);
    EXPECT_EQ(OpenProtocolLog(), 0);  // already open: the same file goes on
    LogOutgoingLine("QUIT\r\n", 0);
    CloseProtocolLog();
    EXPECT_EQ(Contents(), "--> USER a\r\n--> QUIT\r\n");
    ASSERT_EQ(OpenProtocolLog(), 1);  // emptied
    LogOutgoingLine("USER b\r\n", 0);
    CloseProtocolLog();
    CloseProtocolLog();  // closing twice is harmless
    EXPECT_EQ(Contents(), "--> USER b\r\n");
    // Closed: writers do nothing.
    LogOutgoingLine("USER c\r\n", 0);
    WriteLog("x", 0);
    EXPECT_EQ(Contents(), "--> USER b\r\n");
}

TEST_F(Log, UnwritableTemporaryDirectory) {
    char saved[2][MAX_PATH] = {};
    const char* names[] = {"TMP", "TEMP"};
    for (int i = 0; i < 2; ++i) {
        GetEnvironmentVariableA(names[i], saved[i], MAX_PATH);
        SetEnvironmentVariableA(names[i], "C:\\orbnet-no-such-folder\\deeper");
    }
    EXPECT_EQ(OpenProtocolLog(), 0);
    EXPECT_FALSE(ProtocolLogOpen());
    LogOutgoingLine("PASS secret\r\n", 0);
    LogIncomingLine("230 ok", 0);
    WriteLog("x", 1);
    CloseProtocolLog();
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableA(names[i], saved[i][0] ? saved[i] : nullptr);
    EXPECT_EQ(GetFileAttributesA("C:\\orbnet-no-such-folder"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
