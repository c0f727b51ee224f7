// The exports against servers that misbehave as broken or malicious servers
// do. Every case checks the result, the message the user saw, that nothing
// hung, what the server received, and that the caller's own file is intact.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "url_transfer_suite.h"

namespace {

const char kFtpState[] = "scripted\\hostile_ftp\\";
const char kHttpState[] = "scripted\\hostile_http\\";
const char kOwnDocument[] = "the user's own document";
const char kFailed[] = "doc.bin could not be transferred to or from 127.0.0.6.";
const char kSilent[] = "127.0.0.6 has not answered for 2 seconds. The transfer was given up.";

// Writes that send text one byte at a time.
std::string Bytewise(const std::string& text) {
    std::string out = "[";
    for (char c : text) out += Json(std::string(1, c)) + ", {\"pause\": 0.005}, ";
    return out + "\"\"]";
}

// The bytes of a literal, zero bytes included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

std::string Repeat(const std::string& text, int times) {
    return "{\"repeat\": " + Json(text) + ", \"times\": " + std::to_string(times) + "}";
}

// The scripted server answers the commands that are named; the rest get
// its defaults.
std::string Script(const std::string& commands, const std::string& greeting = "") {
    return "{" + (greeting.empty() ? "" : "\"greeting\": " + greeting + ", ") + "\"commands\": {" + commands + "}}";
}

std::string Retr(const std::string& reply) { return "\"RETR\": " + reply; }

const std::string kBody(5000, 'c');
const std::string kOpening = "150 Opening BINARY mode data connection for doc.bin (5000 bytes).\r\n";

class HostileFtp : public UrlTransfer {
protected:
    struct Case {
        const char* name;
        std::string script;
        int modes;  // 1 passive, 2 active, 3 both
        LONG code;
        std::string message;  // "" none
        std::string local;    // the caller's file afterwards
        DWORD timeout;        // the "Timeout" setting (0: as it is)
        DWORD within;         // ms the call may take at most
        std::vector<std::string> sent;     // lines the server received
        std::vector<std::string> notSent;  // ... and did not
    };

