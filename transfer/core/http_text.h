#ifndef ORBNET_TRANSFER_HTTP_TEXT_H
#define ORBNET_TRANSFER_HTTP_TEXT_H

#include <cstdint>

#include "frame/core/text_buffer.h"

// Builds the GET request:
//   "GET " target " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Marlin Internet/v1.0\r\n"
//   "Host: " host [":" port] "\r\n" "\r\n"
// The target is cut at its first "#" (a fragment is never sent); a target
// that then begins with "//" loses its first slash. Bytes a request line
// cannot carry go out as "%XX" (upper-case hex): controls, space, 0x7F-0xFF
// and " < > \ ^ ` { | }; a "%" is kept as it is (already encoded). ":port"
// is added when port is not defaultPort (80 for http, 443 for https). host
// is the URL's host, also through a proxy (then target is the absolute URL,
// or for https the path: the proxy only carries the tunnel). Refuses (0, out
// empty) an empty target (also once cut) or host, a CR, LF or zero byte in
// either, and a space in the host.
uint16_t BuildHttpRequest(TextBuffer& out, const char* target, uint32_t targetLength, const char* host,
                          uint32_t hostLength, uint16_t port, uint16_t defaultPort = 80);

// The request that asks a proxy for a tunnel to host:port:
//   "CONNECT " host ":" port " HTTP/1.0\r\nHost: " host ":" port "\r\n"
//   "User-Agent: Marlin Internet/v1.0\r\n\r\n"
// Refuses (0, out empty) an empty host, one with a control byte, a space, a
// "/" or an "@" in it, and port 0.
uint16_t BuildConnectRequest(TextBuffer& out, const char* host, uint16_t port);

// The proxy's answer to CONNECT, judged once its header block has ended.
enum TunnelReply : uint16_t {
    kTunnelIncomplete = 0,  // the empty line has not come yet
    kTunnelOpen = 1,        // a 2xx status: the tunnel is up
    kTunnelRefused = 2,     // another status; status holds its text ("403 Forbidden")
    kTunnelMalformed = 3,   // not an HTTP status line, or no end within kMaxTunnelReply
};
constexpr uint32_t kMaxTunnelReply = 16 * 1024;
// data[0..length) is all that came so far. headerLength gets the bytes up to
// and with the empty line (lines end in LF or CR LF); statusLine the first
// line without its end, at most 200 bytes, for the log and messages.
TunnelReply ReadTunnelReply(const char* data, uint32_t length, uint32_t* headerLength, TextBuffer& status,
                            TextBuffer& statusLine);

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
    // A redirect (301, 302, 303, 307, 308) whose header block ended with
    // one Location: its status text and the Location's value, blanks
    // removed. whole is 0 when the Location's line was longer than kMaxLine:
    // location is then only its head, and must not be followed. Nothing is
    // written. Without a Location (or with two that differ) the status is
    // reported by OnFailureStatus instead, as any status that is not 2xx; so
    // it is by default.
    virtual void OnRedirect(const char* statusText, uint32_t statusLength, const char* location,
                            uint32_t locationLength, uint16_t whole) {
        (void)location;
        (void)locationLength;
        (void)whole;
        OnFailureStatus(statusText, statusLength);
    }
    // Bytes for the local file, in order: the meta element of a text/html
    // document first, then the body. Return 0 when writing failed: the parser
    // then stops.
    virtual uint16_t OnFileBytes(const char* bytes, uint32_t length) = 0;
};

// Reads an HTTP response, one read at a time.
//
// A response that does not begin with "HTTP/" (without regard to case) is
// all body, up to the close. Otherwise the status line and the header lines
// are read up to the empty line, wherever the reads end: a header line cut in
// two, or a header block cut just before its empty line, is read on in the
// next read. Lines end at CR, LF, or the pair in either order. A header line
// longer than kMaxLine is judged by its first kMaxLine bytes (a redirect's
// Location so cut is reported as not whole); a header block
// (status line, header lines and their line ends) longer than
// kMaxHeaderBytes stops the parser.
//
// The body then ends at the last chunk of a chunked body ("Transfer-Encoding"
// whose last coding is "chunked"; Content-Length is then ignored), after
// Content-Length bytes when the length is known, or else at the close. Bytes
// after the end of the body are not part of the document: they are dropped.
class HttpResponseParser {
public:
    static constexpr uint32_t kMaxLine = 4096;
    static constexpr uint32_t kMaxHeaderBytes = 64 * 1024;
    // A chunk-size line (size and extensions) may not be longer.
    static constexpr uint32_t kMaxChunkLine = 4096;
    // Feed result after any stop: nothing of the read was written, and
    // nothing will be.
    static constexpr int32_t kStopped = -1;

    // Why the parser stopped (StopReasonOf).
    enum StopReason : uint16_t {
        kNotStopped = 0,
        kStatusRefused = 1,  // OnFailureStatus was called
        kNoCode = 2,         // OnNoStatusCode was called
        kWriteFailed = 3,    // OnFileBytes returned 0
        kMalformed = 4,      // header block too long, bad chunk framing; no sink call
        kRedirected = 5,     // OnRedirect was called
    };

