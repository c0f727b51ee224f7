// The exports against servers that misbehave as broken or malicious servers
// do. Every case checks the result, the message the user saw, that nothing
// hung, what the server received, and that the caller's own file is intact.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "test_support.h"
#include "url_transfer_suite.h"

namespace {

const char kFtpState[] = "scripted\\hostile_ftp\\";
const char kHttpState[] = "scripted\\hostile_http\\";
const char kOwnDocument[] = "the user's own document";

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
