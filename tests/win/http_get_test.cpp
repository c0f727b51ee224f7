// HTTP fetches against the scripted HTTP server (and through tinyproxy): the
// request bytes, the saved file, and what the owner window is told.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "frame/module.h"
#include "message_box_answerer.h"
#include "net/network.h"
#include "net/socket.h"
#include "owner_window.h"
#include "test_support.h"
#include "transfer/http_get.h"
#include "transfer/progress_dialog.h"

namespace {

constexpr DWORD kWait = 10000;
const char kState[] = "scripted\\http_get\\";
const char kProxyState[] = "tinyproxy\\";
const char kLocal[] = "http_get_saved.bin";
const char kMeta[] = "<meta name=\"Content-Type\" content=\"text/html\">";

void WriteScript(const std::string& key, const std::string& writes) {
    WriteServerScript(kState, "{\"paths\": {" + Json(key) + ": " + writes + "}}");
}

// Every byte value, many times over: crosses many 4096-byte reads.
std::string BinaryBody(size_t size) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return body;
}

// Fails every write to the local file after `room` bytes, as a full disk does.
class FullDiskGet : public HttpGetCommand {
public:
    FullDiskGet(AsyncSocket* owner, const char* local, const char* target, uint32_t room)
        : HttpGetCommand(owner, local, target), room_(room) {}

protected:
    uint32_t WriteLocal(const char* bytes, uint32_t count) override {
        uint32_t n = count < room_ ? count : room_;
        room_ -= n;
        return n ? HttpGetCommand::WriteLocal(bytes, n) : 0;
    }

private:
    uint32_t room_;
};

class HttpGet : public NetworkSuite {
protected:
    void SetUp() override {
        std::remove(kLocal);
        owner = new OwnerWindow();
        SetWindowTextA(owner->Handle(), "Owner title");
        session = new HttpSession(owner->Handle());
        port = ServerPort(kState);
        ASSERT_GT(port, 0);
    }
    void TearDown() override {
        delete session;
        delete owner;
        std::remove(kLocal);
    }
    // Waits for the outcome (code 0 or 104) and what follows it shortly.
    WPARAM Outcome() {
        WPARAM which = 99;
        EXPECT_TRUE(owner->WaitForAny({0, 104}, kWait, &which));
        PumpFor(300);
        return which;
    }
    const OwnerWindow::Note* Find(WPARAM code) const {
        for (const auto& n : owner->Notes())
            if (n.code == code) return &n;
        return nullptr;
    }
    HttpGetCommand* Fetch() const {
        ::Command* c = session->chain.tail;
        return c && c->type == kHttpGetCommand ? static_cast<HttpGetCommand*>(c) : nullptr;
    }

    static HMODULE library, language;
    OwnerWindow* owner = nullptr;
    HttpSession* session = nullptr;
    uint16_t port = 0;
};