    HttpResponseParser();

    // Takes one read. Returns how many leading bytes of this read were header
    // (status line, header lines, the empty line), or kStopped. The rest of
    // the read is body, chunk framing or bytes past the end of the body, so
    // it is not the count of document bytes: that is BodyBytes(). Once the
    // body is complete, a read gives nothing to the sink and returns 0.
    int32_t Feed(const char* bytes, uint32_t count, HttpResponseSink& sink);
    // At the close of the connection: judges a status or header line that had
    // no line end, and ends a body that runs to the close.
    void Finish(HttpResponseSink& sink);
    void Reset();

    uint16_t StatusSeen() const { return statusSeen_; }
    uint16_t HeadersDone() const { return state_ >= kBody && state_ <= kDone; }
    uint16_t Stopped() const { return state_ == kStop; }
    StopReason StopReasonOf() const { return stopReason_; }
    // 1 as soon as the whole body has arrived: Content-Length bytes, or the
    // last chunk with its trailer section; a body that runs to the close (or
    // a response without status line) is complete at Finish.
    uint16_t BodyComplete() const { return state_ == kDone; }
    // The response made a whole document: not stopped, the header block ended
    // (or there was no status line and at least one byte came), and the body
    // is complete. For a body that runs to the close, only after Finish.
    uint16_t Complete() const { return state_ == kDone; }
    // The body has a length or is chunked and has not all come (yet).
    uint16_t BodyShort() const { return (state_ > kBody && state_ < kDone) || (state_ == kBody && LengthKnown()); }
    // Document bytes given to OnFileBytes (the meta element not counted).
    uint64_t BodyBytes() const { return bodyBytes_; }
    // The body length a Content-Length header gave: LengthKnown() is 1 when
    // it is a plain decimal number, any other Content-Length header agrees,
    // and the body is not chunked. ContentLength() is 0 when not known.
    uint16_t LengthKnown() const { return lengthState_ == kLengthValid && !chunked_; }
    uint64_t ContentLength() const { return LengthKnown() ? contentLength_ : 0; }
    uint16_t Chunked() const { return chunked_; }

private:
    enum State : uint16_t {
        kStart,
        kStatusLine,
        kHeaders,
        kBody,  // to the close or Content-Length
        kChunkSize,
        kChunkSizeTail,  // blanks after the size
        kChunkExtension,
        kChunkSizeCr,
        kChunkData,
        kChunkDataEnd,  // the CR LF after a chunk's data
        kChunkDataLf,
        kTrailerLineStart,
        kTrailerLine,
        kTrailerLineCr,
        kTrailerEndCr,
        kDone,
        kStop
    };
    // Also the state of a redirect's Location (kLocationCut: cut by the line bound).
    enum LengthState : uint16_t { kLengthNone, kLengthValid, kLengthInvalid, kLocationCut };

    void EndLine(HttpResponseSink& sink);
    void JudgeStatusLine(HttpResponseSink& sink);
    void JudgeHeaderLine(HttpResponseSink& sink);
    void JudgeContentLength(const char* value, uint32_t length);
    void JudgeLocation(const char* value, uint32_t length);
    // The header block of a redirect ended (or was cut): the sink is told.
    void EndRedirect(HttpResponseSink& sink, bool complete);
    void StartBody();
    // Body bytes from bytes[pos..count): document bytes and chunk framing.
    // 0 when the parser stopped.
    uint16_t TakeBody(const char* bytes, uint32_t count, uint32_t pos, HttpResponseSink& sink);
    // One byte of chunk framing; 0 when it is malformed.
    uint16_t TakeFramingByte(char c);
    void StartChunkSize();
    void Stop(StopReason reason);
    // body: the bytes are the document's own (not the meta element).
    uint16_t Emit(HttpResponseSink& sink, const char* bytes, uint32_t count, bool body = true);

    State state_;
    StopReason stopReason_;
    uint16_t statusSeen_;
    char pairEnd_;  // the byte that would complete the last line end, or 0
    char line_[kMaxLine + 1];
    uint32_t lineLength_;
    uint16_t lineCut_;  // the line had more than kMaxLine bytes
    uint32_t headerBytes_;
    uint64_t contentLength_;
    uint64_t bodyBytes_;
    LengthState lengthState_;
    uint16_t chunked_;
    uint64_t chunkLeft_;   // data bytes of this chunk still to come; its size while the size line is read
    uint32_t chunkLine_;   // bytes of this chunk-size line, or of the trailer section
    uint16_t chunkDigits_;
    TextBuffer text_;
    // A redirect's status text and Location, kept until its header block
    // ends; a second Location that differs leaves none, one cut by the line
    // bound leaves a head that is not followed.
    uint16_t redirectStatus_;
    uint16_t locationState_;
    TextBuffer statusText_;
    TextBuffer location_;
};

#endif
