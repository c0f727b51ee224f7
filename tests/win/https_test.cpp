// https through NETRetrieveFile: TLS servers with certificates of the test
// authority (trusted in this Wine prefix only), an impostor of each kind,
// redirects between http and https, and tunnels through Web proxies.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "test_ca.h"
#include "test_support.h"
#include "url_transfer_suite.h"

namespace {

const char kGood[] = "scripted\\https_good\\";
const char kExpired[] = "scripted\\https_expired\\";
const char kUntrusted[] = "scripted\\https_untrusted\\";
const char kPlain[] = "scripted\\https_plain\\";
const char kProxyState[] = "tinyproxy\\";
const char kOwnDocument[] = "the user's own document";
const char kMeta[] = "<meta name=\"Content-Type\" content=\"text/html\">";

std::string Port(const char* state) { return std::to_string(ServerPort(state)); }
std::string Secure(const char* state, const std::string& path, const char* host = "localhost") {
    return "https://" + std::string(host) + ":" + Port(state) + path;
}
std::string Plain(const std::string& path) { return "http://localhost:" + Port(kPlain) + path; }

std::string Ok(const std::string& headers, const std::string& body) {
    return Json("HTTP/1.0 200 OK\r\n" + headers + "\r\n" + body);
}
std::string Moved(const std::string& where) {
    return Json("HTTP/1.0 302 Found\r\nLocation: " + where + "\r\nContent-Length: 0\r\n\r\n");
}

size_t Requests(const char* state) {
    const std::string t = ServerTranscript(state);
    size_t count = 0;
    for (size_t at = t.find("GET "); at != std::string::npos; at = t.find("GET ", at + 1)) ++count;
    return count;
}

// Bytes that show any shift, loss or repetition.
std::string Pattern(size_t size) {
    std::string out(size, '\0');
    uint32_t x = 2463534242u;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x);
    }
    return out;
}

class Https : public UrlTransfer {
protected:
    static void SetUpTestSuite() {
        std::string error;
        trusted_ = TrustTestCa("test_ca\\ca.pem", &error);
        trustError_ = error;
    }
    void SetUp() override {
        kLocal = "https_local.bin";
        UrlTransfer::SetUp();
        ASSERT_TRUE(trusted_) << trustError_;
    }
    static inline bool trusted_ = false;
    static inline std::string trustError_;
};

