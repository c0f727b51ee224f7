// FTP sessions against a real FTP server (pyftpdlib on 127.0.0.2:21):
// connect, log in, PWD, CWD, listings in both modes, MKD, and refusals.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "ftp/ftp_session.h"
#include "frame/module.h"
#include "net/network.h"
#include "net/protocol_log.h"
#include "ftp_session_suite.h"
#include "owner_window.h"
#include "test_support.h"

namespace {

constexpr DWORD kWait = 10000;
const char kServer[] = "127.0.0.2";

class FtpSessionTest : public FtpSessionSuite {
protected:
    void SetUp() override {
        FtpSessionSuite::SetUp();
        OpenProtocolLog();
    }
    void TearDown() override {
        FtpSessionSuite::TearDown();
        CloseProtocolLog();
    }
    // Runs an operation and waits for its chain to end with code 1.
    void Expect(uint16_t started, const char* what) {
        ASSERT_EQ(started, 1) << what;
        WPARAM which = 99;
        ASSERT_TRUE(owner->WaitForAny({0, 1, 101}, kWait, &which)) << what;
        ASSERT_EQ(which, 1u) << what << ": " << LastText();
    }
    void ConnectAndLogin(const char* user, const char* password) {
        Expect(session->StartConnect(kServer, 21), "connect");
        owner->Clear();
        Expect(session->Login(user, password), "login");
        owner->Clear();
    }
    // The note has come, or comes within the wait.
    bool Got(WPARAM code) {
        for (const auto& n : owner->Notes())
            if (n.code == code) return true;
        return owner->WaitFor(code, kWait);
    }
    std::string LastText() { return owner->Notes().empty() ? "" : owner->Notes().back().text; }
    std::string TextOf(WPARAM code) {
        for (const auto& n : owner->Notes())
            if (n.code == code) return n.text;
        return "<none>";
    }

};

TEST_F(FtpSessionTest, ListInBothModes) {
    ConnectAndLogin("anonymous", "visit");
    for (uint16_t passive : {1, 0}) {
        Expect(session->ListDirectory("/pub", passive), passive ? "passive list" : "active list");
        // The data side may end after the control chain.
        ASSERT_TRUE(Got(102));
        EXPECT_EQ(TextOf(103), "/pub");
        std::string listing = TextOf(102);
        EXPECT_NE(listing.find(" a.txt\r"), std::string::npos) << listing;
        EXPECT_NE(listing.find("docs"), std::string::npos) << listing;
        EXPECT_EQ(listing.find('\n'), std::string::npos);
        owner->Clear();
    }
    std::string log = ReadProtocolLog();
    EXPECT_NE(log.find("--> CWD /pub\r\n"), std::string::npos);
    EXPECT_NE(log.find("--> TYPE A N\r\n"), std::string::npos);
    EXPECT_NE(log.find("--> PASV\r\n"), std::string::npos);
    EXPECT_NE(log.find("--> PORT 127,0,0,1,"), std::string::npos);
    EXPECT_NE(log.find("--> PASS xxxxx\r\n"), std::string::npos);
    EXPECT_EQ(log.find("visit"), std::string::npos);
}

TEST_F(FtpSessionTest, EmptyDirectoryListsWithoutCwd) {
    ConnectAndLogin("alice", "secret");
    Expect(session->ListDirectory("", 1), "list");
    EXPECT_EQ(TextOf(103), "/");
    std::string log = ReadProtocolLog();
    EXPECT_EQ(log.find("--> CWD"), std::string::npos);
}

TEST_F(FtpSessionTest, MakeDirectoryListsAgain) {
    ConnectAndLogin("alice", "secret");
    char name[32];
    std::snprintf(name, sizeof name, "made%lu", GetTickCount());
    EXPECT_EQ(session->MakeDirectory("", 1), 0);  // nothing to make
    Expect(session->MakeDirectory(name, 1), "mkd");
    ASSERT_TRUE(Got(102));
    EXPECT_NE(TextOf(102).find(name), std::string::npos);
}

TEST_F(FtpSessionTest, NegativeRepliesReachTheOwner) {
    Expect(session->StartConnect(kServer, 21), "connect");
    owner->Clear();
    ASSERT_EQ(session->Login("alice", "wrong"), 1);
    WPARAM which = 99;
    ASSERT_TRUE(owner->WaitForAny({0, 1}, kWait, &which));
    EXPECT_EQ(which, 0u);
    EXPECT_EQ(LastText().substr(0, 4), "530 ");
}

TEST_F(FtpSessionTest, NoSecondCommandFromATextWithLineEnds) {
    ConnectAndLogin("anonymous", "visit");
    std::string before = ReadProtocolLog();
    const char* bad[] = {"pub\r\nDELE a.txt", "pub\nQUIT", "pub\rQUIT"};
    for (const char* dir : bad) {
        EXPECT_EQ(session->ListDirectory(dir, 1), 0) << dir;
        EXPECT_EQ(session->MakeDirectory(dir, 1), 0) << dir;
        EXPECT_EQ(session->Login(dir, "x"), 0) << dir;
        EXPECT_EQ(session->Login("anonymous", dir), 0) << dir;
    }
    PumpFor(200);
    EXPECT_EQ(ReadProtocolLog(), before);  // nothing went out
    EXPECT_TRUE(owner->Notes().empty());
    // The session still works.
    Expect(session->ListDirectory("/pub", 1), "list after refusals");
}

TEST_F(FtpSessionTest, ConnectFailures) {
    EXPECT_EQ(session->StartConnect("", 21), 0);
    ASSERT_EQ(session->StartConnect("127.0.0.2", 1), 1);  // nothing listens there
    WPARAM which = 99;
    ASSERT_TRUE(owner->WaitForAny({0, 1}, kWait, &which));
    EXPECT_EQ(which, 0u);
}

TEST_F(FtpSessionTest, ServerCloseIsReported) {
    ConnectAndLogin("anonymous", "visit");
    ASSERT_EQ(session->Quit(), 1);
    ASSERT_TRUE(owner->WaitFor(101, kWait));
}

}  // namespace
