// File transfers against a real FTP server (pyftpdlib on 127.0.0.2:21, root
// ./servers/ftproot): byte-exact round trips in both modes, the owner window
// disabled exactly while the progress window exists, and a local file that
// cannot grow.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

#include "frame/module.h"
#include "ftp/ftp_session.h"
#include "net/network.h"
#include "ftp_session_suite.h"
#include "owner_window.h"
#include "test_support.h"

namespace {

constexpr DWORD kWait = 30000;
const char kServer[] = "127.0.0.2";
const char kRoot[] = "servers\\ftproot\\";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

class TransferFtpTest : public FtpSessionSuite {
protected:
    // Pumps until done() or a failure note; meanwhile the owner is disabled
    // exactly while the progress window exists. Relays the end of the data
    // side to the session as a dialog does.
    template <typename Done>
    void RunUntil(Done done) {
        bool relayed = false;
        DWORD start = GetTickCount();
        while (!done() && !Has(0) && !Has(101) && GetTickCount() - start < kWait) {
            PumpFor(5);
            HWND progress = FindOwnedDialog(owner->Handle());
            ASSERT_EQ(progress != nullptr, !IsWindowEnabled(owner->Handle()));
            if (!relayed && Has(104)) {
                relayed = true;
                SendMessageA(session->window, OwnerWindow::kMessage, static_cast<WPARAM>(session->handle),
                             MAKELPARAM(104, 0));
            }
        }
    }
    void Retrieve(const char* remote, const std::string& local, uint16_t passive) {
        ASSERT_EQ(session->ConnectAndRetrieve(kServer, 21, "alice", "secret", "/", remote, local.c_str(), passive), 1);
        RunUntil([&] { return Has(104) && Has(1); });
    }
    void Store(const std::string& local, const char* remote, uint16_t passive) {
        ASSERT_EQ(session->ConnectAndStore(kServer, 21, "anonymous", "visit", "", remote, local.c_str(), passive), 1);
        RunUntil([&] { return Has(1); });
    }

};

TEST_F(TransferFtpTest, RoundTripsAreByteExactInBothModes) {
    const size_t sizes[] = {0, 1, 512, 512 * 7, 5 * 1024 * 1024 + 3};
    for (uint16_t passive : {1, 0}) {
        for (size_t size : sizes) {
            std::string tag = std::to_string(size) + (passive ? "p" : "a");
            SCOPED_TRACE(tag);
            std::string bytes = RandomBytes(size, static_cast<unsigned>(size * 2 + passive));

            // Store: the server's file equals the local one.
            std::string up = "up" + tag + ".bin";
            WriteWholeFile("xfer_" + up, bytes);
            Store("xfer_" + up, up.c_str(), passive);
            EXPECT_TRUE(Has(1)) << (owner->Notes().empty() ? "" : owner->Notes().back().text);
            EXPECT_FALSE(Has(0));
            EXPECT_TRUE(ReadWholeFile(kRoot + up) == bytes) << "stored copy differs";

            // Retrieve: the local file equals the server's.
            NewSession();
            std::string down = "down" + tag + ".bin";
            WriteWholeFile(kRoot + down, bytes);
            std::string local = "xfer_" + down;
            std::remove(local.c_str());
            Retrieve(down.c_str(), local, passive);
            EXPECT_TRUE(Has(104, 1));
            EXPECT_TRUE(Has(1));
            EXPECT_FALSE(Has(0));
            bool exists = false;
            EXPECT_TRUE(ReadWholeFile(local, &exists) == bytes) << "retrieved copy differs";
            EXPECT_TRUE(exists);
            EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
            EXPECT_EQ(FindOwnedDialog(owner->Handle()), nullptr);

            NewSession();
        }
    }
}

TEST_F(TransferFtpTest, FailuresOfLocalFilesAreReported) {
    WriteWholeFile(std::string(kRoot) + "big.bin", RandomBytes(256 * 1024, 7));
    // A local file that cannot grow (a link to a full device, made by the
    // test fixture): the partial file goes and the receive fails.
    ASSERT_EQ(session->ConnectAndRetrieve(kServer, 21, "alice", "secret", "/", "big.bin", "transfer_full.bin", 1), 1);
    RunUntil([&] { return Has(0) || Has(104); });
    EXPECT_TRUE(Has(0));
    EXPECT_FALSE(Has(104, 1));
    EXPECT_FALSE(Exists("transfer_full.bin"));
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    EXPECT_EQ(FindOwnedDialog(owner->Handle()), nullptr);
    NewSession();

    // A local file to send that does not exist: the chain fails, nothing is
    // stored.
    std::remove("xfer_missing.bin");
    ASSERT_EQ(session->ConnectAndStore(kServer, 21, "alice", "secret", "/", "missing.bin", "xfer_missing.bin", 1), 1);
    RunUntil([&] { return Has(1); });
    EXPECT_TRUE(Has(0));
    EXPECT_FALSE(Has(1));
}

}  // namespace