TEST_F(Https, DocumentsFetchedByteExact) {
    const std::string big = Pattern(50 * 1024 * 1024);
    WriteWholeFile(std::string(kGood) + "big.bin", big);
    WriteServerScript(kGood, "{\"paths\": {"
                             "\"/a.txt\": " + Ok("Content-Type: text/plain\r\nContent-Length: 12\r\n", "hello world\n") +
                             ", \"/to-close.bin\": " + Ok("", std::string("\x00\x01\r\n\xff", 5)) +
                             ", \"/page.htm\": " + Ok("Content-Type: text/html\r\n", "<html>secure</html>") +
                             ", \"/big.bin\": [" + Json("HTTP/1.0 200 OK\r\nContent-Length: " +
                                                        std::to_string(big.size()) + "\r\n\r\n") +
                             ", {\"file\": \"big.bin\"}]}}");
    const struct {
        const char* path;
        std::string expected;
    } cases[] = {
        {"/a.txt", "hello world\n"},
        {"/to-close.bin", std::string("\x00\x01\r\n\xff", 5)},
        {"/page.htm", std::string(kMeta) + "<html>secure</html>"},
        {"/big.bin", big},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Outcome out = Retrieve(Secure(kGood, c.path), kLocal);
        EXPECT_EQ(out.code, 0);
        EXPECT_TRUE(out.boxes.empty()) << (out.boxes.empty() ? "" : out.boxes[0].text);
        const std::string got = ReadOrMissing(kLocal);
        EXPECT_EQ(got.size(), c.expected.size());
        EXPECT_TRUE(got == c.expected);
    }
    // The request went out inside TLS with the URL's host; the log has it.
    const std::string transcript = ServerTranscript(kGood);
    EXPECT_NE(transcript.find("GET /a.txt HTTP/1.0\r\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("Host: localhost:" + Port(kGood) + "\r\n"), std::string::npos) << transcript;
    Unload();
    const std::string log = ReadProtocolLog();
    EXPECT_NE(log.find("--- secure connection to localhost:" + Port(kGood)), std::string::npos) << log;
    EXPECT_NE(log.find("--> GET /big.bin HTTP/1.0"), std::string::npos) << log;
    std::remove((std::string(kGood) + "big.bin").c_str());
}

// An impostor is refused before the request goes out: the message names
// the host, nothing is written, the caller's file stays.
TEST_F(Https, ServersWhoseIdentityFailsAreRefused) {
    const std::string script = "{\"paths\": {\"/doc.txt\": " + Ok("", "impostor's document") + "}}";
    const std::string unverified = " could not be verified: ";
    const struct {
        const char* name;
        const char* state;
        std::string url;
        std::string message;
    } cases[] = {
        {"untrusted authority", kUntrusted, Secure(kUntrusted, "/doc.txt"),
         "The identity of the server localhost" + unverified +
             "its certificate was not issued by an authority this computer trusts. Nothing was transferred."},
        {"another name", kGood, Secure(kGood, "/doc.txt", "127.0.0.1"),
         "The identity of the server 127.0.0.1" + unverified +
             "its certificate was issued for another name. Nothing was transferred."},
        {"expired", kExpired, Secure(kExpired, "/doc.txt"),
         "The identity of the server localhost" + unverified +
             "its certificate has expired or is not yet valid. Nothing was transferred."},
        {"no TLS at all", kPlain, "https://localhost:" + Port(kPlain) + "/doc.txt",
         "No secure connection could be made to localhost."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteServerScript(c.state, script);
        WriteWholeFile(kLocal, kOwnDocument);
        Outcome out = Retrieve(c.url, kLocal);
        EXPECT_EQ(out.code, 2);
        ASSERT_EQ(out.boxes.size(), 1u);
        EXPECT_EQ(out.boxes[0].text, c.message);
        EXPECT_EQ(ReadOrMissing(kLocal), kOwnDocument);
        if (c.state != kPlain) {
            EXPECT_EQ(Requests(c.state), 0u) << ServerTranscript(c.state);
        }
        // No temporary file either. (The plain server waits 10 s for the
        // end of a request that never comes: once is enough.)
        if (c.state == kPlain) continue;
        Outcome temp = Retrieve(c.url, "");
        EXPECT_EQ(temp.code, 2);
        EXPECT_EQ(ReadOrMissing(temp.local), kMissing) << temp.local;
    }
}

TEST_F(Https, CancelDuringTheBodyLeavesNoFile) {
    const std::string part(64 * 1024, 's');
    WriteServerScript(kGood, "{\"paths\": {\"/slow.bin\": [" +
                                 Json("HTTP/1.0 200 OK\r\nContent-Length: 1000000\r\n\r\n" + part) +
                                 ", {\"pause\": 6}, " + Json(part) + "]}}");
    dialogs.cancelProgressAfter = 400;
    DWORD start = GetTickCount();
    Outcome out = Retrieve(Secure(kGood, "/slow.bin"), kLocal);
    EXPECT_EQ(out.code, 1);
    EXPECT_LT(GetTickCount() - start, 5000u);
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_EQ(out.boxes[0].text, "Do you want to cancel the transfer?");
    EXPECT_EQ(ReadOrMissing(kLocal), kMissing);
}

// http to https is followed, also relative Locations and five in a row;
// the sixth, a loop and https to http end the fetch naming the address.
TEST_F(Https, RedirectsBetweenHttpAndHttps) {
    std::string secure = "\"/doc.txt\": " + Ok("Content-Length: 6\r\n", "secret");
    for (int i = 1; i <= 6; ++i)
        secure += ", \"/r" + std::to_string(i) + "\": " + Moved("r" + std::to_string(i + 1));
    secure += ", \"/r7\": " + Moved("/doc.txt");
    secure += ", \"/loop\": " + Moved("/loop");
    secure += ", \"/down\": " + Moved(Plain("/doc.txt"));
    WriteServerScript(kGood, "{\"paths\": {" + secure + "}}");
    WriteServerScript(kPlain, "{\"paths\": {\"/old.txt\": " + Moved(Secure(kGood, "/doc.txt")) +
                                  ", \"/doc.txt\": " + Ok("", "plain") + "}}");
    const std::string tooMany = "The server sent the request on too many times. The last address it named was ";
    const struct {
        std::string url;
        LONG code;
        std::string message;
        std::string local;
    } cases[] = {
        {Plain("/old.txt"), 0, "", "secret"},
        {Secure(kGood, "/r3"), 0, "", "secret"},  // r4 .. r7, doc.txt: five
        {Secure(kGood, "/r2"), 2, tooMany + Secure(kGood, "/doc.txt") + ".", kOwnDocument},
        {Secure(kGood, "/loop"), 2, tooMany + Secure(kGood, "/loop") + ".", kOwnDocument},
        {Secure(kGood, "/down"), 2,
         "The server sent the request from a secure address on to an insecure one, " + Plain("/doc.txt") +
             ". It was not followed.",
         kOwnDocument},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        WriteWholeFile(kLocal, kOwnDocument);
        Outcome out = Retrieve(c.url, kLocal);
        EXPECT_EQ(out.code, c.code);
        if (c.message.empty()) {
            EXPECT_TRUE(out.boxes.empty()) << (out.boxes.empty() ? "" : out.boxes[0].text);
        } else {
            ASSERT_EQ(out.boxes.size(), 1u);
            EXPECT_EQ(out.boxes[0].text, c.message);
        }
        EXPECT_EQ(ReadOrMissing(kLocal), c.local);
    }
    // The refused downgrade sent nothing to the plain server.
    EXPECT_EQ(ServerTranscript(kPlain).find("GET /doc.txt"), std::string::npos);
    // The temporary file's extension comes from the caller's URL.
    Outcome out = Retrieve(Plain("/old.txt"), "");
    ASSERT_EQ(out.code, 0);
    EXPECT_EQ(ReadWholeFile(out.local), "secret");
    EXPECT_EQ(out.local.substr(out.local.size() - 4), ".txt") << out.local;
    std::remove(out.local.c_str());
}

// Through a Web proxy: a CONNECT tunnel, TLS inside it with the server's
// own name; a proxy that refuses says so.
TEST_F(Https, ThroughProxyTunnels) {
    WriteServerScript(kGood, "{\"paths\": {\"/via.txt\": " + Ok("", "tunnelled") + "}}");
    const std::string authority = "localhost:" + Port(kGood);
    OrbProxyInfo proxy{"127.0.0.1", ServerPort(kProxyState), 1};
    Outcome out = Retrieve(Secure(kGood, "/via.txt"), kLocal, &proxy);
    EXPECT_EQ(out.code, 0);
    EXPECT_TRUE(out.boxes.empty()) << (out.boxes.empty() ? "" : out.boxes[0].text);
    EXPECT_EQ(ReadOrMissing(kLocal), "tunnelled");
    // The proxy saw only the tunnel; the server got the path.
    EXPECT_NE(ServerTranscript(kGood).find("GET /via.txt HTTP/1.0\r\n"), std::string::npos);
    Unload();
    const std::string log = ReadProtocolLog();
    EXPECT_NE(log.find("--> CONNECT " + authority + " HTTP/1.0"), std::string::npos) << log;
    EXPECT_NE(log.find("<-- HTTP/1.0 200"), std::string::npos) << log;

    // An http address that sends the request on to https, through the proxy:
    // the first request as a whole URL, the second through a tunnel.
    WriteServerScript(kPlain, "{\"paths\": {\"/old.txt\": " + Moved(Secure(kGood, "/via.txt")) + "}}");
    out = Retrieve(Plain("/old.txt"), kLocal, &proxy);
    EXPECT_EQ(out.code, 0);
    EXPECT_TRUE(out.boxes.empty()) << (out.boxes.empty() ? "" : out.boxes[0].text);
    EXPECT_EQ(ReadOrMissing(kLocal), "tunnelled");
    Unload();
    const std::string chain = ReadProtocolLog();
    const size_t first = chain.find("--> GET " + Plain("/old.txt") + " HTTP/1.0");
    EXPECT_NE(first, std::string::npos) << chain;
    EXPECT_NE(chain.find("--> CONNECT " + authority + " HTTP/1.0", first), std::string::npos) << chain;

    // A proxy that refuses the tunnel (the scripted server answers CONNECT).
    WriteServerScript(kPlain, "{\"paths\": {" + Json(authority) + ": " +
                                  Json("HTTP/1.0 403 Tunnels Forbidden\r\nContent-Length: 2\r\n\r\nno") + "}}");
    OrbProxyInfo refusing{"127.0.0.1", ServerPort(kPlain), 1};
    std::remove(kLocal);
    out = Retrieve(Secure(kGood, "/via.txt"), kLocal, &refusing);
    EXPECT_EQ(out.code, 2);
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_EQ(out.boxes[0].text, "The proxy 127.0.0.1 refused the connection to " + authority + ": 403 Tunnels Forbidden");
    EXPECT_EQ(ReadOrMissing(kLocal), kMissing);
    EXPECT_EQ(ServerTranscript(kPlain).rfind("CONNECT " + authority + " HTTP/1.0\r\n", 0), 0u);
}

// Run with the security provider disabled (https_without_provider): the
// library loads and works as before, an https URL fails with a message.
TEST_F(UrlTransfer, HttpsWithoutSecurityProvider) {
    char flag[8] = "";
    if (!GetEnvironmentVariableA("ORB_NO_SECURITY_PROVIDER", flag, sizeof flag)) GTEST_SKIP() << "provider present";
    ASSERT_EQ(GetModuleHandleA("secur32.dll"), nullptr);
    kLocal = "https_noprovider.bin";
    WriteServerScript(kGood, "{\"paths\": {\"/a.txt\": " + Ok("", "secure") + "}}");
    WriteServerScript(kPlain, "{\"paths\": {\"/a.txt\": " + Ok("", "plain") + "}}");
    WriteWholeFile(kLocal, kOwnDocument);
    Outcome out = Retrieve(Secure(kGood, "/a.txt"), kLocal);
    EXPECT_EQ(out.code, 2);
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_EQ(out.boxes[0].text,
              "No secure connection could be made to localhost: this computer offers no security provider for it.");
    EXPECT_EQ(ReadOrMissing(kLocal), kOwnDocument);
    out = Retrieve(Plain("/a.txt"), kLocal);
    EXPECT_EQ(out.code, 0);
    EXPECT_EQ(ReadOrMissing(kLocal), "plain");
    std::remove(kLocal);
}

}  // namespace
