#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/text_buffer.h"
#include "transfer/http_text.h"

namespace {

uint32_t Len(const std::string& s) { return uint32_t(s.size()); }

const char kAgent[] = "GET %s HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Marlin Internet/v1.0\r\nHost: %s\r\n\r\n";

std::string Request(const std::string& target, const std::string& hostPart) {
    std::string head(kAgent);
    head.replace(head.find("%s"), 2, target);
    head.replace(head.find("%s"), 2, hostPart);
    return head;
}

std::string Meta(const std::string& value) { return "<meta name=\"Content-Type\" content=\"" + value + "\">"; }

struct Recorder : HttpResponseSink {
    std::string log, file, failure;
    std::vector<std::string> lastModified;
    int noCode = 0;
    uint32_t writeBudget = 0xFFFFFFFFu;  // bytes the "disk" still takes

    void OnLogText(const char* text, uint32_t length) override {
        EXPECT_EQ(text[length], '\0');
        log.append(text, length);
    }
    void OnLastModified(const char* value, uint32_t length) override {
        EXPECT_EQ(value[length], '\0');
        lastModified.emplace_back(value, length);
    }
    void OnFailureStatus(const char* text, uint32_t length) override {
        EXPECT_EQ(text[length], '\0');
        failure.assign(text, length);
    }
    void OnNoStatusCode() override { ++noCode; }
    uint16_t OnFileBytes(const char* bytes, uint32_t length) override {
        if (length > writeBudget) return 0;
        writeBudget -= length;
        file.append(bytes, length);
        return 1;
    }
};

struct Result {
    std::string log, file, failure;
    std::vector<std::string> lastModified;
    int noCode = 0;
    bool operator==(const Result& o) const {
        return log == o.log && file == o.file && failure == o.failure && lastModified == o.lastModified &&
               noCode == o.noCode;
    }
};

void PrintTo(const Result& r, std::ostream* os) {
    *os << "{log=\"" << r.log << "\" file=\"" << r.file << "\" failure=\"" << r.failure << "\" noCode=" << r.noCode
        << " lastModified=" << r.lastModified.size() << "}";
}

Result RunResponse(const std::vector<std::string>& reads) {
    HttpResponseParser parser;
    Recorder sink;
    for (const std::string& r : reads) {
        int32_t header = parser.Feed(r.data(), Len(r), sink);
        EXPECT_GE(header, HttpResponseParser::kStopped);
        EXPECT_LE(header, int32_t(r.size()));
    }
    parser.Finish(sink);
    Result out;
    out.log = sink.log;
    out.file = sink.file;
    out.failure = sink.failure;
    out.lastModified = sink.lastModified;
    out.noCode = sink.noCode;
    return out;
}

struct ResponseCase {
    const char* name;
    std::string response;
    Result expected;
};

const std::vector<ResponseCase>& ResponseCases() {
    static const std::vector<ResponseCase> cases = {
        {"text/html gets the meta element before the body",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nLast-Modified:   Tue, 15 Nov 1994 12:45:26 GMT\r\n"
         "\r\n<html>hi</html>",
         {"<-- HTTP/1.0 200 OK\nContent-Type: text/html\nLast-Modified:   Tue, 15 Nov 1994 12:45:26 GMT\n",
          Meta("text/html") + "<html>hi</html>", "", {"Tue, 15 Nov 1994 12:45:26 GMT"}, 0}},
        {"image/gif: body only", "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\nGIF89a\r\n\x01\x02",
         {"<-- HTTP/1.1 200 OK\nContent-Type: image/gif\n", "GIF89a\r\n\x01\x02", "", {}, 0}},
        {"value with parameters, LF line ends, names in any case",
         "http/1.0 200 ok\ncontent-type: text/html; charset=utf-8\nLAST-MODIFIED:x\n\n<p>",
         {"<-- http/1.0 200 ok\ncontent-type: text/html; charset=utf-8\nLAST-MODIFIED:x\n",
          Meta("text/html; charset=utf-8") + "<p>", "", {"x"}, 0}},
        {"Content-Type without its space is not looked at", "HTTP/1.0 200 OK\r\nContent-Type:text/html\r\n\r\nb",
         {"<-- HTTP/1.0 200 OK\nContent-Type:text/html\n", "b", "", {}, 0}},
        {"no status line: stored whole", "<html>plain\r\n\r\n</html>", {"", "<html>plain\r\n\r\n</html>", "", {}, 0}},
        {"almost a status line", "HTTPX/1.0 200 OK\r\n\r\nx", {"", "HTTPX/1.0 200 OK\r\n\r\nx", "", {}, 0}},
        {"too short to judge", "HT", {"", "HT", "", {}, 0}},
        {"404 fails with its status text", "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\nmissing",
         {"<-- HTTP/1.0 404 Not Found\n", "", "404 Not Found", {}, 0}},
        {"redirect fails too", "HTTP/1.0 301 Moved Permanently\r\nLocation: /x\r\n\r\n",
         {"<-- HTTP/1.0 301 Moved Permanently\n", "", "301 Moved Permanently", {}, 0}},
        {"extra spaces between words", "HTTP/1.0  500  Oops\r\n\r\nx", {"<-- HTTP/1.0  500  Oops\n", "", "500  Oops", {}, 0}},
        {"status line without a code", "HTTP/1.0\r\nContent-Type: text/html\r\n\r\nx",
         {"<-- HTTP/1.0\n", "", "", {}, 1}},
        {"status line of spaces only after the version", "HTTP/1.0   \r\n\r\nx", {"<-- HTTP/1.0   \n", "", "", {}, 1}},
        {"body beginning with a line end",
         "HTTP/1.0 200 OK\r\n\r\n\r\nbody", {"<-- HTTP/1.0 200 OK\n", "\r\nbody", "", {}, 0}},
        {"two Last-Modified headers", "HTTP/1.0 200 OK\r\nLast-Modified: a\r\nLast-Modified: b\r\n\r\n",
         {"<-- HTTP/1.0 200 OK\nLast-Modified: a\nLast-Modified: b\n", "", "", {"a", "b"}, 0}},
        {"header line at the close without line end", "HTTP/1.0 200 OK\r\nLast-Modified: late",
         {"<-- HTTP/1.0 200 OK\nLast-Modified: late\n", "", "", {"late"}, 0}},
        {"status line at the close without line end", "HTTP/1.0 403 Forbidden",
         {"<-- HTTP/1.0 403 Forbidden\n", "", "403 Forbidden", {}, 0}},
    };
    return cases;
}

}  // namespace

