// File transfers against a scripted FTP server: the exact command orders of
// the file operations, refusals, Cancel through the real progress window,
// and a data connection reset in the middle of a file.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/module.h"
#include "ftp/ftp_session.h"
#include "message_box_answerer.h"
#include "net/network.h"
#include "ftp_session_suite.h"
#include "owner_window.h"
#include "test_support.h"

namespace {

constexpr DWORD kWait = 10000;
const char kServer[] = "127.0.0.4";
const char kState[] = "scripted\\transfer_scripted\\";

void WriteScript(const std::string& json) { WriteServerScript(kState, json); }

// The commands the server received, PORT without its argument.
std::string Commands() {
    std::string text = ServerTranscript(kState);
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 5, "PORT ") == 0) line = "PORT";
        out += line + "|";
        start = end + 1;
    }
    return out;
}

class TransferScriptedTest : public FtpSessionSuite {
protected:
    static void SetUpTestSuite() {
        NetworkSuite::SetUpTestSuite();
        CreateDirectoryA("xfer_local", nullptr);
        WriteWholeFile("xfer_local\\a.bin", "alpha");
        WriteWholeFile("xfer_local\\b.bin", "beta");
        WriteWholeFile("xfer_local\\c.bin", "gamma");
    }
    // Waits for the end of the chain (1, 0 or 101) and returns its code.
    WPARAM End() {
        WPARAM which = 99;
        if (!owner->WaitForAny({0, 1, 101}, kWait, &which)) return 99;
        PumpFor(100);
        return which;
    }

};