    void Check(const Case& c) {
        for (WORD passive : {1, 0}) {
            if (!(c.modes & (passive ? 1 : 2))) continue;
            if (getenv("ROW") && !strstr(c.name, getenv("ROW"))) continue;  // DEBUG
            SCOPED_TRACE(std::string(c.name) + (passive ? ", passive" : ", active"));
            DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
            if (c.timeout) SetNumberSetting("Options", "Timeout", c.timeout);
            WriteServerScript(kFtpState, c.script);
            WriteWholeFile(kLocal, kOwnDocument);
            OrbLoginInfo login{"u", "p", passive};
            DWORD start = GetTickCount();
            Outcome out = Retrieve("ftp://127.0.0.6/d/doc.bin", kLocal, nullptr, &login);
            DWORD took = GetTickCount() - start;
            EXPECT_EQ(out.code, c.code);
            EXPECT_LE(took, c.within);
            if (c.message.empty()) {
                EXPECT_TRUE(out.boxes.empty()) << out.boxes[0].text;
            } else {
                ASSERT_EQ(out.boxes.size(), 1u);
                EXPECT_EQ(out.boxes[0].text, c.message);
            }
            EXPECT_EQ(ReadOrMissing(kLocal), c.local);
            const std::string transcript = ServerTranscript(kFtpState);
            for (const std::string& line : c.sent) EXPECT_NE(transcript.find(line), std::string::npos) << line;
            for (const std::string& line : c.notSent) EXPECT_EQ(transcript.find(line), std::string::npos) << line;
            Unload();
        }
    }
};

TEST_F(HostileFtp, CutOrPaddedFilesNeverReplaceTheCallersFile) {
    const Case cases[] = {
        {"fewer bytes than announced, then 226",
         Script(Retr("{\"send\": \"150 Opening BINARY mode data connection for doc.bin (8000000 bytes).\\r\\n\", "
                     "\"data\": " + Json(kBody) + ", \"reset_data\": true}")),
         3, 2, kFailed, kOwnDocument, 0, 10000, {"RETR doc.bin"}, {}},
        {"more bytes than announced",
         Script(Retr("{\"send\": \"150 Opening BINARY mode data connection for doc.bin (10 bytes)\\r\\n\", \"data\": " +
                     Json(std::string(20, 'm')) + "}")),
         3, 2, kFailed, kOwnDocument, 0, 10000, {}, {}},
        {"as announced", Script(Retr("{\"send\": " + Json(kOpening) + ", \"data\": " + Json(kBody) + "}")), 3, 0, "",
         kBody, 0, 10000, {"QUIT"}, {}},
        {"426 after a short file",
         Script(Retr("{\"send\": \"150 Opening.\\r\\n\", \"data\": \"short\", "
                     "\"final\": \"426 Connection closed; transfer aborted.\\r\\n\"}")),
         3, 2, kFailed, kOwnDocument, 0, 10000, {}, {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST_F(HostileFtp, SilenceEndsTheTransferAfterTheTimeout) {
    const Case cases[] = {
        {"no greeting", Script("", "[{\"pause\": 10}]"), 1, 2, kSilent, kOwnDocument, 2, 6000, {}, {"USER"}},
        {"no data connection", Script(Retr("\"150 Opening.\\r\\n\"")), 3, 2, kSilent, kOwnDocument, 2, 6000,
         {"RETR doc.bin"}, {}},
        {"silent in the middle",
         Script(Retr("{\"send\": " + Json(kOpening) + ", \"data\": [" + Json(kBody.substr(0, 100)) +
                     ", {\"pause\": 10}, " + Json(kBody.substr(100)) + "]}")),
         3, 2, kSilent, kOwnDocument, 2, 6000, {}, {}},
        {"a reply of 100 KB without a line end", Script("", Repeat("x", 100000)), 1, 2, kSilent, kOwnDocument, 2,
         6000, {}, {"USER"}},
        {"greeting code 999", Script("", "\"999 Hello.\\r\\n\""), 1, 2, kSilent, kOwnDocument, 2, 6000, {}, {"USER"}},
        {"greeting code 2", Script("", "\"2 Hello.\\r\\n\""), 1, 2, kSilent, kOwnDocument, 2, 6000, {}, {"USER"}},
        {"greeting code abc", Script("", "\"abc Hello.\\r\\n\""), 1, 2, kSilent, kOwnDocument, 2, 6000, {}, {"USER"}},
        // A transfer that keeps moving, however slowly, is not given up.
        {"slow but moving",
         Script(Retr("{\"send\": " + Json(kOpening) + ", \"data\": [" + Json(kBody.substr(0, 1000)) +
                     ", {\"pause\": 0.6}, " + Json(kBody.substr(1000, 1000)) + ", {\"pause\": 0.6}, " +
                     Json(kBody.substr(2000, 1000)) + ", {\"pause\": 0.6}, " + Json(kBody.substr(3000)) + "]}")),
         3, 0, "", kBody, 1, 8000, {}, {}},
        // The document is complete once the transfer reply came: QUIT's
        // answer is waited for only briefly.
        {"QUIT never answered",
         Script(Retr("{\"send\": " + Json(kOpening) + ", \"data\": " + Json(kBody) + "}") + ", \"QUIT\": \"\""), 3, 0,
         "", kBody, 0, 6000, {"QUIT"}, {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST_F(HostileFtp, GarbledRepliesFailOrAreReadRight) {
    const Case cases[] = {
        {"endless multi-line reply", Script("\"USER\": {\"send\": " + Repeat("331-and more\r\n", 40000) + "}"), 1, 2, kFailed,
         kOwnDocument, 0, 8000, {"USER u"}, {"PASS"}},
        {"replies one byte at a time",
         Script("\"USER\": {\"send\": " + Bytewise("331 Password required.\r\n") + "}, \"PASS\": {\"send\": " +
                    Bytewise("230-Hello\r\n230 In.\r\n") + "}" +
                    ", " + Retr("{\"send\": " + Bytewise(kOpening) + ", \"data\": " + Json(kBody) + "}"),
                Bytewise("220 Ready.\r\n")),
         3, 0, "", kBody, 0, 15000, {"QUIT"}, {}},
        {"NUL and binary bytes",
         Script("\"PASS\": " + Json(Bytes("230 In \0\xff\x01 here.\r\n")) + ", " +
                    Retr("{\"send\": " + Json(kOpening) + ", \"data\": " + Json(kBody) + "}"),
                Json(Bytes("220\0\xff\x7f\r\n220 Ready \0.\r\n"))),
         3, 0, "", kBody, 0, 10000, {"QUIT"}, {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST_F(HostileFtp, DataConnectionsGoOnlyToAndComeOnlyFromTheServer) {
    const std::string retr = Retr("{\"send\": " + Json(kOpening) + ", \"data\": " + Json(kBody) + "}");
    const Case cases[] = {
        {"PASV names another host", Script("\"PASV\": \"227 Entering Passive Mode (10,1,2,3,{pasvport}).\\r\\n\", " + retr),
         1, 0, "", kBody, 0, 10000, {"RETR doc.bin"}, {}},
        {"PASV names 0.0.0.0", Script("\"PASV\": \"227 Entering Passive Mode (0,0,0,0,{pasvport}).\\r\\n\", " + retr), 1,
         0, "", kBody, 0, 10000, {}, {}},
        {"PASV without parentheses", Script("\"PASV\": \"227 Entering Passive Mode 127,0,0,6,{pasvport}\\r\\n\", " + retr),
         1, 0, "", kBody, 0, 10000, {}, {}},
        {"PASV with a negative number", Script("\"PASV\": \"227 Entering Passive Mode (127,0,0,6,-4,1).\\r\\n\", " + retr),
         1, 2, kFailed, kOwnDocument, 0, 10000, {"PASV"}, {"RETR"}},
        {"PASV with a number above 255",
         Script("\"PASV\": \"227 Entering Passive Mode (127,0,0,6,300,1).\\r\\n\", " + retr), 1, 2, kFailed, kOwnDocument,
         0, 10000, {"PASV"}, {"RETR"}},
        {"PASV without numbers", Script("\"PASV\": \"227 Entering Passive Mode.\\r\\n\", " + retr), 1, 2, kFailed,
         kOwnDocument, 0, 10000, {"PASV"}, {"RETR"}},
        // Someone else connects to the announced port first: turned away,
        // the server's own connection brings the document.
        {"a stranger connects first",
         Script(Retr("{\"send\": " + Json(kOpening) + ", \"data\": " + Json(kBody) +
                     ", \"stranger_first\": \"127.0.0.9\", \"stranger_data\": \"forged\"}")),
         2, 0, "", kBody, 0, 10000, {"PORT "}, {}},
    };
    for (const Case& c : cases) Check(c);
    const std::string log = ReadProtocolLog();
    EXPECT_NE(log.find("--- a data connection from 127.0.0.9 was refused"), std::string::npos) << log;
}

class HostileHttp : public UrlTransfer {
protected:
    void SetUp() override {
        UrlTransfer::SetUp();
        port = ServerPort(kHttpState);
        ASSERT_GT(port, 0);
    }
    std::string Url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(port) + path; }
    std::string Host() { return "127.0.0.1:" + std::to_string(port); }
    uint16_t port = 0;
};

TEST_F(HostileHttp, StatusLineWithoutCode) {
    WriteServerScript(kHttpState, "{\"default\": \"HTTP/1.0\\r\\n\\r\\nbody\"}");
    WriteWholeFile(kLocal, kOwnDocument);
    Outcome out = Retrieve(Url("/x.htm"), kLocal);
    EXPECT_EQ(out.code, 2);
    EXPECT_EQ(ReadOrMissing(kLocal), kOwnDocument);
}

}  // namespace