TEST_F(HttpGet, ResponsesAndRequests) {
    const std::string gif = std::string("GIF89a\0\xff\r\n\x01", 11) + BinaryBody(9000);
    // Status, Content-Type and X-Pad lines and the empty line: 4096 bytes.
    const std::string edge = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nX-Pad: " + std::string(4096 - 53, 'p') + "\r\n\r\n";
    ASSERT_EQ(edge.size(), 4096u);
    struct Case {
        const char* name;
        const char* target;
        const char* host;     // passed to StartHttpRequest
        const char* key;      // the target as the server sees it
        std::string writes;   // the scripted response (JSON)
        std::string hostLine; // "" means "Host: <host>:<port>"
        WPARAM code;          // 104 or 0
        std::string saved;    // with code 104
        const char* status;   // text of a sent code 0, or null
        const char* modified; // a 105 value, or null
    } cases[] = {
        {"root", "/", "localhost", "/", Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nhello"), "",
         104, "hello", nullptr, nullptr},
        {"double slash", "//x/y.txt", "127.0.0.1", "/x/y.txt", Json("HTTP/1.1 204 No Content\r\n\r\nz"), "", 104,
         "z", nullptr, nullptr},
        {"absolute url", "http://www.example.test/doc.htm", "127.0.0.1", "http://www.example.test/doc.htm",
         Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nproxied"), "Host: www.example.test", 104,
         "proxied", nullptr, nullptr},
        {"absolute url with port", "HTTP://Www.Example.Test:8080/", "127.0.0.1", "HTTP://Www.Example.Test:8080/",
         Json("HTTP/1.0 200 OK\r\n\r\nq"), "Host: Www.Example.Test:8080", 104, "q", nullptr, nullptr},
        {"html gets the meta element", "/a.htm", "127.0.0.1", "/a.htm",
         Json("HTTP/1.0 200 OK\r\nLast-Modified:   Tue, 01 Dec 2026 10:00:00 GMT\r\ncontent-type: "
              "text/html\r\n\r\n<html>a</html>"),
         "", 104, std::string(kMeta) + "<html>a</html>", nullptr, "Tue, 01 Dec 2026 10:00:00 GMT"},
        {"gif is body only", "/a.gif", "127.0.0.1", "/a.gif",
         Json("HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n" + gif), "", 104, gif, nullptr, nullptr},
        {"headers end at 4096", "/edge.htm", "127.0.0.1", "/edge.htm",
         "[" + Json(edge) +
             ", {\"pause\": 0.3}, " + Json("<p>after</p>") + "]",
         "", 104, std::string(kMeta) + "<p>after</p>", nullptr, nullptr},
        {"headers split across reads", "/split.htm", "127.0.0.1", "/split.htm",
         "[" + Json("HTTP/1.0 200 OK\r\nContent-Ty") + ", {\"pause\": 0.3}, " +
             Json("pe: text/html\r\nLast-Modified: Wed\r\n") + ", {\"pause\": 0.3}, " + Json("\r\nbody") + "]",
         "", 104, std::string(kMeta) + "body", nullptr, "Wed"},
        {"no status line", "/plain", "127.0.0.1", "/plain",
         Json("<html>Content-Type: text/html\r\n\r\nwhole</html>"), "", 104,
         "<html>Content-Type: text/html\r\n\r\nwhole</html>", nullptr, nullptr},
        {"large binary body", "/big", "127.0.0.1", "/big",
         Json("HTTP/1.0 200 OK\r\n\r\n" + BinaryBody(300000)), "", 104, BinaryBody(300000), nullptr, nullptr},
        {"not found", "/missing.htm", "127.0.0.1", "/missing.htm",
         Json("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>gone</html>"), "", 0, "",
         "404 Not Found", nullptr},
        {"redirect", "/moved", "127.0.0.1", "/moved",
         Json("HTTP/1.0 302 Found\r\nLocation: http://elsewhere/\r\nLast-Modified: x\r\n\r\n"), "", 0, "",
         "302 Found", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        owner->Clear();
        std::remove(kLocal);
        WriteScript(c.key, c.writes);
        delete session;
        session = new HttpSession(owner->Handle());
        ASSERT_EQ(session->StartHttpRequest(c.host, c.target, kLocal, port), 1);
        ASSERT_EQ(Outcome(), c.code);

        std::string hostLine = c.hostLine;
        if (hostLine.empty()) hostLine = std::string("Host: ") + c.host + ":" + std::to_string(port);
        EXPECT_EQ(ReadWholeFile(std::string(kState) + "transcript.txt"),
                  std::string("GET ") + c.key +
                      " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Marlin Internet/v1.0\r\n" + hostLine + "\r\n\r\n");
        bool exists = false;
        const std::string saved = ReadWholeFile(kLocal, &exists);
        const OwnerWindow::Note* done = Find(104);
        const OwnerWindow::Note* failed = Find(0);
        if (c.code == 104) {
            ASSERT_TRUE(done);
            EXPECT_EQ(done->value, 1);
            EXPECT_TRUE(done->posted);
            EXPECT_FALSE(failed);
            EXPECT_TRUE(exists);
            EXPECT_TRUE(saved == c.saved) << "saved " << saved.size() << " bytes, wanted " << c.saved.size();
            EXPECT_TRUE(owner->WaitFor(1, kWait)) << "the chain did not end";
        } else {
            EXPECT_FALSE(done);
            ASSERT_TRUE(failed);
            EXPECT_EQ(failed->text, c.status);
            EXPECT_FALSE(failed->posted);
            EXPECT_FALSE(exists) << "a failed fetch left a local file";
        }
        const OwnerWindow::Note* modified = Find(105);
        if (c.modified) {
            ASSERT_TRUE(modified);
            EXPECT_EQ(modified->text, c.modified);
        } else {
            EXPECT_FALSE(modified);
        }
        EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
        HttpGetCommand* command = Fetch();
        ASSERT_TRUE(command);
        EXPECT_FALSE(command->progress) << "the progress window outlived the fetch";
        if (c.code == 104) {
            EXPECT_EQ(command->bytesReceived, saved.size() - (saved.rfind(kMeta, 0) == 0 ? strlen(kMeta) : 0));
        }
    }
}

TEST_F(HttpGet, StatusLineWithoutCode) {
    MessageBoxAnswerer answerer(IDOK);
    WriteScript("/nocode", Json("HTTP/1.0\r\nContent-Type: text/html\r\n\r\nbody"));
    ASSERT_EQ(session->StartHttpRequest("localhost", "/nocode", kLocal, port), 1);
    ASSERT_EQ(Outcome(), 0u);
    const OwnerWindow::Note* failed = Find(0);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->value, 0);
    EXPECT_FALSE(failed->hasText);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].text, "No connection could be made to localhost.");
    EXPECT_EQ(answerer.boxes[0].caption, "Owner title");
    EXPECT_FALSE(Find(104));
    bool exists = true;
    ReadWholeFile(kLocal, &exists);
    EXPECT_FALSE(exists);
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
}