TEST(HttpResponse, TableWhole) {
    for (const ResponseCase& c : ResponseCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunResponse({c.response}), c.expected);
    }
}

// The meta element, Last-Modified, the log and the stored bytes do not depend
// on where the reads end.
TEST(HttpResponse, TableSplitAtEveryOffset) {
    for (const ResponseCase& c : ResponseCases()) {
        for (size_t cut = 0; cut <= c.response.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(cut));
            EXPECT_EQ(RunResponse({c.response.substr(0, cut), c.response.substr(cut)}), c.expected);
        }
    }
}

TEST(HttpResponse, TableInOneByteReads) {
    for (const ResponseCase& c : ResponseCases()) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> reads;
        for (char ch : c.response) reads.emplace_back(1, ch);
        EXPECT_EQ(RunResponse(reads), c.expected);
    }
}

// A body shorter than its Content-Length was cut short, wherever the reads
// end; the meta element does not count as body.
TEST(HttpResponse, BodyShorterThanContentLength) {
    const struct {
        const char* name;
        std::string response;
        uint16_t shortBody;
    } cases[] = {
        {"whole body", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", 0},
        {"cut body", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhel", 1},
        {"no body at all", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n", 1},
        {"longer than announced is kept", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhello", 0},
        {"meta element not counted",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\ncontent-length:  4 \r\n\r\n<p>", 1},
        {"no length: never short", "HTTP/1.0 200 OK\r\n\r\n", 0},
        {"length that is not a number is ignored", "HTTP/1.0 200 OK\r\nContent-Length: 5x\r\n\r\nab", 0},
        {"length beyond 32 bits is ignored", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\nab", 0},
        {"empty length is ignored", "HTTP/1.0 200 OK\r\nContent-Length:\r\n\r\nab", 0},
        {"no status line", "hello", 0},
    };
    for (const auto& c : cases) {
        for (size_t cut = 0; cut <= c.response.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(cut));
            HttpResponseParser parser;
            Recorder sink;
            parser.Feed(c.response.data(), Len(c.response.substr(0, cut)), sink);
            std::string rest = c.response.substr(cut);
            parser.Feed(rest.data(), Len(rest), sink);
            parser.Finish(sink);
            EXPECT_EQ(parser.BodyShort(), c.shortBody);
        }
    }
}

// Headers of exactly 4096 bytes: that read writes nothing, the body starts
// with the next one.
TEST(HttpResponse, HeadersEndingExactlyAtTheEndOfAFullRead) {
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nX-Pad: ";
    std::string tail = "\r\n\r\n";
    std::string headers = head + std::string(4096 - head.size() - tail.size(), 'p') + tail;
    ASSERT_EQ(headers.size(), 4096u);
    std::string body(5000, 'b');

    HttpResponseParser parser;
    Recorder sink;
    EXPECT_EQ(parser.Feed(headers.data(), 4096, sink), 4096);
    EXPECT_EQ(parser.HeadersDone(), 1);
    EXPECT_EQ(sink.file, Meta("text/html"));
    EXPECT_EQ(parser.Feed(body.data(), 4096, sink), 0);
    EXPECT_EQ(parser.Feed(body.data() + 4096, Len(body) - 4096, sink), 0);
    EXPECT_EQ(sink.file, Meta("text/html") + body);

    // Cut just before the empty line: the block ends in the next read.
    HttpResponseParser second;
    Recorder sink2;
    std::string all = headers + body;
    EXPECT_EQ(second.Feed(all.data(), 4094, sink2), 4094);
    EXPECT_EQ(second.HeadersDone(), 0);
    EXPECT_EQ(second.Feed(all.data() + 4094, 4096, sink2), 2);
    EXPECT_EQ(sink2.file, Meta("text/html") + body.substr(0, 4094));
}

TEST(HttpResponse, HeaderByteCountsPerRead) {
    struct Row {
        std::vector<std::string> reads;
        std::vector<int32_t> header;
    } rows[] = {
        {{"HTTP/1.0 200 OK\r\n\r\nbody"}, {19}},
        {{"HTTP/1.0 200 OK\r\n\r", "\nbody"}, {18, 1}},
        {{"HTTP/1.0 200 OK\r\n\r", "body"}, {18, 0}},
        {{"HTT", "P/1.0 200 OK\r\n", "\r\nbody", "more"}, {3, 14, 2, 0}},
        {{"HTT", "X"}, {3, 0}},
        {{"body"}, {0}},
        {{"HTTP/1.0 404 Not Found\r\n\r\nbody", "more"}, {HttpResponseParser::kStopped, HttpResponseParser::kStopped}},
    };
    for (const Row& r : rows) {
        HttpResponseParser parser;
        Recorder sink;
        std::vector<int32_t> got;
        for (const std::string& read : r.reads) got.push_back(parser.Feed(read.data(), Len(read), sink));
        EXPECT_EQ(got, r.header) << r.reads[0];
    }
}

TEST(HttpResponse, StopsWhenTheFileCannotBeWritten) {
    std::string response = "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n0123456789";
    HttpResponseParser parser;
    Recorder sink;
    sink.writeBudget = 4;
    EXPECT_EQ(parser.Feed(response.data(), Len(response), sink), HttpResponseParser::kStopped);
    EXPECT_EQ(parser.Stopped(), 1);
    EXPECT_EQ(parser.Feed("more", 4, sink), HttpResponseParser::kStopped);
    EXPECT_EQ(sink.file, "");

    // A failed write of the meta element stops it as well.
    HttpResponseParser html;
    Recorder none;
    none.writeBudget = 0;
    std::string page = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nLast-Modified: x\r\n\r\n<p>";
    EXPECT_EQ(html.Feed(page.data(), Len(page), none), HttpResponseParser::kStopped);
    EXPECT_TRUE(none.lastModified.empty());
}

TEST(HttpResponse, LongHeaderLinesAreBounded) {
    std::string value(3 * HttpResponseParser::kMaxLine, 'v');
    std::string response = "HTTP/1.0 200 OK\r\nX-Long: " + value + "\r\nLast-Modified: y\r\n\r\nbody";
    Result r = RunResponse({response.substr(0, 5000), response.substr(5000)});
    EXPECT_EQ(r.file, "body");
    EXPECT_EQ(r.lastModified, std::vector<std::string>{"y"});
    EXPECT_EQ(r.log.size(), std::string("<-- HTTP/1.0 200 OK\n").size() + HttpResponseParser::kMaxLine + 1 +
                                std::string("Last-Modified: y\n").size());

    HttpResponseParser parser;
    Recorder sink;
    parser.Feed("x", 1, sink);
    parser.Reset();
    EXPECT_EQ(parser.StatusSeen(), 0);
    std::string ok = "HTTP/1.0 200 OK\r\n\r\nz";
    EXPECT_EQ(parser.Feed(ok.data(), Len(ok), sink), int32_t(ok.size() - 1));
    EXPECT_EQ(parser.StatusSeen(), 1);
}

TEST(HttpRequest, Table) {
    struct Row {
        std::string target, host;
        uint16_t port;
        std::string request;
    } rows[] = {
        {"/", "example.com", 80, Request("/", "example.com")},
        {"//x/y.html", "example.com", 80, Request("/x/y.html", "example.com")},
        {"///x", "example.com", 80, Request("//x", "example.com")},
        {"/index.html", "example.com", 8080, Request("/index.html", "example.com:8080")},
        // through a proxy: the absolute URL goes out unchanged, Host names its host
        {"http://www.example.org:81/a?b=c", "www.example.org", 81,
         Request("http://www.example.org:81/a?b=c", "www.example.org:81")},
        {"http://www.example.org/", "www.example.org", 80, Request("http://www.example.org/", "www.example.org")},
        {"/", "10.0.0.1", 65535, Request("/", "10.0.0.1:65535")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.target);
        TextBuffer out;
        EXPECT_EQ(BuildHttpRequest(out, r.target.data(), Len(r.target), r.host.data(), Len(r.host), r.port), 1);
        EXPECT_EQ(std::string(out.Text(), out.length), r.request);
    }
}

TEST(HttpRequest, RefusesHeaderInjection) {
    struct Row {
        std::string target, host;
    } rows[] = {
        {"/a\r\nX-Evil: 1", "example.com"},
        {"/a\nb", "example.com"},
        {"/a\rb", "example.com"},
        {std::string("/a\0b", 4), "example.com"},
        {"/", "example.com\r\nX: y"},
        {"/", "exa mple.com"},
        {"/", std::string("ex\0ample", 8)},
        {"", "example.com"},
        {"/", ""},
    };
    for (const Row& r : rows) {
        TextBuffer out;
        out.Assign("old");
        EXPECT_EQ(BuildHttpRequest(out, r.target.data(), Len(r.target), r.host.data(), Len(r.host), 80), 0);
        EXPECT_EQ(out.length, 0);
    }
    TextBuffer out;
    EXPECT_EQ(BuildHttpRequest(out, nullptr, 1, "h", 1, 80), 0);
    EXPECT_EQ(BuildHttpRequest(out, "/", 1, nullptr, 1, 80), 0);
}

TEST(HttpUrlHost, Table) {
    struct Row {
        const char* url;
        uint16_t ok;
        const char* host;
        uint16_t port;
    } rows[] = {
        {"http://example.com/a/b", 1, "example.com", 80},
        {"HTTP://Example.com:8080/", 1, "Example.com", 8080},
        {"http://example.com", 1, "example.com", 80},
        {"http://example.com:/x", 1, "example.com", 80},
        {"http://user:pw@host.net:81/x", 1, "host.net", 81},
        {"http://h?q=1", 1, "h", 80},
        {"http://1.2.3.4:65535", 1, "1.2.3.4", 65535},
        {"http://h:65536/", 0, "", 80},
        {"http://h:0/", 0, "", 80},
        {"http://h:8x/", 0, "", 80},
        {"http:///path", 0, "", 80},
        {"http://:80/", 0, "", 80},
        {"ftp://h/x", 0, "", 80},
        {"http:/", 0, "", 80},
        {"", 0, "", 80},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.url);
        TextBuffer host;
        uint16_t port = 1;
        EXPECT_EQ(SplitHttpUrlHost(r.url, uint32_t(std::string(r.url).size()), host, &port), r.ok);
        EXPECT_STREQ(host.Text(), r.host);
        EXPECT_EQ(port, r.port);
    }
}
