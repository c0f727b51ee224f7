// The test servers seen from a Windows program: the real FTP server on
// 127.0.0.2:21 with its fixture files, a scripted FTP server and a scripted
// HTTP server, over plain blocking sockets.
#include <winsock2.h>
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kFtpAddress[] = "127.0.0.2";
const char kScriptedFtpAddress[] = "127.0.0.250";
const char kScriptedFtpState[] = "scripted/smoke_scripted_ftp/";
const char kScriptedHttpState[] = "scripted/smoke_scripted_http/";

class Winsock : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};
::testing::Environment* const winsock = ::testing::AddGlobalTestEnvironment(new Winsock);

// A file of the build folder (the working directory), whole; "" when missing.
std::string ReadLocal(const std::string& path) {
    std::string data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return data;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    fclose(f);
    return data;
}

// One blocking TCP connection with a 5 s limit on every receive.
class Conn {
public:
    Conn() : s_(INVALID_SOCKET) {}
    explicit Conn(SOCKET s) : s_(s) { Limit(); }
    ~Conn() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }
    Conn(const Conn&) = delete;
    Conn& operator=(const Conn&) = delete;

    bool Open(const char* address, unsigned short port) {
        s_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s_ == INVALID_SOCKET) return false;
        Limit();
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = inet_addr(address);
        return connect(s_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    bool Send(const std::string& text) {
        return send(s_, text.data(), static_cast<int>(text.size()), 0) == static_cast<int>(text.size());
    }
    // One recv; "" at the end, on error or timeout.
    std::string ReadOnce() {
        char buf[8192];
        int n = recv(s_, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, n) : std::string();
    }
    std::string ReadAll() {
        std::string all, part;
        while (!(part = ReadOnce()).empty()) all += part;
        return all;
    }
    // Reads up to and including an FTP reply's last line ("ddd text").
    std::string ReadReply() {
        for (;;) {
            size_t start = 0, end;
            while ((end = pending_.find("\r\n", start)) != std::string::npos) {
                if (end - start >= 4 && pending_[start + 3] == ' ') {
                    std::string reply = pending_.substr(0, end + 2);
                    pending_.erase(0, end + 2);
                    return reply;
                }
                start = end + 2;
            }
            std::string part = ReadOnce();
            if (part.empty()) return "(no reply) " + pending_;
            pending_ += part;
        }
    }
    std::string Command(const std::string& line) {
        if (!Send(line + "\r\n")) return "(send failed)";
        return ReadReply();
    }
    SOCKET Socket() const { return s_; }

private:
    void Limit() {
        DWORD ms = 5000;
        setsockopt(s_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    }
    SOCKET s_;
    std::string pending_;
};

std::string Code(const std::string& reply) { return reply.substr(0, 3); }

TEST(RealFtpServer, GreetsAndLogsInKnownUsersOnly) {
    struct Login {
        const char* user;
        const char* password;
        const char* code;
    };
    const Login logins[] = {
        {"anonymous", "guest@example.com", "230"},
        {"anonymous", "", "230"},
        {"alice", "secret", "230"},
        {"alice", "wrong", "530"},
        {"mallory", "secret", "530"},
    };
    for (const Login& login : logins) {
        SCOPED_TRACE(std::string(login.user) + "/" + login.password);
        Conn c;
        ASSERT_TRUE(c.Open(kFtpAddress, 21));
        EXPECT_EQ(Code(c.ReadReply()), "220");
        EXPECT_EQ(Code(c.Command(std::string("USER ") + login.user)), "331");
        EXPECT_EQ(Code(c.Command(std::string("PASS ") + login.password)), login.code);
        EXPECT_EQ(Code(c.Command("QUIT")), "221");
    }
}

// Fixture files as the server sends them, in passive and in active mode;
// the client's PORT names 127.0.0.1 while the server sits on 127.0.0.2.
TEST(RealFtpServer, SendsTheFixtureFilesInBothModes) {
    struct Transfer {
        bool passive;
        const char* file;
    };
    const Transfer transfers[] = {
        {true, "pub/a.txt"}, {false, "pub/a.txt"}, {true, "pub/empty.bin"},
        {false, "pub/one.bin"}, {true, "readme.txt"}, {false, "pub/docs/b.txt"},
    };
    for (const Transfer& t : transfers) {
        SCOPED_TRACE(std::string(t.passive ? "passive " : "active ") + t.file);
        const std::string expected = ReadLocal(std::string("servers/ftproot/") + t.file);
        if (std::string(t.file) != "pub/empty.bin") {
            ASSERT_FALSE(expected.empty());
        }
        Conn c;
        ASSERT_TRUE(c.Open(kFtpAddress, 21));
        ASSERT_EQ(Code(c.ReadReply()), "220");
        ASSERT_EQ(Code(c.Command("USER alice")), "331");
        ASSERT_EQ(Code(c.Command("PASS secret")), "230");
        ASSERT_EQ(Code(c.Command("TYPE I")), "200");

        std::string data;
        if (t.passive) {
            std::string reply = c.Command("PASV");
            ASSERT_EQ(Code(reply), "227") << reply;
            int h[4], p[2];
            ASSERT_EQ(sscanf(reply.c_str() + reply.find('('), "(%d,%d,%d,%d,%d,%d)", &h[0], &h[1], &h[2],
                             &h[3], &p[0], &p[1]),
                      6);
            char host[32];
            snprintf(host, sizeof host, "%d.%d.%d.%d", h[0], h[1], h[2], h[3]);
            EXPECT_STREQ(host, kFtpAddress);
            Conn d;
            ASSERT_TRUE(d.Open(host, static_cast<unsigned short>(p[0] * 256 + p[1])));
            // 125 when the data connection is already open, else 150.
            EXPECT_EQ(c.Command(std::string("RETR ") + t.file)[0], '1');
            data = d.ReadAll();
        } else {
            sockaddr_in local = {};
            int len = sizeof local;
            ASSERT_EQ(getsockname(c.Socket(), reinterpret_cast<sockaddr*>(&local), &len), 0);
            local.sin_port = 0;
            SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            Conn owner(listener);
            ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
            ASSERT_EQ(listen(listener, 1), 0);
            len = sizeof local;
            ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&local), &len), 0);
            const unsigned char* a = reinterpret_cast<const unsigned char*>(&local.sin_addr);
            const unsigned port = ntohs(local.sin_port);
            char line[64];
            snprintf(line, sizeof line, "PORT %u,%u,%u,%u,%u,%u", a[0], a[1], a[2], a[3], port >> 8, port & 255);
            ASSERT_EQ(Code(c.Command(line)), "200");
            ASSERT_TRUE(c.Send(std::string("RETR ") + t.file + "\r\n"));
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(listener, &ready);
            timeval limit = {5, 0};
            ASSERT_EQ(select(0, &ready, nullptr, nullptr, &limit), 1);
            Conn d(accept(listener, nullptr, nullptr));
            ASSERT_NE(d.Socket(), INVALID_SOCKET);
            EXPECT_EQ(c.ReadReply()[0], '1');
            data = d.ReadAll();
        }
        EXPECT_EQ(Code(c.ReadReply()), "226");
        EXPECT_EQ(data, expected);
        EXPECT_EQ(Code(c.Command("QUIT")), "221");
    }
}

