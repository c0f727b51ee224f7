#ifndef ORBNET_TRANSFER_HTTP_TEXT_H
#define ORBNET_TRANSFER_HTTP_TEXT_H

#include <cstdint>

#include "frame/text_buffer.h"

// Builds the GET request:
//   "GET " target " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Marlin Internet/v1.0\r\n"
//   "Host: " host [":" port] "\r\n" "\r\n"
// A target that begins with "//" loses its first slash; ":port" is added
// when port is not 80. host is the URL's host, also through a proxy (then
// target is the absolute URL). Refuses (0, out empty) an empty target or
// host, a CR, LF or zero byte in either, and a space in the host.
uint16_t BuildHttpRequest(TextBuffer& out, const char* target, uint32_t targetLength, const char* host,
                          uint32_t hostLength, uint16_t port);

// Host and port of an absolute URL "http://[user@]host[:port][/path]" (scheme
// without regard to case). Port 80 when none is given. 0 when the URL is not
// http://, has no host, or has a port that is not a number 1-65535.
uint16_t SplitHttpUrlHost(const char* url, uint32_t length, TextBuffer& host, uint16_t* port);

// What the response parser reports. Texts handed over are terminated and
// valid only during the call.
class HttpResponseSink {
public:
    virtual ~HttpResponseSink() {}
    // Text for the protocol log: "<-- " status line "\n", then each header
    // line and "\n".
    virtual void OnLogText(const char* text, uint32_t length) = 0;
    // Value of a "Last-Modified:" header, leading spaces removed.
    virtual void OnLastModified(const char* value, uint32_t length) = 0;
    // A status code that does not begin with '2': the text from the code to
    // the end of the status line ("404 Not Found"). Nothing is written.
    virtual void OnFailureStatus(const char* statusText, uint32_t length) = 0;
    // A status line without a code. Nothing is written.
    virtual void OnNoStatusCode() = 0;
    // Bytes for the local file, in order: the meta element of a text/html
    // document first, then the body. Return 0 when writing failed: the parser
    // then stops.
    virtual uint16_t OnFileBytes(const char* bytes, uint32_t length) = 0;
};

// Reads an HTTP response, one read at a time.
//
// A response that does not begin with "HTTP/" (without regard to case) is
// all body. Otherwise the status line and the header lines are read up to
// the empty line, wherever the reads end: a header line cut in two, or a
// header block cut just before its empty line, is read on in the next read.
// Lines end at CR, LF, or the pair in either order. A header line longer than
// kMaxLine is judged by its first kMaxLine bytes.
class HttpResponseParser {
public:
    static constexpr uint32_t kMaxLine = 4096;
    // Feed result after a failure status, a status line without code or a
    // failed write: nothing of the read was written, and nothing will be.
    static constexpr int32_t kStopped = -1;

    HttpResponseParser();

    // Takes one read. Returns how many leading bytes of this read were header
    // (the rest went to OnFileBytes as body), or kStopped.
    int32_t Feed(const char* bytes, uint32_t count, HttpResponseSink& sink);
    // At the close of the connection: judges a status or header line that had
    // no line end, and writes a response start too short to judge as body.
    void Finish(HttpResponseSink& sink);
    void Reset();

    uint16_t StatusSeen() const { return statusSeen_; }
    // The header announced a Content-Length and fewer body bytes came: the
    // document was cut short.
    uint16_t BodyShort() const { return lengthKnown_ && bodyBytes_ < contentLength_; }
    uint32_t BodyBytes() const { return bodyBytes_; }
    uint16_t HeadersDone() const { return state_ == kBody; }
    uint16_t Stopped() const { return state_ == kStop; }

private:
    enum State : uint16_t { kStart, kStatusLine, kHeaders, kBody, kStop };

    void EndLine(HttpResponseSink& sink);
    void JudgeStatusLine(HttpResponseSink& sink);
    void JudgeHeaderLine(HttpResponseSink& sink);
    // body: the bytes are the document's own (not the meta element).
    uint16_t Emit(HttpResponseSink& sink, const char* bytes, uint32_t count, bool body = true);

    State state_;
    uint16_t statusSeen_;
    char pairEnd_;  // the byte that would complete the last line end, or 0
    char line_[kMaxLine + 1];
    uint32_t lineLength_;
    uint32_t contentLength_;
    uint32_t bodyBytes_;
    uint16_t lengthKnown_;
    TextBuffer text_;
};

#endif
