// What the progress window shows while files move through the exports: a
// bar, a share and the exact total when the size is known (the FTP server's
// reply to RETR, HTTP's Content-Length, the local file of a store), the
// readable count and no bar when it is not, the rate and the time left once
// measured. Servers: a scripted FTP server on 127.0.0.11 and a scripted HTTP
// server, both sending in timed pieces, the FTP one also reading slowly.
#include <regex>

#include "progress_watch.h"
#include "url_transfer_suite.h"

namespace {

const char kScripted[] = "scripted\\progress_plain\\";
const char kHttp[] = "scripted\\progress_http\\";

std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 23);
    }
    return bytes;
}

// Writes of `pieces` pieces of `piece` bytes each, `pause` s apart: at
// least a second and a half, so that the rate is measured.
std::string TimedPieces(int pieces, int piece, double pause) {
    std::string json = "[";
    for (int i = 0; i < pieces; ++i) {
        if (i) json += ",";
        json += "{\"repeat\":\"d\",\"times\":" + std::to_string(piece) + "},{\"pause\":" + std::to_string(pause) + "}";
    }
    return json + "]";
}

class Progress : public UrlTransfer {
protected:
    void SetUp() override {
        UrlTransfer::SetUp();
        kLocal = "progress_local.bin";
        std::remove(kLocal);
    }
    void TearDown() override {
        std::remove(kLocal);
        UrlTransfer::TearDown();
    }
    // Everything the window showed ran forward: the bar never went back,
    // and it moved through several positions.
    static void ExpectBarAdvanced(const ProgressWatch& watch) {
        std::vector<int> positions = watch.Positions();
        EXPECT_GE(positions.size(), 4u) << "the bar moves";
        for (size_t i = 1; i < positions.size(); ++i) EXPECT_GT(positions[i], positions[i - 1]);
        ASSERT_FALSE(positions.empty());
        EXPECT_LT(positions.front(), 1000);
    }
    static void ExpectWhole(const ProgressWatch& watch, const std::string& count) {
        ASSERT_EQ(watch.finals.size(), 1u) << "one window, seen as it went";
        const ProgressSample& last = watch.finals.back();
        EXPECT_EQ(last.count, count);
        EXPECT_EQ(last.percent, "100%");
        EXPECT_TRUE(last.bar);
        EXPECT_EQ(last.position, 1000);
    }
};

// 2 MB over 1.6 s in both modes: the size in the 150 reply, worded as
// vsftpd and ProFTPD word it, is the total.
TEST_F(Progress, FtpRetrieveWithAnnouncedSize) {
    WriteServerScript(kScripted, "{\"commands\": {\"RETR\": {\"send\": \"150 Opening BINARY mode data connection "
                                 "for sized.bin (2097152 bytes).\\r\\n\", \"data\": " + TimedPieces(8, 262144, 0.2) + "}}}");
    for (const OrbLoginInfo* login : {&alice, &aliceActive}) {
        SCOPED_TRACE(login->passive ? "passive" : "active");
        std::remove(kLocal);
        ProgressWatch watch;
        Outcome out = Retrieve("ftp://127.0.0.11/sized.bin", kLocal, nullptr, login);
        ASSERT_EQ(out.code, 0);
        EXPECT_EQ(ReadWholeFile(kLocal), std::string(2 * 1048576, 'd'));
        EXPECT_EQ(watch.windows, 1);
        ExpectBarAdvanced(watch);
        ExpectWhole(watch, "2.0 MB of 2.0 MB");
        for (const ProgressSample& s : watch.samples) {
            EXPECT_TRUE(std::regex_match(s.count, std::regex(R"([0-9.]+ (bytes|KB|MB) of 2\.0 MB)"))) << s.count;
            EXPECT_TRUE(std::regex_match(s.percent, std::regex(R"([0-9]{1,3}%)"))) << s.percent;
        }
        std::string rate = watch.RateWith("left");
        EXPECT_TRUE(std::regex_match(rate, std::regex(R"([0-9.]+ (KB|MB)/s, [0-9]+ s left)"))) << rate;
    }
}