// A full disk cuts the document short: failure, and no local file.
TEST_F(HttpGet, FullDiskIsAFailure) {
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
    struct Case {
        const char* name;
        uint32_t room;  // bytes the disk takes
        std::string writes;
    } cases[] = {
        {"disk full in the body", 60, Json(head + std::string(20000, 'x'))},
        {"disk full at once", 0, Json(head + "x")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        owner->Clear();
        WriteScript("/cut.htm", c.writes);
        delete session;
        session = new HttpSession(owner->Handle());
        ASSERT_EQ(session->StartRequestChain("127.0.0.1", port, new FullDiskGet(session, kLocal, "/cut.htm", c.room)),
                  1);
        ASSERT_EQ(Outcome(), 0u);
        const OwnerWindow::Note* failed = Find(0);
        ASSERT_TRUE(failed);
        EXPECT_TRUE(failed->posted);
        EXPECT_EQ(failed->value, 0);
        EXPECT_FALSE(Find(104)) << "a document cut short was reported saved";
        bool exists = true;
        ReadWholeFile(kLocal, &exists);
        EXPECT_FALSE(exists);
        EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    }
}

// Cancel clicked in the progress window during a slow download.
TEST_F(HttpGet, CancelDuringDownload) {
    const std::string first(10000, 'a'), rest(5000, 'b');
    struct Case {
        int answer;
        LPARAM doneValue;
        bool kept;
    } cases[] = {{IDYES, 0, false}, {IDNO, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer == IDYES ? "yes" : "no");
        owner->Clear();
        WriteScript("/slow", "[" + Json("HTTP/1.0 200 OK\r\n\r\n" + first) + ", {\"pause\": 1.5}, " + Json(rest) + "]");
        delete session;
        session = new HttpSession(owner->Handle());
        MessageBoxAnswerer answerer(c.answer);
        ASSERT_EQ(session->StartHttpRequest("127.0.0.1", "/slow", kLocal, port), 1);

        // Wait until the first part has arrived and the window shows it.
        HWND window = nullptr;
        char count[128] = "";
        for (int i = 0; i < 100 && std::string(count) != "9.8 KB received"; ++i) {
            PumpFor(50);
            HttpGetCommand* command = Fetch();
            window = command && command->progress ? command->progress->window : nullptr;
            if (window) GetDlgItemTextA(window, kProgressCount, count, sizeof count);
        }
        ASSERT_TRUE(window);
        ASSERT_STREQ(count, "9.8 KB received");
        char name[128] = "";
        GetDlgItemTextA(window, kProgressName, name, sizeof name);
        EXPECT_STREQ(name, "/slow");
        EXPECT_FALSE(IsWindowEnabled(owner->Handle())) << "the owner stays usable during the download";

        SendMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
        ASSERT_EQ(answerer.boxes.size(), 1u);
        EXPECT_EQ(answerer.boxes[0].text, "Do you want to cancel the transfer?");
        ASSERT_TRUE(owner->WaitFor(104, kWait));
        PumpFor(300);
        const OwnerWindow::Note* done = Find(104);
        ASSERT_TRUE(done);
        EXPECT_EQ(done->value, c.doneValue);
        EXPECT_TRUE(done->posted);
        EXPECT_FALSE(Find(0));
        bool exists = false;
        const std::string saved = ReadWholeFile(kLocal, &exists);
        EXPECT_EQ(exists, c.kept);
        if (c.kept) {
            EXPECT_TRUE(saved == first + rest) << "saved " << saved.size() << " bytes";
        }
        EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
        EXPECT_FALSE(IsWindow(window));
    }
}

// A real proxy: the absolute URL goes to tinyproxy, which fetches it from the
// scripted server.
TEST_F(HttpGet, ThroughTinyproxy) {
    const uint16_t proxyPort = ServerPort(kProxyState);
    ASSERT_GT(proxyPort, 0);
    const std::string body = BinaryBody(50000);
    WriteScript("/via/proxy.htm", Json("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body));
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/via/proxy.htm";
    ASSERT_EQ(session->StartHttpRequest("127.0.0.1", url.c_str(), kLocal, proxyPort), 1);
    ASSERT_EQ(Outcome(), 104u);
    const OwnerWindow::Note* done = Find(104);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->value, 1);
    const std::string saved = ReadWholeFile(kLocal);
    EXPECT_TRUE(saved == kMeta + body) << "saved " << saved.size() << " bytes";
    // The proxy asked the origin server for the path, naming the URL's host.
    const std::string transcript = ReadWholeFile(std::string(kState) + "transcript.txt");
    EXPECT_EQ(transcript.rfind("GET /via/proxy.htm HTTP/1.", 0), 0u) << transcript;
    EXPECT_NE(transcript.find("Host: 127.0.0.1:" + std::to_string(port) + "\r\n"), std::string::npos) << transcript;
}

}  // namespace