TEST(ScriptedFtpServer, SplitsTheGreetingAndRecordsEveryCommand) {
    Conn c;
    ASSERT_TRUE(c.Open(kScriptedFtpAddress, 21));
    // The greeting's two writes arrive as two reads, cut inside the first line.
    EXPECT_EQ(c.ReadOnce(), "220-Scripted greeting, first half of a li");
    EXPECT_EQ(c.ReadOnce(), "ne\r\n220 Ready.\r\n");
    EXPECT_EQ(c.Command("USER someone"), "230 No password needed.\r\n");
    EXPECT_EQ(c.Command("PASS"), "503 Already logged in.\r\n");

    std::string reply = c.Command("PASV");
    ASSERT_EQ(Code(reply), "227") << reply;
    int h[4], p[2];
    ASSERT_EQ(sscanf(reply.c_str() + reply.find('('), "(%d,%d,%d,%d,%d,%d)", &h[0], &h[1], &h[2], &h[3], &p[0],
                     &p[1]),
              6);
    Conn d;
    ASSERT_TRUE(d.Open(kScriptedFtpAddress, static_cast<unsigned short>(p[0] * 256 + p[1])));
    EXPECT_EQ(c.Command("LIST"), "150 Listing.\r\n");
    // The final reply comes while the data connection is still open.
    std::string listing = d.ReadOnce();
    EXPECT_EQ(c.ReadReply(), "226 Done.\r\n");
    listing += d.ReadAll();
    EXPECT_EQ(listing, "one\r\ntwo\r\n");
    EXPECT_EQ(Code(c.Command("QUIT")), "221");
    EXPECT_EQ(ReadLocal(std::string(kScriptedFtpState) + "transcript.txt"),
              "USER someone\nPASS\nPASV\nLIST\nQUIT\n");
}

TEST(ScriptedHttpServer, AnswersByPathAndRecordsTheRequests) {
    const int port = atoi(ReadLocal(std::string(kScriptedHttpState) + "port").c_str());
    ASSERT_GT(port, 0);
    struct Exchange {
        const char* request;
        const char* response;
    };
    const Exchange exchanges[] = {
        {"GET /x.htm HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>x</html>"},
        {"GET /missing HTTP/1.0\r\n\r\n",
         "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html><body>Not found</body></html>\r\n"},
    };
    std::string transcript;
    for (const Exchange& e : exchanges) {
        SCOPED_TRACE(e.request);
        Conn c;
        ASSERT_TRUE(c.Open("127.0.0.1", static_cast<unsigned short>(port)));
        ASSERT_TRUE(c.Send(e.request));
        EXPECT_EQ(c.ReadAll(), e.response);
        transcript += e.request;
    }
    EXPECT_EQ(ReadLocal(std::string(kScriptedHttpState) + "transcript.txt"), transcript);
}

}  // namespace