TEST_F(TransferScriptedTest, StoreOperationsSendTheirCommandsInOrder) {
    const std::string login = "USER u|PASS p|CWD /base|TYPE I|";
    const std::string a = "TYPE I|PASV|STOR a.bin|";
    const char many[] = "xfer_local\\a.bin\0\x01sub\x01xfer_local\\b.bin\0\x01/abs/d\x01xfer_local\\c.bin\0";
    struct Case {
        const char* name;
        int count;  // -1: StoreFiles
        uint16_t passive;
        std::string expected;
    } cases[] = {
        {"three entries", 3, 1,
         login + a + "CWD /sub|TYPE I|PASV|STOR b.bin|CWD /base|CWD /abs/d|TYPE I|PASV|STOR c.bin|CWD /base|QUIT|"},
        {"count one", 1, 1, login + a + "QUIT|"},
        {"count zero", 0, 1, login + "QUIT|"},
        {"active", 2, 0, login + "TYPE I|PORT|STOR a.bin|CWD /sub|TYPE I|PORT|STOR b.bin|CWD /base|QUIT|"},
        {"store files", -1, 1, "TYPE I|PASV|STOR first|PASV|STOR b.bin|PASV|STOR c.bin|QUIT|"},
        {"store files active", -2, 0, "TYPE I|PORT|STOR first|QUIT|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteScript("{\"commands\": {}}");
        NewSession();
        if (c.count >= 0) {
            ASSERT_EQ(session->ConnectAndStoreMany(kServer, 21, "u", "p", "/base", many, static_cast<uint16_t>(c.count),
                                                   c.passive),
                      1);
        } else {
            ASSERT_EQ(session->StartConnect(kServer, 21), 1);
            ASSERT_EQ(End(), 1u);
            owner->Clear();
            const char more[] = "xfer_local\\b.bin\0xfer_local\\c.bin\0";
            ASSERT_EQ(session->StoreFiles("first", "xfer_local\\a.bin", c.passive, c.count == -1 ? more : nullptr), 1);
        }
        EXPECT_EQ(End(), 1u) << (owner->Notes().empty() ? "" : owner->Notes().back().text);
        EXPECT_EQ(Commands(), c.expected);
        if (c.count == -2) {
            EXPECT_EQ(ReadWholeFile(std::string(kState) + "stored.bin"), "alpha");
        }
    }
}

TEST_F(TransferScriptedTest, RefusedOperationsSendNothing) {
    WriteScript("{\"commands\": {}}");
    ASSERT_EQ(session->StartConnect(kServer, 21), 1);
    ASSERT_EQ(End(), 1u);
    owner->Clear();
    std::remove((std::string(kState) + "transcript.txt").c_str());
    const char f[] = "xfer_local\\a.bin\0";
    const char g[] = "\x01no-end xfer_local\\a.bin\0";
    struct Case {
        const char* name;
        uint16_t result;
    } cases[] = {
        {"retrieve without name", session->RetrieveFile("", "x.bin", 1)},
        {"retrieve without path", session->RetrieveFile("r.bin", "", 0)},
        {"retrieve with line end", session->RetrieveFile("r.bin\r\nDELE x", "x.bin", 1)},
        {"store without name", session->StoreFiles("", "xfer_local\\a.bin", 1, nullptr)},
        {"store without path", session->StoreFiles("s.bin", nullptr, 0, nullptr)},
        {"store with line end", session->StoreFiles("s\n.bin", "xfer_local\\a.bin", 0, nullptr)},
        {"connect-retrieve without host", session->ConnectAndRetrieve("", 21, "u", "p", "/", "r", "l", 1)},
        {"connect-retrieve with line end", session->ConnectAndRetrieve(kServer, 21, "u", "p", "/\r\nDELE x", "r", "l", 1)},
        {"connect-store without host", session->ConnectAndStore(nullptr, 21, "u", "p", "/", "r", "l", 1)},
        {"connect-store with line end", session->ConnectAndStore(kServer, 21, "u\nx", "p", "/", "r", "l", 0)},
        {"many without files", session->ConnectAndStoreMany(kServer, 21, "u", "p", "/", "", 1, 1)},
        {"many with an unended directory", session->ConnectAndStoreMany(kServer, 21, "u", "p", "/", g, 1, 1)},
        {"many without host", session->ConnectAndStoreMany("", 21, "u", "p", "/", f, 1, 1)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, 0) << c.name;
    PumpFor(300);
    EXPECT_EQ(Commands(), "");
    EXPECT_TRUE(owner->Notes().empty());
}

TEST_F(TransferScriptedTest, CancelAnsweredYesOrNo) {
    // The data pauses long enough for Cancel to be pressed in between.
    WriteScript(
        "{\"commands\": {\"RETR\": {\"send\": \"150 Opening.\\r\\n\", \"data\": [\"first part \", {\"pause\": 1.5}, "
        "\"second part\"], \"final\": \"226 Done.\\r\\n\"}}}");
    for (int button : {IDYES, IDNO}) {
        SCOPED_TRACE(button == IDYES ? "yes" : "no");
        NewSession();
        std::remove("xfer_cancel.bin");
        struct Answerer : MessageBoxAnswerer {
            explicit Answerer(int b, HWND o) : MessageBoxAnswerer(b), owner(o) {}
            void OnBox(const Box&) override {
                progressUp = FindOwnedDialog(owner) != nullptr;
                ownerDisabled = !IsWindowEnabled(owner);
            }
            HWND owner;
            bool progressUp = false;
            bool ownerDisabled = false;
        } answerer(button, owner->Handle());
        ASSERT_EQ(session->ConnectAndRetrieve(kServer, 21, "u", "p", "/", "doc.bin", "xfer_cancel.bin", 1), 1);
        HWND progress = nullptr;
        for (DWORD start = GetTickCount(); !progress && GetTickCount() - start < kWait;) {
            PumpFor(10);
            progress = FindOwnedDialog(owner->Handle());
        }
        ASSERT_NE(progress, nullptr);
        EXPECT_FALSE(IsWindowEnabled(owner->Handle()));
        PumpFor(400);
        PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
        if (button == IDYES) {
            ASSERT_TRUE(owner->WaitFor(104, kWait));
            EXPECT_TRUE(Has(104, 0));
            PumpFor(2000);
            EXPECT_FALSE(Has(104, 1));
            EXPECT_EQ(GetFileAttributesA("xfer_cancel.bin"), INVALID_FILE_ATTRIBUTES);
        } else {
            ASSERT_TRUE(owner->WaitFor(104, kWait));
            EXPECT_TRUE(Has(104, 1));
            SendMessageA(session->window, OwnerWindow::kMessage, static_cast<WPARAM>(session->handle),
                         MAKELPARAM(104, 0));
            EXPECT_EQ(End(), 1u);
            EXPECT_EQ(ReadWholeFile("xfer_cancel.bin"), "first part second part");
        }
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].pressed, button);
        EXPECT_TRUE(answerer.progressUp);
        EXPECT_TRUE(answerer.ownerDisabled);
        EXPECT_EQ(FindOwnedDialog(owner->Handle()), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    }
}

TEST_F(TransferScriptedTest, ResetInTheMiddleOfAFileIsAFailure) {
    // The data connection is reset after part of the file; the server says
    // so on the control connection, in both modes at once (an active RETR's
    // negative reply is not held back).
    const std::string script =
        "{\"commands\": {\"RETR\": {\"send\": \"150 Opening.\\r\\n\", \"data\": [\"partial \", {\"pause\": 0.3}, "
        "\"data\"], \"reset_data\": true, \"final\": \"426 Connection reset.\\r\\n\"}}}";
    for (uint16_t passive : {1, 0}) {
        SCOPED_TRACE(passive);
        WriteScript(script);
        NewSession();
        std::remove("xfer_reset.bin");
        ASSERT_EQ(session->ConnectAndRetrieve(kServer, 21, "u", "p", "/", "doc.bin", "xfer_reset.bin", passive), 1);
        EXPECT_EQ(End(), 0u);
        PumpFor(500);
        EXPECT_FALSE(Has(1));
        EXPECT_EQ(Commands(), "USER u|PASS p|CWD /|TYPE I|" + std::string(passive ? "PASV" : "PORT") + "|RETR doc.bin|");
        EXPECT_EQ(FindOwnedDialog(owner->Handle()), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    }
}

TEST_F(TransferScriptedTest, SendToAResetConnectionFails) {
    // The server resets the data connection early yet claims success: the
    // send itself must fail the transfer instead of waiting for ever.
    std::string big(4 * 1024 * 1024, 'x');
    WriteWholeFile("xfer_local\\big.bin", big);
    WriteScript(
        "{\"commands\": {\"STOR\": {\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", "
        "\"reset_after\": 1000}}}");
    ASSERT_EQ(session->ConnectAndStore(kServer, 21, "u", "p", "/", "big.bin", "xfer_local\\big.bin", 1), 1);
    ASSERT_TRUE(owner->WaitFor(0, kWait));
    PumpFor(300);
    EXPECT_EQ(FindOwnedDialog(owner->Handle()), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
}

// What the owner of a session hears when a store goes wrong: exactly one
// failure (code 0, sent with the reply line when a reply showed it, posted
// without one when the data connection did; 101 when the control
// connection went), the progress window gone, no QUIT, and nothing after it:
// not the server's late final reply, not a code 1. The file is larger than
// the socket buffers, so the server misbehaves while bytes are still unsent.
TEST_F(TransferScriptedTest, StoreFailuresReachTheOwnerOnceAndStopTheChain) {
    WriteWholeFile("xfer_local\\big8.bin", std::string(8 * 1024 * 1024, 'z'));
    auto stor = [](const std::string& misbehaviour) {
        return "{\"commands\": {\"STOR\": {\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\"" + misbehaviour +
               "}}}";
    };
    const std::string complete = "226 Transfer complete.";
    const struct {
        const char* name;
        std::string script;
        int modes;        // 1 passive, 2 active, 3 both
        WPARAM code;      // the one notification: 0 or 101; 1 for a store that worked
        const char* text; // code 0: the reply line it carries; "" none; null either
        uint16_t why;     // session->storeFailure
    } cases[] = {
        {"stored", stor(""), 3, 1, "", kStoreFailureNone},
        {"a stranger, then the server", stor(", \"stranger_first\": \"127.0.0.9\""), 2, 1, "", kStoreFailureNone},
        {"a stranger only, then 226", stor(", \"stranger_only\": \"127.0.0.9\""), 2, 0, complete.c_str(),
         kStoreAnsweredEarly},
        {"226 while sending", stor(", \"final_after\": 65536"), 3, 0, complete.c_str(), kStoreAnsweredEarly},
        {"451 while sending", stor(", \"final_after\": 65536, \"final\": \"451 Local error.\\r\\n\""), 3, 0,
         "451 Local error.", kStoreFailureNone},
        {"data closed early, then 226", stor(", \"close_after\": 65536"), 3, 0, nullptr, kStoreDataCut},
        {"data reset early, then 226", stor(", \"reset_after\": 65536"), 3, 0, nullptr, kStoreDataCut},
        {"control closed", stor(", \"control_end_after\": 65536"), 3, 101, "", kStoreFailureNone},
        {"control reset", stor(", \"control_end_after\": 65536, \"control_reset\": true"), 3, 101, "",
         kStoreFailureNone},
    };
    for (const auto& c : cases) {
        for (uint16_t passive : {1, 0}) {
            if (!(c.modes & (passive ? 1 : 2))) continue;
            SCOPED_TRACE(std::string(c.name) + (passive ? ", passive" : ", active"));
            WriteScript(c.script);
            NewSession();
            ASSERT_EQ(session->ConnectAndStore(kServer, 21, "u", "p", "/", "doc.bin", "xfer_local\\big8.bin", passive),
                      1);
            DWORD start = GetTickCount();
            EXPECT_EQ(End(), c.code);
            EXPECT_LT(GetTickCount() - start, 5000u);
            // Long enough for the server's late reply and the end of its
            // connections.
            PumpFor(1500);
            EXPECT_EQ(FindOwnedDialog(owner->Handle()), nullptr);
            EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
            EXPECT_EQ(session->storeFailure, c.why);
            if (c.code == 1) {
                EXPECT_FALSE(Has(0));
                EXPECT_NE(Commands().find("QUIT"), std::string::npos);
                continue;
            }
            EXPECT_EQ(owner->Codes(), std::vector<WPARAM>{c.code});
            EXPECT_EQ(Commands().find("QUIT"), std::string::npos) << Commands();
            const OwnerWindow::Note& note = owner->Notes().front();
            if (c.text) {
                EXPECT_EQ(note.text, c.text);
                EXPECT_EQ(note.posted, !*c.text);
            } else {
                EXPECT_TRUE(note.posted ? !note.hasText : note.text == complete) << note.text;
            }
            EXPECT_EQ(std::string(session->storeName.Text()), "doc.bin");
        }
    }
}

TEST_F(TransferScriptedTest, CancelledStoreEndsThereAndTheNextOperationGetsItsOwnReplies) {
    // A slow server; Cancel, Yes. The server must not take the part it got
    // for the whole file (the connection is reset), its late answer to STOR
    // moves nothing on, and the next operation's replies are its own: the
    // 550 to its CWD fails it before PWD.
    WriteWholeFile("xfer_local\\big8.bin", std::string(8 * 1024 * 1024, 'z'));
    WriteScript(
        "{\"commands\": {\"STOR\": {\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", \"receive_rate\": 400000}, "
        "\"CWD\": [\"250 Changed.\\r\\n\", \"550 No such directory.\\r\\n\"]}}");
    for (uint16_t passive : {1, 0}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        NewSession();
        std::remove((std::string(kState) + "stored.bin").c_str());
        MessageBoxAnswerer answerer(IDYES);
        ASSERT_EQ(session->ConnectAndStore(kServer, 21, "u", "p", "/", "doc.bin", "xfer_local\\big8.bin", passive), 1);
        HWND progress = nullptr;
        for (DWORD start = GetTickCount(); !progress && GetTickCount() - start < kWait;) {
            PumpFor(10);
            progress = FindOwnedDialog(owner->Handle());
        }
        ASSERT_NE(progress, nullptr);
        PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(owner->WaitFor(104, kWait));
        PumpFor(1500);
        EXPECT_EQ(owner->Codes(), std::vector<WPARAM>{104});
        EXPECT_TRUE(Has(104, 0));
        EXPECT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(FindOwnedDialog(owner->Handle()), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
        bool stored = false;
        const std::string held = ReadWholeFile(std::string(kState) + "stored.bin", &stored);
        EXPECT_TRUE(stored);
        EXPECT_LT(held.size(), 8u * 1024 * 1024);

        owner->Clear();
        ASSERT_EQ(session->ListDirectory("/x", passive), 1);
        ASSERT_TRUE(owner->WaitFor(0, kWait));
        ASSERT_FALSE(owner->Notes().empty());
        EXPECT_EQ(owner->Notes().front().text, "550 No such directory.");
        const std::string commands = Commands();
        EXPECT_EQ(commands.substr(commands.size() - 7), "CWD /x|") << commands;
        EXPECT_EQ(commands.find("QUIT"), std::string::npos) << commands;
    }
}

}  // namespace
