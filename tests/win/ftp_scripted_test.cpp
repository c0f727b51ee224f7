// FTP sessions against a scripted server, for what real servers do only now
// and then: replies cut across reads, 230 to USER, a reply before the data
// connection ends, a reset data connection.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "frame/module.h"
#include "ftp/ftp_session.h"
#include "net/network.h"
#include "ftp_session_suite.h"
#include "owner_window.h"
#include "test_support.h"

namespace {

constexpr DWORD kWait = 10000;
const char kServer[] = "127.0.0.3";
const char kState[] = "scripted\\ftp_scripted\\";

void WriteScript(const std::string& json) { WriteServerScript(kState, json); }

std::string Transcript() { return ServerTranscript(kState); }

class ScriptedFtp : public FtpSessionSuite {
protected:
    // The code that ended the operation: 0, 1 or 101.
    WPARAM Run(uint16_t started) {
        EXPECT_EQ(started, 1);
        WPARAM which = 99;
        EXPECT_TRUE(owner->WaitForAny({0, 1, 101}, kWait, &which));
        return which;
    }
    std::string TextOf(WPARAM code) {
        for (const auto& n : owner->Notes())
            if (n.code == code && n.hasText) return n.text;
        return "<none>";
    }
    void Connected() {
        ASSERT_EQ(Run(session->StartConnect(kServer, 21)), 1u);
        owner->Clear();
    }

};

TEST_F(ScriptedFtp, ReplyLineCutByTheEndOfARead) {
    // A long banner whose last line is cut right inside its code.
    WriteScript(R"({"greeting": ["220-Welcome\r\n220-to the", {"pause": 0.3}, " server\r\n22", {"pause": 0.3},
                                 "0 Ready.\r\n"]})");
    EXPECT_EQ(Run(session->StartConnect(kServer, 21)), 1u);
}

TEST_F(ScriptedFtp, PreliminaryReplyDoesNotEndACommand) {
    WriteScript(R"({"commands": {"CWD": [["150 Hold on.\r\n", {"pause": 0.4}, "250 Changed.\r\n"]]}})");
    Connected();
    EXPECT_EQ(Run(session->ListDirectory("/x", 1)), 1u);
    EXPECT_EQ(Transcript().substr(0, 7), "CWD /x\n");
}

TEST_F(ScriptedFtp, PasswordSentAfter230AndItsRefusalReported) {
    WriteScript(R"({"commands": {"USER": "230 No password needed.\r\n", "PASS": "503 Already logged in.\r\n"}})");
    Connected();
    EXPECT_EQ(Run(session->Login("guest", "pw")), 0u);
    EXPECT_EQ(TextOf(0), "503 Already logged in.");
    EXPECT_EQ(Transcript(), "USER guest\nPASS pw\n");
}

TEST_F(ScriptedFtp, ListingCompleteWhenTheReplyComesFirst) {
    for (uint16_t passive : {1, 0}) {
        WriteScript(R"({"commands": {"LIST": {"send": "150 Listing.\r\n",
            "data": ["total 2\r\n-rw-r--r-- 1 u g 5 Jan 01 12:34 one.txt\r\n", {"pause": 0.2},
                     "drwxr-xr-x 2 u g 512 Jan 01 12:34 two"],
            "final": "226 Done.\r\n", "final_first": true}}})");
        Connected();
        EXPECT_EQ(Run(session->ListDirectory("", passive)), 1u);
        PumpFor(1000);  // the listing may end after the chain
        EXPECT_EQ(TextOf(102),
                  "-rw-r--r-- 1 u g 5 Jan 01 12:34 one.txt\rdrwxr-xr-x 2 u g 512 Jan 01 12:34 two")
            << (passive ? "passive" : "active");
        std::string transcript = Transcript();
        EXPECT_NE(transcript.find(passive ? "PASV\nLIST\n" : "PORT 127,0,0,1,"), std::string::npos) << transcript;
        NewSession();
    }
}

TEST_F(ScriptedFtp, ResetDataConnectionEndsTheListing) {
    WriteScript(R"({"commands": {"LIST": {"send": "150 Listing.\r\n",
        "data": ["-rw-r--r-- 1 u g 5 Jan 01 12:34 kept.txt\r\n", {"pause": 0.2}], "reset_data": true,
        "final": "426 Connection reset.\r\n"}}})");
    Connected();
    ASSERT_EQ(session->ListDirectory("", 1), 1);
    ASSERT_TRUE(owner->WaitFor(102, kWait));
    EXPECT_EQ(TextOf(102), "-rw-r--r-- 1 u g 5 Jan 01 12:34 kept.txt\r");
    WPARAM which = 99;
    ASSERT_TRUE(owner->WaitForAny({0, 1}, kWait, &which));
    EXPECT_EQ(which, 0u);  // the 426 ends the chain
}

}  // namespace