// A 150 reply without a size (pyftpdlib, IIS): the count, readable, and the
// rate; no bar, no share.
TEST_F(Progress, FtpRetrieveWithoutSize) {
    WriteServerScript(kScripted, "{\"commands\": {\"RETR\": {\"send\": \"150 Opening data connection.\\r\\n\", "
                                 "\"data\": " + TimedPieces(8, 262144, 0.2) + "}}}");
    ProgressWatch watch;
    Outcome out = Retrieve("ftp://127.0.0.11/plain.bin", kLocal, nullptr, &alice);
    ASSERT_EQ(out.code, 0);
    EXPECT_EQ(ReadWholeFile(kLocal), std::string(2 * 1048576, 'd'));
    EXPECT_FALSE(watch.AnyBar());
    ASSERT_EQ(watch.finals.size(), 1u);
    EXPECT_EQ(watch.finals[0].count, "2.0 MB received");
    EXPECT_EQ(watch.finals[0].percent, "");
    ASSERT_FALSE(watch.samples.empty());
    for (const ProgressSample& s : watch.samples) {
        EXPECT_TRUE(std::regex_match(s.count, std::regex(R"([0-9.]+ (bytes|KB|MB) received)"))) << s.count;
        EXPECT_EQ(s.percent, "");
        EXPECT_EQ(s.rate.find("left"), std::string::npos) << "no time left without a total";
    }
    std::string rate = watch.RateWith("/s");
    EXPECT_TRUE(std::regex_match(rate, std::regex(R"([0-9.]+ (KB|MB)/s)"))) << rate;
}

// HTTP: Content-Length is the total; without it the count goes alone; a
// length that is no plain number is not believed.
TEST_F(Progress, HttpWithAndWithoutContentLength) {
    const std::string body = TimedPieces(6, 262144, 0.25);
    const std::string head = "\"HTTP/1.0 200 OK\\r\\nContent-Type: application/octet-stream\\r\\n";
    WriteServerScript(kHttp, "{\"paths\": {"
                             "\"/sized.bin\": [" + head + "Content-Length: 1572864\\r\\n\\r\\n\"," + body.substr(1) + ","
                             "\"/unsized.bin\": [" + head + "\\r\\n\"," + body.substr(1) + ","
                             "\"/signed.bin\": [" + head + "Content-Length: +1572864\\r\\n\\r\\n\"," + body.substr(1) +
                             "}}");
    const uint16_t port = ServerPort(kHttp);
    const struct {
        const char* path;
        bool bar;
        const char* final;
    } cases[] = {
        {"/sized.bin", true, "1.5 MB of 1.5 MB"},
        {"/unsized.bin", false, "1.5 MB received"},
        {"/signed.bin", false, "1.5 MB received"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::remove(kLocal);
        ProgressWatch watch;
        Outcome out = Retrieve("http://127.0.0.1:" + std::to_string(port) + c.path, kLocal);
        ASSERT_EQ(out.code, 0);
        EXPECT_EQ(ReadWholeFile(kLocal), std::string(1572864, 'd'));
        ASSERT_EQ(watch.finals.size(), 1u);
        EXPECT_EQ(watch.finals[0].count, c.final);
        EXPECT_EQ(watch.AnyBar(), c.bar);
        if (c.bar) {
            ExpectBarAdvanced(watch);
            ExpectWhole(watch, c.final);
        } else {
            EXPECT_EQ(watch.finals[0].percent, "");
        }
    }
}

// A store to a server that reads 2 MB a second: the local file's size is
// the total from the start.
TEST_F(Progress, StoreShowsTheLocalFilesSize) {
    const std::string bytes = Pattern(6 * 1048576, 2);
    WriteWholeFile(kLocal, bytes);
    const std::string stored = std::string(kScripted) + "stored.bin";
    std::remove(stored.c_str());
    WriteServerScript(kScripted, "{\"commands\": {\"STOR\": {\"send\": \"150 Ok to send data.\\r\\n\", "
                                 "\"receive\": \"stored.bin\", \"receive_rate\": 2000000}}}");
    ProgressWatch watch;
    Outcome out = Store("ftp://127.0.0.11/stored.bin", kLocal, nullptr, &alice);
    ASSERT_EQ(out.code, 0);
    EXPECT_EQ(ReadWholeFile(stored), bytes);
    ASSERT_FALSE(watch.samples.empty());
    for (const ProgressSample& s : watch.samples) {
        EXPECT_TRUE(std::regex_match(s.count, std::regex(R"([0-9.]+ (bytes|KB|MB) of 6\.0 MB)"))) << s.count;
        EXPECT_TRUE(s.bar);
    }
    ExpectBarAdvanced(watch);
    ExpectWhole(watch, "6.0 MB of 6.0 MB");
    std::remove(stored.c_str());
}

}  // namespace
