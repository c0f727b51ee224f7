#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/core/text_buffer.h"
#include "transfer/core/http_text.h"

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

const char kMetaStart[] = "<meta name=\"Content-Type\"";

struct Recorder : HttpResponseSink {
    std::string log, file, failure;
    std::vector<std::string> lastModified;
    int noCode = 0;
    uint64_t metaBytes = 0;              // bytes of the meta elements in file
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
        if (std::string(bytes, length).rfind(kMetaStart, 0) == 0) metaBytes += length;
        file.append(bytes, length);
        return 1;
    }
};

using Parser = HttpResponseParser;

struct Result {
    std::string log, file, failure;
    std::vector<std::string> lastModified;
    int noCode = 0;
    uint16_t bodyComplete = 0;  // after the last read, before Finish
    uint16_t complete = 0;      // after Finish
    uint16_t stop = Parser::kNotStopped;
    bool operator==(const Result& o) const {
        return log == o.log && file == o.file && failure == o.failure && lastModified == o.lastModified &&
               noCode == o.noCode && bodyComplete == o.bodyComplete && complete == o.complete && stop == o.stop;
    }
};

void PrintTo(const Result& r, std::ostream* os) {
    *os << "{log=\"" << r.log << "\" file=\"" << r.file << "\" failure=\"" << r.failure << "\" noCode=" << r.noCode
        << " lastModified=" << r.lastModified.size() << " bodyComplete=" << r.bodyComplete
        << " complete=" << r.complete << " stop=" << r.stop << "}";
}

Result RunResponse(const std::vector<std::string>& reads) {
    Parser parser;
    Recorder sink;
    for (const std::string& r : reads) {
        int32_t header = parser.Feed(r.data(), Len(r), sink);
        EXPECT_GE(header, Parser::kStopped);
        EXPECT_LE(header, int32_t(r.size()));
    }
    Result out;
    out.bodyComplete = parser.BodyComplete();
    parser.Finish(sink);
    out.log = sink.log;
    out.file = sink.file;
    out.failure = sink.failure;
    out.lastModified = sink.lastModified;
    out.noCode = sink.noCode;
    out.complete = parser.Complete();
    out.stop = parser.StopReasonOf();
    // What holds whatever the response.
    EXPECT_EQ(parser.Stopped(), out.stop != Parser::kNotStopped);
    EXPECT_EQ(parser.BodyBytes(), sink.file.size() - sink.metaBytes);
    EXPECT_EQ(parser.BodyComplete(), out.complete);
    if (parser.BodyShort()) EXPECT_EQ(out.complete, 0);
    if (out.bodyComplete) EXPECT_EQ(out.complete, 1);
    return out;
}

struct ResponseCase {
    const char* name;
    std::string response;
    Result expected;
};

const uint16_t kNone = Parser::kNotStopped, kRefused = Parser::kStatusRefused, kNoCode = Parser::kNoCode,
               kMalformed = Parser::kMalformed;

std::string Chunked(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + body;
}
const char kChunkedLog[] = "<-- HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n";

std::string WithLength(const std::string& value, const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Length:" + value + "\r\n\r\n" + body;
}
std::string LengthLog(const std::string& value) { return "<-- HTTP/1.0 200 OK\nContent-Length:" + value + "\n"; }

const std::vector<ResponseCase>& ResponseCases() {
    // Columns of the outcome: log, file, failure, Last-Modified values, OnNoStatusCode calls, BodyComplete before
    // Finish, Complete after it, stop reason.
    static const std::vector<ResponseCase> cases = {
        {"text/html gets the meta element before the body",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nLast-Modified:   Tue, 15 Nov 1994 12:45:26 GMT\r\n"
         "\r\n<html>hi</html>",
         {"<-- HTTP/1.0 200 OK\nContent-Type: text/html\nLast-Modified:   Tue, 15 Nov 1994 12:45:26 GMT\n",
          Meta("text/html") + "<html>hi</html>", "", {"Tue, 15 Nov 1994 12:45:26 GMT"}, 0, 0, 1, kNone}},
        {"image/gif: body only", "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\nGIF89a\r\n\x01\x02",
         {"<-- HTTP/1.1 200 OK\nContent-Type: image/gif\n", "GIF89a\r\n\x01\x02", "", {}, 0, 0, 1, kNone}},
        {"value with parameters, LF line ends, names in any case",
         "http/1.0 200 ok\ncontent-type: text/html; charset=utf-8\nLAST-MODIFIED:x\n\n<p>",
         {"<-- http/1.0 200 ok\ncontent-type: text/html; charset=utf-8\nLAST-MODIFIED:x\n",
          Meta("text/html; charset=utf-8") + "<p>", "", {"x"}, 0, 0, 1, kNone}},
        {"Content-Type without its space is not looked at", "HTTP/1.0 200 OK\r\nContent-Type:text/html\r\n\r\nb",
         {"<-- HTTP/1.0 200 OK\nContent-Type:text/html\n", "b", "", {}, 0, 0, 1, kNone}},
        {"meta value escaped for the attribute",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html; x=\"<b>\"\r\n\r\n<p>",
         {"<-- HTTP/1.0 200 OK\nContent-Type: text/html; x=\"<b>\"\n", Meta("text/html; x=&quot;&lt;b&gt;&quot;") + "<p>",
          "", {}, 0, 0, 1, kNone}},
        {"meta value: ampersand, control bytes left out",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html;\tq=a&b\x7f\x01\x1f\r\n\r\n",
         {"<-- HTTP/1.0 200 OK\nContent-Type: text/html;\tq=a&b\x7f\x01\x1f\n", Meta("text/html;q=a&amp;b"), "", {},
          0, 0, 1, kNone}},
        {"one meta element per Content-Type line",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Type: text/html\r\n\r\nx",
         {"<-- HTTP/1.0 200 OK\nContent-Type: text/html\nContent-Type: text/html\n",
          Meta("text/html") + Meta("text/html") + "x", "", {}, 0, 0, 1, kNone}},
        {"no status line: stored whole", "<html>plain\r\n\r\n</html>",
         {"", "<html>plain\r\n\r\n</html>", "", {}, 0, 0, 1, kNone}},
        {"almost a status line", "HTTPX/1.0 200 OK\r\n\r\nx", {"", "HTTPX/1.0 200 OK\r\n\r\nx", "", {}, 0, 0, 1, kNone}},
        {"one byte without status line", "x", {"", "x", "", {}, 0, 0, 1, kNone}},
        // Nothing, or a start of "HTTP/" cut short, is no document.
        {"empty response", "", {"", "", "", {}, 0, 0, 0, kNone}},
        {"too short to judge", "HT", {"", "", "", {}, 0, 0, 0, kNone}},
        {"HTTP/ then the close", "HTTP/", {"<-- HTTP/\n", "", "", {}, 1, 0, 0, kNoCode}},
        {"404 fails with its status text", "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\nmissing",
         {"<-- HTTP/1.0 404 Not Found\n", "", "404 Not Found", {}, 0, 0, 0, kRefused}},
        // a sink that does not follow redirects is told of a failure once
        // the Location has come (and is logged)
        {"redirect fails too", "HTTP/1.0 301 Moved Permanently\r\nLocation: /x\r\n\r\n",
         {"<-- HTTP/1.0 301 Moved Permanently\nLocation: /x\n", "", "301 Moved Permanently", {}, 0, 0, 0,
          HttpResponseParser::kRedirected}},
        {"extra spaces between words", "HTTP/1.0  500  Oops\r\n\r\nx",
         {"<-- HTTP/1.0  500  Oops\n", "", "500  Oops", {}, 0, 0, 0, kRefused}},
        {"code of four digits", "HTTP/1.0 2000 OK\r\n\r\nx", {"<-- HTTP/1.0 2000 OK\n", "", "2000 OK", {}, 0, 0, 0, kRefused}},
        {"code of two digits", "HTTP/1.1 20 OK\r\n\r\nx", {"<-- HTTP/1.1 20 OK\n", "", "20 OK", {}, 0, 0, 0, kRefused}},
        {"code of one digit", "HTTP/1.0 2 OK\r\n\r\nx", {"<-- HTTP/1.0 2 OK\n", "", "2 OK", {}, 0, 0, 0, kRefused}},
        {"code of letters", "HTTP/1.0 abc\r\n\r\nx", {"<-- HTTP/1.0 abc\n", "", "abc", {}, 0, 0, 0, kRefused}},
        {"code with a letter", "HTTP/1.0 20x\r\n\r\nx", {"<-- HTTP/1.0 20x\n", "", "20x", {}, 0, 0, 0, kRefused}},
        {"code not followed by a space", "HTTP/1.0 200\tOK\r\n\r\nx",
         {"<-- HTTP/1.0 200\tOK\n", "", "200\tOK", {}, 0, 0, 0, kRefused}},
        {"code at the end of the line", "HTTP/1.0 200\r\n\r\nx", {"<-- HTTP/1.0 200\n", "x", "", {}, 0, 0, 1, kNone}},
        {"status line without a code", "HTTP/1.0\r\nContent-Type: text/html\r\n\r\nx",
         {"<-- HTTP/1.0\n", "", "", {}, 1, 0, 0, kNoCode}},
        {"HTTP/1.0 alone", "HTTP/1.0", {"<-- HTTP/1.0\n", "", "", {}, 1, 0, 0, kNoCode}},
        {"status line of spaces only after the version", "HTTP/1.0   \r\n\r\nx",
         {"<-- HTTP/1.0   \n", "", "", {}, 1, 0, 0, kNoCode}},
        {"body beginning with a line end", "HTTP/1.0 200 OK\r\n\r\n\r\nbody",
         {"<-- HTTP/1.0 200 OK\n", "\r\nbody", "", {}, 0, 0, 1, kNone}},
        {"two Last-Modified headers", "HTTP/1.0 200 OK\r\nLast-Modified: a\r\nLast-Modified: b\r\n\r\n",
         {"<-- HTTP/1.0 200 OK\nLast-Modified: a\nLast-Modified: b\n", "", "", {"a", "b"}, 0, 0, 1, kNone}},
        // The close before the empty line: no document.
        {"header line at the close without line end", "HTTP/1.0 200 OK\r\nLast-Modified: late",
         {"<-- HTTP/1.0 200 OK\nLast-Modified: late\n", "", "", {"late"}, 0, 0, 0, kNone}},
        {"status line at the close without line end", "HTTP/1.0 403 Forbidden",
         {"<-- HTTP/1.0 403 Forbidden\n", "", "403 Forbidden", {}, 0, 0, 0, kRefused}},
        {"200 then the close", "HTTP/1.0 200 OK", {"<-- HTTP/1.0 200 OK\n", "", "", {}, 0, 0, 0, kNone}},
        {"200 line then the close", "HTTP/1.0 200 OK\r\n", {"<-- HTTP/1.0 200 OK\n", "", "", {}, 0, 0, 0, kNone}},
        {"close inside the header", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n",
         {LengthLog(" 0"), "", "", {}, 0, 0, 0, kNone}},
        // Content-Length: the body ends there; a length not trusted runs to the close.
        {"length exactly", WithLength(" 5", "hello"), {LengthLog(" 5"), "hello", "", {}, 0, 1, 1, kNone}},
        {"length shorter than the body: the rest dropped", WithLength(" 2", "hello"),
         {LengthLog(" 2"), "he", "", {}, 0, 1, 1, kNone}},
        {"length longer than the body", WithLength(" 10", "hello"), {LengthLog(" 10"), "hello", "", {}, 0, 0, 0, kNone}},
        {"no body at all", WithLength(" 5", ""), {LengthLog(" 5"), "", "", {}, 0, 0, 0, kNone}},
        {"length 0", WithLength("0", "extra"), {LengthLog("0"), "", "", {}, 0, 1, 1, kNone}},
        {"length 0 of a page: the meta element only",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\nx",
         {"<-- HTTP/1.0 200 OK\nContent-Type: text/html\nContent-Length: 0\n", Meta("text/html"), "", {}, 0, 1, 1,
          kNone}},
        {"meta element not counted as body",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\ncontent-length:  4 \r\n\r\n<p>",
         {"<-- HTTP/1.0 200 OK\nContent-Type: text/html\ncontent-length:  4 \n", Meta("text/html") + "<p>", "", {},
          0, 0, 0, kNone}},
        {"19 digits", WithLength(" 0000000000000000005", "helloXX"),
         {LengthLog(" 0000000000000000005"), "hello", "", {}, 0, 1, 1, kNone}},
        {"20 digits: not trusted", WithLength(" 00000000000000000005", "helloXX"),
         {LengthLog(" 00000000000000000005"), "helloXX", "", {}, 0, 0, 1, kNone}},
        {"beyond 64 bits: not trusted", WithLength(" 99999999999999999999", "ab"),
         {LengthLog(" 99999999999999999999"), "ab", "", {}, 0, 0, 1, kNone}},
        {"negative length", WithLength(" -5", "helloXX"), {LengthLog(" -5"), "helloXX", "", {}, 0, 0, 1, kNone}},
        {"signed length", WithLength(" +5", "helloXX"), {LengthLog(" +5"), "helloXX", "", {}, 0, 0, 1, kNone}},
        {"length that is not a number", WithLength(" 5x", "ab"), {LengthLog(" 5x"), "ab", "", {}, 0, 0, 1, kNone}},
        {"two numbers", WithLength(" 5 5", "ab"), {LengthLog(" 5 5"), "ab", "", {}, 0, 0, 1, kNone}},
        {"empty length", WithLength("", "ab"), {LengthLog(""), "ab", "", {}, 0, 0, 1, kNone}},
        {"two lengths that disagree", WithLength(" 5\r\nContent-Length: 3", "helloXX"),
         {LengthLog(" 5\nContent-Length: 3"), "helloXX", "", {}, 0, 0, 1, kNone}},
        {"a bad length poisons a good one", WithLength(" 5\r\nContent-Length: x\r\nContent-Length: 5", "helloXX"),
         {LengthLog(" 5\nContent-Length: x\nContent-Length: 5"), "helloXX", "", {}, 0, 0, 1, kNone}},
        {"two lengths that agree", WithLength(" 5\r\ncontent-length:5", "helloXX"),
         {LengthLog(" 5\ncontent-length:5"), "hello", "", {}, 0, 1, 1, kNone}},
        // Chunked bodies.
        {"chunked with extensions and trailers",
         Chunked("5;name=\"v\"\r\nhello\r\n6 \r\n world\r\n0;last\r\nX-Check: 1\r\nX-Other: 2\r\n\r\nextra bytes"),
         {kChunkedLog, "hello world", "", {}, 0, 1, 1, kNone}},
        {"chunked, bare LF line ends, any case",
         "HTTP/1.1 200 OK\ntransfer-encoding: Chunked\n\n3\nabc\n0\n\n",
         {"<-- HTTP/1.1 200 OK\ntransfer-encoding: Chunked\n", "abc", "", {}, 0, 1, 1, kNone}},
        {"chunked, hex sizes in both cases and leading zeros",
         Chunked("A\r\n0123456789\r\n00f\r\nabcdefghijklmno\r\n0000\r\n\r\n"),
         {kChunkedLog, "0123456789abcdefghijklmno", "", {}, 0, 1, 1, kNone}},
        {"chunked: chunk data holding line ends", Chunked("4\r\n\r\n\r\n\r\n0\r\n\r\n"),
         {kChunkedLog, "\r\n\r\n", "", {}, 0, 1, 1, kNone}},
        {"chunked as the last of several codings",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, CHUNKED \r\n\r\n2\r\nzz\r\n0\r\n\r\n",
         {"<-- HTTP/1.1 200 OK\nTransfer-Encoding: gzip, CHUNKED \n", "zz", "", {}, 0, 1, 1, kNone}},
        {"chunked not last: the body runs to the close",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, gzip\r\n\r\n2\r\nzz\r\n",
         {"<-- HTTP/1.1 200 OK\nTransfer-Encoding: chunked, gzip\n", "2\r\nzz\r\n", "", {}, 0, 0, 1, kNone}},
        {"chunked: Content-Length ignored",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         {"<-- HTTP/1.1 200 OK\nContent-Length: 3\nTransfer-Encoding: chunked\n", "hello", "", {}, 0, 1, 1, kNone}},
        {"chunked page: the meta element first",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: text/html\r\n\r\n3\r\n<p>\r\n0\r\n\r\n",
         {"<-- HTTP/1.1 200 OK\nTransfer-Encoding: chunked\nContent-Type: text/html\n", Meta("text/html") + "<p>", "",
          {}, 0, 1, 1, kNone}},
        {"chunked: size of 2^63 taken", Chunked("8000000000000000\r\nabc"),
         {kChunkedLog, "abc", "", {}, 0, 0, 0, kNone}},
        {"chunked cut before the last chunk", Chunked("5\r\nhello\r\n"), {kChunkedLog, "hello", "", {}, 0, 0, 0, kNone}},
        {"chunked cut inside the data", Chunked("5\r\nhel"), {kChunkedLog, "hel", "", {}, 0, 0, 0, kNone}},
        {"chunked cut after the last chunk", Chunked("5\r\nhello\r\n0\r\n"),
         {kChunkedLog, "hello", "", {}, 0, 0, 0, kNone}},
        {"chunked cut in the trailer", Chunked("5\r\nhello\r\n0\r\nX: 1\r\n"),
         {kChunkedLog, "hello", "", {}, 0, 0, 0, kNone}},
        {"chunked without any chunk", Chunked(""), {kChunkedLog, "", "", {}, 0, 0, 0, kNone}},
        // Malformed framing stops the parser.
        {"chunk size not hex", Chunked("zz\r\nhello\r\n0\r\n\r\n"), {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"chunk size empty", Chunked("\r\nhello\r\n0\r\n\r\n"), {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"chunk size signed", Chunked("-5\r\nhello\r\n0\r\n\r\n"), {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"chunk size after a blank", Chunked(" 5\r\nhello\r\n0\r\n\r\n"),
         {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"chunk size with garbage", Chunked("5x\r\nhello\r\n0\r\n\r\n"), {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"chunk size above 2^63", Chunked("8000000000000001\r\nabc"), {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"chunk size of 64 bits", Chunked("10000000000000000\r\nabc"), {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"CR without LF in the size line", Chunked("5\rhello\r\n0\r\n\r\n"),
         {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"no line end after the data", Chunked("5\r\nhelloX\r\n0\r\n\r\n"),
         {kChunkedLog, "hello", "", {}, 0, 0, 0, kMalformed}},
        {"CR without LF after the data", Chunked("5\r\nhello\rX0\r\n\r\n"),
         {kChunkedLog, "hello", "", {}, 0, 0, 0, kMalformed}},
        {"CR without LF in the trailer", Chunked("0\r\nX: 1\rY\r\n\r\n"), {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
        {"chunk-size line at its limit", Chunked("5;" + std::string(4092, 'e') + "\r\nhello\r\n0\r\n\r\n"),
         {kChunkedLog, "hello", "", {}, 0, 1, 1, kNone}},
        {"chunk-size line beyond its limit", Chunked("5;" + std::string(4093, 'e') + "\r\nhello\r\n0\r\n\r\n"),
         {kChunkedLog, "", "", {}, 0, 0, 0, kMalformed}},
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

// The meta element, Last-Modified, the log, the stored bytes and the outcome
// do not depend on where the reads end.
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

// A body cut short: BodyShort agrees with Complete, wherever the
// reads end; the meta element does not count as body.
TEST(HttpResponse, BodyShorterThanContentLength) {
    const struct {
        const char* name;
        std::string response;
        uint16_t shortBody;
        uint16_t complete;
    } cases[] = {
        {"whole body", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", 0, 1},
        {"cut body", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhel", 1, 0},
        {"no body at all", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n", 1, 0},
        {"longer than announced: the rest is dropped", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhello", 0, 1},
        {"meta element not counted",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\ncontent-length:  4 \r\n\r\n<p>", 1, 0},
        {"no length: never short", "HTTP/1.0 200 OK\r\n\r\n", 0, 1},
        {"length that is not a number is ignored", "HTTP/1.0 200 OK\r\nContent-Length: 5x\r\n\r\nab", 0, 1},
        {"length beyond 32 bits counts", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\nab", 1, 0},
        {"length beyond 64 bits is ignored", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\nab", 0,
         1},
        {"empty length is ignored", "HTTP/1.0 200 OK\r\nContent-Length:\r\n\r\nab", 0, 1},
        {"chunked without its last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n", 1, 0},
        {"no status line", "hello", 0, 1},
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
            EXPECT_EQ(parser.Complete(), c.complete);
        }
    }
}

// Lengths in 64 bits: a document above 4 GB is not complete after a few
// bytes (in 32 bits 4294967297 would be 1).
TEST(HttpResponse, ContentLengthInSixtyFourBits) {
    const struct {
        const char* value;
        uint16_t known;
        uint64_t length;
    } cases[] = {
        {"5368709120", 1, 5368709120ull},
        {"4294967297", 1, 4294967297ull},
        {"4294967296", 1, 4294967296ull},
        {"9999999999999999999", 1, 9999999999999999999ull},
        {"18446744073709551617", 0, 0},
        {"-1", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        std::string response = "HTTP/1.0 200 OK\r\nContent-Length: " + std::string(c.value) + "\r\n\r\nabc";
        for (size_t cut = 0; cut <= response.size(); ++cut) {
            HttpResponseParser parser;
            Recorder sink;
            parser.Feed(response.data(), Len(response.substr(0, cut)), sink);
            parser.Feed(response.data() + cut, Len(response.substr(cut)), sink);
            EXPECT_EQ(parser.LengthKnown(), c.known);
            EXPECT_EQ(parser.ContentLength(), c.length);
            EXPECT_EQ(parser.BodyBytes(), 3u);
            EXPECT_EQ(parser.BodyComplete(), 0);
            parser.Finish(sink);
            EXPECT_EQ(parser.Complete(), c.known ? 0 : 1);
            EXPECT_EQ(sink.file, "abc");
        }
    }
    // A chunked body's length is its chunks, whatever Content-Length says.
    HttpResponseParser parser;
    Recorder sink;
    std::string chunked = "HTTP/1.1 200 OK\r\nContent-Length: 7\r\nTransfer-Encoding: chunked\r\n\r\n";
    parser.Feed(chunked.data(), Len(chunked), sink);
    EXPECT_EQ(parser.Chunked(), 1);
    EXPECT_EQ(parser.LengthKnown(), 0);
    EXPECT_EQ(parser.ContentLength(), 0u);
}

// The header block is bounded: 64 KB with its line ends is taken, a byte
// more stops the parser before any body byte; a block of 70 KB never ends.
TEST(HttpResponse, HeaderBlockIsBounded) {
    const std::string head = "HTTP/1.0 200 OK\r\n";
    auto block = [&](size_t size) {
        std::string padding;
        while (head.size() + padding.size() + 2 < size) {
            size_t line = std::min<size_t>(1000, size - head.size() - padding.size() - 2);
            padding += line >= 4 ? "X: " + std::string(line - 4, 'p') + "\n" : std::string(line, '\n');
        }
        return head + padding + "\r\n";
    };
    const struct {
        size_t size;
        uint16_t stop;
    } cases[] = {
        {HttpResponseParser::kMaxHeaderBytes, HttpResponseParser::kNotStopped},
        {HttpResponseParser::kMaxHeaderBytes + 1, HttpResponseParser::kMalformed},
        {70 * 1024, HttpResponseParser::kMalformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string response = block(c.size) + "body";
        ASSERT_EQ(response.size(), c.size + 4);
        std::vector<size_t> cuts = {0, 1, response.size()};
        for (size_t at = 65530; at <= 65540; ++at) cuts.push_back(at);
        for (size_t at = 0; at < response.size(); at += 4099) cuts.push_back(at);
        for (size_t cut : cuts) {
            SCOPED_TRACE(cut);
            Result r = RunResponse({response.substr(0, cut), response.substr(cut)});
            EXPECT_EQ(r.stop, c.stop);
            EXPECT_EQ(r.file, c.stop ? "" : "body");
            EXPECT_EQ(r.complete, c.stop ? 0 : 1);
        }
        std::vector<std::string> bytes;
        for (char ch : response) bytes.emplace_back(1, ch);
        EXPECT_EQ(RunResponse(bytes).stop, c.stop);
    }
}

// After the whole body, reads give nothing and count no header.
TEST(HttpResponse, ReadsAfterTheBodyGiveNothing) {
    const std::string responses[] = {
        "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nab",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n",
    };
    for (const std::string& response : responses) {
        SCOPED_TRACE(response);
        HttpResponseParser parser;
        Recorder sink;
        parser.Feed(response.data(), Len(response), sink);
        EXPECT_EQ(parser.BodyComplete(), 1);
        EXPECT_EQ(parser.Complete(), 1);
        EXPECT_EQ(parser.Feed("HTTP/1.0 200 OK\r\n\r\nmore", 23, sink), 0);
        parser.Finish(sink);
        EXPECT_EQ(sink.file, "ab");
        EXPECT_EQ(parser.BodyBytes(), 2u);
        EXPECT_EQ(parser.Complete(), 1);
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
        // Chunk framing and bytes past the body are no header either.
        {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n", "0\r\n\r\n", "more"}, {47, 0, 0}},
        {{"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nabcd", "more"}, {38, 0}},
        {{"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r", "\n"}, {37, 0}},
        {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "more"},
         {HttpResponseParser::kStopped, HttpResponseParser::kStopped}},
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
    EXPECT_EQ(parser.StopReasonOf(), HttpResponseParser::kWriteFailed);
    EXPECT_EQ(parser.Complete(), 0);
    EXPECT_EQ(parser.Feed("more", 4, sink), HttpResponseParser::kStopped);
    EXPECT_EQ(sink.file, "");

    // A failed write of the meta element stops it as well.
    HttpResponseParser html;
    Recorder none;
    none.writeBudget = 0;
    std::string page = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nLast-Modified: x\r\n\r\n<p>";
    EXPECT_EQ(html.Feed(page.data(), Len(page), none), HttpResponseParser::kStopped);
    EXPECT_TRUE(none.lastModified.empty());
    EXPECT_EQ(html.StopReasonOf(), HttpResponseParser::kWriteFailed);

    // Chunk data goes through the same check.
    HttpResponseParser chunked;
    Recorder small;
    small.writeBudget = 3;
    std::string body = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n";
    EXPECT_EQ(chunked.Feed(body.data(), Len(body), small), HttpResponseParser::kStopped);
    EXPECT_EQ(chunked.StopReasonOf(), HttpResponseParser::kWriteFailed);
    EXPECT_EQ(small.file, "abc");
    chunked.Finish(small);
    EXPECT_EQ(chunked.Complete(), 0);
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
        // bytes a request line cannot carry are encoded; "%" is kept
        {"/my doc.htm", "h", 80, Request("/my%20doc.htm", "h")},
        {"/my%20doc.htm", "h", 80, Request("/my%20doc.htm", "h")},
        {"/100%", "h", 80, Request("/100%", "h")},
        {"/caf\xc3\xa9/\x7f\xff", "h", 80, Request("/caf%C3%A9/%7F%FF", "h")},
        {"/a\tb\x01\x1f", "h", 80, Request("/a%09b%01%1F", "h")},
        {"/\"<>\\^`{|}", "h", 80, Request("/%22%3C%3E%5C%5E%60%7B%7C%7D", "h")},
        {"/a?b=c&d=e;f:g@h!$'()*+,~", "h", 80, Request("/a?b=c&d=e;f:g@h!$'()*+,~", "h")},
        // a fragment is never sent
        {"/page.htm#frag", "h", 80, Request("/page.htm", "h")},
        {"/a#b#c", "h", 80, Request("/a", "h")},
        {"/a b#x y", "h", 80, Request("/a%20b", "h")},
        {"//x#y", "h", 80, Request("/x", "h")},
        {"http://p.example/a b#f", "p.example", 80, Request("http://p.example/a%20b", "p.example")},
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
        // nothing left once the fragment is cut; a line break after "#" too
        {"#frag", "example.com"},
        {"/a#\r\nX-Evil: 1", "example.com"},
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

TEST(HttpRequest, PortNamedUnlessTheSchemeDefault) {
    const struct {
        uint16_t port, defaultPort;
        const char* hostLine;
    } rows[] = {{443, 443, "Host: h\r\n"}, {80, 443, "Host: h:80\r\n"}, {8443, 443, "Host: h:8443\r\n"},
                {443, 80, "Host: h:443\r\n"}};
    for (const auto& r : rows) {
        TextBuffer out;
        ASSERT_EQ(BuildHttpRequest(out, "/", 1, "h", 1, r.port, r.defaultPort), 1);
        EXPECT_NE(std::string(out.Text()).find(r.hostLine), std::string::npos) << out.Text();
    }
}

TEST(TunnelRequest, AsksForHostAndPort) {
    TextBuffer out;
    ASSERT_EQ(BuildConnectRequest(out, "www.example.org", 443), 1);
    EXPECT_STREQ(out.Text(),
                 "CONNECT www.example.org:443 HTTP/1.0\r\nHost: www.example.org:443\r\n"
                 "User-Agent: Marlin Internet/v1.0\r\n\r\n");
    // Nothing that would change what the proxy connects to, or add a line.
    for (const char* host : {"", "a b", "a\r\nX: y", "a/b", "user@h", "a\tb", "\x7f"}) {
        SCOPED_TRACE(host);
        out.Assign("old");
        EXPECT_EQ(BuildConnectRequest(out, host, 443), 0);
        EXPECT_EQ(out.length, 0);
    }
    EXPECT_EQ(BuildConnectRequest(out, nullptr, 443), 0);
    EXPECT_EQ(BuildConnectRequest(out, "h", 0), 0);
}

TEST(TunnelReply, JudgedAtTheEmptyLine) {
    const struct {
        std::string reply;
        TunnelReply verdict;
        uint32_t headerLength;
        const char* status;
        const char* line;
    } rows[] = {
        {"HTTP/1.0 200 Connection established\r\n\r\n", kTunnelOpen, 39, "200 Connection established",
         "HTTP/1.0 200 Connection established"},
        {"HTTP/1.1 200 OK\r\nProxy-Agent: x\r\n\r\n", kTunnelOpen, 35, "200 OK", "HTTP/1.1 200 OK"},
        {"HTTP/1.0 200\n\n", kTunnelOpen, 14, "200", "HTTP/1.0 200"},
        {"http/1.0 204 x\r\n\r\nTLS", kTunnelOpen, 18, "204 x", "http/1.0 204 x"},
        {"HTTP/1.0 403 Access violation\r\nContent-Length: 5\r\n\r\nno no", kTunnelRefused, 52,
         "403 Access violation", "HTTP/1.0 403 Access violation"},
        {"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", kTunnelRefused, 46,
         "407 Proxy Authentication Required", "HTTP/1.0 407 Proxy Authentication Required"},
        // not yet whole
        {"HTTP/1.0 200 OK\r\n", kTunnelIncomplete, 0, "", ""},
        {"HTTP/1.0 200 OK\r\n\r", kTunnelIncomplete, 0, "", ""},
        {"", kTunnelIncomplete, 0, "", ""},
        // not an answer of an HTTP proxy
        {"SSH-2.0-OpenSSH\r\n\r\n", kTunnelMalformed, 19, "", "SSH-2.0-OpenSSH"},
        {"HTTP/1.0 2000 OK\r\n\r\n", kTunnelMalformed, 20, "", "HTTP/1.0 2000 OK"},
        {"HTTP/1.0 OK\r\n\r\n", kTunnelMalformed, 15, "", "HTTP/1.0 OK"},
        {"HTTP/1.0 600 x\r\n\r\n", kTunnelMalformed, 18, "", "HTTP/1.0 600 x"},
        {std::string("HTTP/1.0 200 \0K\r\n\r\n", 19), kTunnelMalformed, 19, "", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.reply);
        uint32_t headerLength = 99;
        TextBuffer status, line;
        EXPECT_EQ(ReadTunnelReply(r.reply.data(), Len(r.reply), &headerLength, status, line), r.verdict);
        EXPECT_EQ(headerLength, r.headerLength);
        EXPECT_STREQ(status.Text(), r.status);
        EXPECT_STREQ(line.Text(), r.line);
    }
}

TEST(TunnelReply, BoundedAndCut) {
    // A proxy that never ends its header block is given up at the bound.
    std::string endless = "HTTP/1.0 200 OK\r\n" + std::string(kMaxTunnelReply, 'x');
    uint32_t headerLength = 0;
    TextBuffer status, line;
    EXPECT_EQ(ReadTunnelReply(endless.data(), Len(endless), &headerLength, status, line), kTunnelMalformed);
    // A long status is shown by its head only.
    std::string longStatus = "HTTP/1.0 403 " + std::string(5000, 'r') + "\r\n\r\n";
    EXPECT_EQ(ReadTunnelReply(longStatus.data(), Len(longStatus), &headerLength, status, line), kTunnelRefused);
    EXPECT_EQ(status.length, 200);
    EXPECT_EQ(line.length, 200);
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

// A redirect is judged once its header block has come: with one Location it
// goes to OnRedirect, without one (or with two that differ, or cut before
// the block ends) to OnFailureStatus; its own headers and body give nothing.
TEST(HttpResponse, RedirectsWaitForTheirLocation) {
    struct Redirects : Recorder {
        std::string redirect, location;
        uint16_t whole = 7;
        void OnRedirect(const char* status, uint32_t statusLength, const char* where, uint32_t length,
                        uint16_t isWhole) override {
            EXPECT_EQ(status[statusLength], '\0');
            EXPECT_EQ(where[length], '\0');
            redirect.assign(status, statusLength);
            location.assign(where, length);
            whole = isWhole;
        }
    };
    const struct {
        const char* name;
        std::string response;
        const char *redirect, *location, *failure;
    } cases[] = {
        {"moved", "HTTP/1.0 301 Moved Permanently\r\nContent-Type: text/html\r\nLast-Modified: x\r\n"
                  "Location: /new/place.htm\r\nContent-Length: 5\r\n\r\nmoved",
         "301 Moved Permanently", "/new/place.htm", ""},
        {"each code", "HTTP/1.1 308 Permanent Redirect\nlocation:   https://h/x  \n\n", "308 Permanent Redirect",
         "https://h/x", ""},
        {"303", "HTTP/1.1 303 See Other\r\nLocation: ?q\r\n\r\n", "303 See Other", "?q", ""},
        {"307", "HTTP/1.1 307 Temporary Redirect\r\nLocation: x\r\n\r\n", "307 Temporary Redirect", "x", ""},
        {"the same twice", "HTTP/1.0 302 Found\r\nLocation: /x\r\nLocation: /x\r\n\r\n", "302 Found", "/x", ""},
        {"two that differ", "HTTP/1.0 302 Found\r\nLocation: /x\r\nLocation: /y\r\n\r\n", "", "", "302 Found"},
        {"no location", "HTTP/1.0 302 Found\r\nContent-Type: text/html\r\n\r\nsee /x", "", "", "302 Found"},
        {"an empty one", "HTTP/1.0 302 Found\r\nLocation:  \r\n\r\n", "", "", "302 Found"},
        {"cut before the end", "HTTP/1.0 301 Moved\r\nLocation: /x\r\n", "", "", "301 Moved"},
        {"cut in the status", "HTTP/1.0 301 Moved", "", "", "301 Moved"},
        {"not a redirect", "HTTP/1.0 304 Not Modified\r\nLocation: /x\r\n\r\n", "", "", "304 Not Modified"},
        {"300", "HTTP/1.0 300 Multiple Choices\r\nLocation: /x\r\n\r\n", "", "", "300 Multiple Choices"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t cut = 0; cut <= c.response.size(); ++cut) {
            SCOPED_TRACE(cut);
            HttpResponseParser parser;
            Redirects sink;
            parser.Feed(c.response.data(), Len(c.response.substr(0, cut)), sink);
            parser.Feed(c.response.data() + cut, Len(c.response.substr(cut)), sink);
            parser.Finish(sink);
            EXPECT_EQ(sink.redirect, c.redirect);
            EXPECT_EQ(sink.location, c.location);
            EXPECT_EQ(sink.failure, c.failure);
            EXPECT_EQ(sink.file, "");
            EXPECT_TRUE(sink.lastModified.empty());
            EXPECT_EQ(parser.Stopped(), 1);
            EXPECT_EQ(parser.StopReasonOf(),
                      *c.redirect ? HttpResponseParser::kRedirected : HttpResponseParser::kStatusRefused);
        }
    }
    // Each Location that came, came whole.
    {
        HttpResponseParser parser;
        Redirects sink;
        const std::string moved = "HTTP/1.0 301 Moved\r\nLocation: /x\r\n\r\n";
        parser.Feed(moved.data(), Len(moved), sink);
        EXPECT_EQ(sink.whole, 1);
    }
    // A sink that knows nothing of redirects reports them as failures.
    HttpResponseParser parser;
    Recorder plain;
    std::string moved = "HTTP/1.0 301 Moved\r\nLocation: /x\r\n\r\n";
    parser.Feed(moved.data(), Len(moved), plain);
    EXPECT_EQ(plain.failure, "301 Moved");
}

// A Location longer than a header line may be is never cut into another
// address: the redirect is reported with its head, not whole, wherever the
// reads end. One that just fits is whole.
TEST(HttpResponse, LocationLongerThanALineIsNotWhole) {
    struct Redirects : Recorder {
        std::string location;
        uint16_t whole = 7;
        int calls = 0;
        void OnRedirect(const char*, uint32_t, const char* where, uint32_t length, uint16_t isWhole) override {
            location.assign(where, length);
            whole = isWhole;
            ++calls;
        }
    };
    const std::string prefix = "Location: ";
    const std::string fits = "http://h/" + std::string(HttpResponseParser::kMaxLine - prefix.size() - 9, 'a');
    const std::string longer = fits + "/../../evil";
    const std::string head = "HTTP/1.0 302 Found\r\n";
    const struct {
        const char* name;
        std::string headers;
        uint16_t whole;
        std::string location;
    } cases[] = {
        {"just fits", prefix + fits + "\r\n", 1, fits},
        {"one line too long", prefix + longer + "\r\n", 0, fits},
        {"the long one first", prefix + longer + "\r\n" + prefix + "/x\r\n", 0, fits},
        {"the long one second", prefix + "/x\r\n" + prefix + longer + "\r\n", 0, fits},
        {"another long header", "X-Long: " + std::string(9000, 'z') + "\r\n" + prefix + "/x\r\n", 1, "/x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string response = head + c.headers + "\r\n";
        for (size_t cut : {size_t(0), size_t(30), head.size() + 4096, response.size() - 3, response.size()}) {
            SCOPED_TRACE(cut);
            if (cut > response.size()) continue;
            HttpResponseParser parser;
            Redirects sink;
            parser.Feed(response.data(), Len(response.substr(0, cut)), sink);
            parser.Feed(response.data() + cut, Len(response.substr(cut)), sink);
            parser.Finish(sink);
            EXPECT_EQ(sink.calls, 1);
            EXPECT_EQ(sink.whole, c.whole);
            EXPECT_EQ(sink.location, c.location);
            EXPECT_EQ(parser.StopReasonOf(), HttpResponseParser::kRedirected);
            EXPECT_EQ(sink.file, "");
        }
    }
}
