#include "transfer/core/http_text.h"

#include <cstdio>
#include <cstring>

#include "transfer/core/redirect_rules.h"

namespace {

const char kMetaHead[] = "<meta name=\"Content-Type\" content=\"";
const char kMetaTail[] = "\">";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 when text begins with prefix (lower case), compared without regard to case.
bool StartsWithNoCase(const char* text, uint32_t length, const char* prefix) {
    uint32_t n = uint32_t(std::strlen(prefix));
    if (length < n) return false;
    for (uint32_t i = 0; i < n; ++i)
        if (Lower(text[i]) != prefix[i]) return false;
    return true;
}

bool EqualsNoCase(const char* text, uint32_t length, const char* word) {
    return length == std::strlen(word) && StartsWithNoCase(text, length, word);
}

bool Contains(const char* text, uint32_t length, const char* word) {
    uint32_t n = uint32_t(std::strlen(word));
    for (uint32_t i = 0; i + n <= length; ++i)
        if (std::memcmp(text + i, word, n) == 0) return true;
    return false;
}

bool HasLineBreaker(const char* text, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        if (text[i] == '\r' || text[i] == '\n' || text[i] == '\0') return true;
    return false;
}

// Bytes a request line cannot carry as they are.
bool NeedsEncoding(unsigned char c) { return c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c); }

// Appends text to out with every byte NeedsEncoding names as "%XX".
bool AppendEncoded(TextBuffer& out, const char* text, uint32_t length) {
    static const char kHex[] = "0123456789ABCDEF";
    uint32_t run = 0;
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!NeedsEncoding(c)) continue;
        const char encoded[3] = {'%', kHex[c >> 4], kHex[c & 15]};
        if ((i > run && !out.Append(text + run, i - run)) || !out.Append(encoded, 3)) return false;
        run = i + 1;
    }
    return length == run || out.Append(text + run, length - run);
}

// Appends a header value for an HTML attribute: & " < > as entities,
// control bytes left out.
bool AppendAttribute(TextBuffer& out, const char* text, uint32_t length) {
    uint32_t run = 0;
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        const char* entity = c == '&' ? "&amp;" : c == '"' ? "&quot;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
        bool control = c < 0x20 || c == 0x7F;
        if (!entity && !control) continue;
        if (i > run && !out.Append(text + run, i - run)) return false;
        if (entity && !out.Append(entity)) return false;
        run = i + 1;
    }
    return length == run || out.Append(text + run, length - run);
}

}  // namespace

uint16_t BuildHttpRequest(TextBuffer& out, const char* target, uint32_t targetLength, const char* host,
                          uint32_t hostLength, uint16_t port, uint16_t defaultPort) {
    out.Clear();
    if (!target || !host || targetLength == 0 || hostLength == 0) return 0;
    if (HasLineBreaker(target, targetLength) || HasLineBreaker(host, hostLength)) return 0;
    if (std::memchr(host, ' ', hostLength)) return 0;
    const void* fragment = std::memchr(target, '#', targetLength);
    if (fragment) targetLength = uint32_t(static_cast<const char*>(fragment) - target);
    if (targetLength == 0) return 0;
    if (targetLength >= 2 && target[0] == '/' && target[1] == '/') {
        ++target;
        --targetLength;
    }
    char portText[8] = "";
    uint32_t portLength = 0;
    if (port != defaultPort) {
        int n = std::snprintf(portText, sizeof portText, ":%u", unsigned(port));
        if (n <= 0 || n >= int(sizeof portText)) return 0;
        portLength = uint32_t(n);
    }
    bool ok = out.Append("GET ", 4) && AppendEncoded(out, target, targetLength) &&
              out.Append(" HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Marlin Internet/v1.0\r\nHost: ") &&
              out.Append(host, hostLength) && (portLength == 0 || out.Append(portText, portLength)) &&
              out.Append("\r\n\r\n", 4);
    if (!ok) {
        out.Clear();
        return 0;
    }
    return 1;
}
uint16_t SplitHttpUrlHost(const char* url, uint32_t length, TextBuffer& host, uint16_t* port) {
    host.Clear();
    if (port) *port = 80;
    if (!url || !StartsWithNoCase(url, length, "http://")) return 0;
    uint32_t start = 7, end = start;
    while (end < length && url[end] != '/' && url[end] != '?' && url[end] != '#') ++end;
    // "user:password@host" : the host follows the last '@'.
    for (uint32_t i = start; i < end; ++i)
        if (url[i] == '@') start = i + 1;
    uint32_t hostEnd = start;
    while (hostEnd < end && url[hostEnd] != ':') ++hostEnd;
    if (hostEnd == start) return 0;
    uint32_t number = 80;
    if (hostEnd < end && hostEnd + 1 < end) {
        number = 0;
        for (uint32_t i = hostEnd + 1; i < end; ++i) {
            if (url[i] < '0' || url[i] > '9') return 0;
            number = number * 10 + uint32_t(url[i] - '0');
            if (number > 65535) return 0;
        }
        if (number == 0) return 0;
    }
    if (HasLineBreaker(url + start, hostEnd - start) || std::memchr(url + start, ' ', hostEnd - start)) return 0;
    if (!host.Append(url + start, hostEnd - start)) return 0;
    if (port) *port = static_cast<uint16_t>(number);
    return 1;
}

uint16_t BuildConnectRequest(TextBuffer& out, const char* host, uint16_t port) {
    out.Clear();
    if (!host || !*host || port == 0) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(host); *p; ++p)
        if (*p <= ' ' || *p == 0x7F || *p == '/' || *p == '@') return 0;
    char portText[8];
    int n = std::snprintf(portText, sizeof portText, ":%u", unsigned(port));
    if (n <= 0 || n >= int(sizeof portText)) return 0;
    bool ok = out.Append("CONNECT ") && out.Append(host) && out.Append(portText) &&
              out.Append(" HTTP/1.0\r\nHost: ") && out.Append(host) && out.Append(portText) &&
              out.Append("\r\nUser-Agent: Marlin Internet/v1.0\r\n\r\n");
    if (!ok) {
        out.Clear();
        return 0;
    }
    return 1;
}

TunnelReply ReadTunnelReply(const char* data, uint32_t length, uint32_t* headerLength, TextBuffer& status,
                            TextBuffer& statusLine) {
    constexpr uint32_t kShownLine = 200;
    if (headerLength) *headerLength = 0;
    status.Clear();
    statusLine.Clear();
    if (!data) return kTunnelIncomplete;
    // The end of the header block: an empty line.
    uint32_t end = 0;
    for (uint32_t i = 0; i < length && !end; ++i) {
        if (data[i] != '\n') continue;
        if (i + 1 < length && data[i + 1] == '\n') end = i + 2;
        else if (i + 2 < length && data[i + 1] == '\r' && data[i + 2] == '\n') end = i + 3;
    }
    if (!end) return length >= kMaxTunnelReply ? kTunnelMalformed : kTunnelIncomplete;
    if (end > kMaxTunnelReply) return kTunnelMalformed;
    if (headerLength) *headerLength = end;
    uint32_t lineEnd = 0;
    while (data[lineEnd] != '\n') ++lineEnd;
    uint32_t line = lineEnd > 0 && data[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
    for (uint32_t i = 0; i < line; ++i)
        if (static_cast<unsigned char>(data[i]) < 0x20 && data[i] != '\t') return kTunnelMalformed;
    if (line) statusLine.Append(data, line < kShownLine ? line : kShownLine);
    if (!StartsWithNoCase(data, line, "http/")) return kTunnelMalformed;
    uint32_t code = 5;
    while (code < line && data[code] != ' ') ++code;
    while (code < line && data[code] == ' ') ++code;
    if (code + 3 > line || data[code] < '1' || data[code] > '5' || data[code + 1] < '0' || data[code + 1] > '9' ||
        data[code + 2] < '0' || data[code + 2] > '9' || (code + 3 < line && data[code + 3] != ' '))
        return kTunnelMalformed;
    uint32_t shown = line - code < kShownLine ? line - code : kShownLine;
    if (shown) status.Append(data + code, shown);
    return data[code] == '2' ? kTunnelOpen : kTunnelRefused;
}

HttpResponseParser::HttpResponseParser() : text_(128), statusText_(64), location_(128) { Reset(); }

void HttpResponseParser::Reset() {
    state_ = kStart;
    stopReason_ = kNotStopped;
    statusSeen_ = 0;
    pairEnd_ = 0;
    lineLength_ = 0;
    lineCut_ = 0;
    line_[0] = '\0';
    headerBytes_ = 0;
    contentLength_ = 0;
    bodyBytes_ = 0;
    lengthState_ = kLengthNone;
    chunked_ = 0;
    chunkLeft_ = 0;
    chunkLine_ = 0;
    chunkDigits_ = 0;
    redirectStatus_ = 0;
    locationState_ = kLengthNone;
    statusText_.Clear();
    location_.Clear();
}

void HttpResponseParser::Stop(StopReason reason) {
    state_ = kStop;
    stopReason_ = reason;
}

uint16_t HttpResponseParser::Emit(HttpResponseSink& sink, const char* bytes, uint32_t count, bool body) {
    if (count == 0) return 1;
    if (body) bodyBytes_ += count;
    if (sink.OnFileBytes(bytes, count)) return 1;
    Stop(kWriteFailed);
    return 0;
}

void HttpResponseParser::JudgeStatusLine(HttpResponseSink& sink) {
    // "HTTP/1.0 404 Not Found": version, code, reason.
    if (text_.Assign("<-- ", 4) && text_.Append(line_, lineLength_) && text_.Append("\n", 1))
        sink.OnLogText(text_.Text(), text_.length);
    uint32_t pos = 0;
    while (pos < lineLength_ && line_[pos] != ' ') ++pos;
    while (pos < lineLength_ && line_[pos] == ' ') ++pos;
    if (pos == lineLength_) {
        Stop(kNoCode);
        sink.OnNoStatusCode();
        return;
    }
    uint32_t end = pos;
    while (end < lineLength_ && line_[end] != ' ') ++end;
    bool threeDigits = end - pos == 3 && IsDigit(line_[pos]) && IsDigit(line_[pos + 1]) && IsDigit(line_[pos + 2]);
    const uint16_t code = threeDigits ? uint16_t((line_[pos] - '0') * 100 + (line_[pos + 1] - '0') * 10 +
                                                 (line_[pos + 2] - '0'))
                                      : 0;
    if (IsRedirectStatus(code) && statusText_.Assign(line_ + pos, lineLength_ - pos)) {
        // Judged once its header block, with the Location, has come.
        redirectStatus_ = code;
        state_ = kHeaders;
        return;
    }
    if (!threeDigits || line_[pos] != '2') {
        Stop(kStatusRefused);
        sink.OnFailureStatus(line_ + pos, lineLength_ - pos);
        return;
    }
    state_ = kHeaders;
}

void HttpResponseParser::JudgeContentLength(const char* value, uint32_t length) {
    uint32_t pos = 0, end = length;
    while (pos < end && IsBlank(value[pos])) ++pos;
    while (end > pos && IsBlank(value[end - 1])) --end;
    // Only a plain decimal number of up to 19 digits (no overflow) counts;
    // anything else, or two lengths that disagree, leaves none trusted.
    uint64_t number = 0;
    bool plain = end > pos && end - pos <= 19;
    for (uint32_t i = pos; plain && i < end; ++i) {
        if (!IsDigit(value[i])) plain = false;
        else number = number * 10u + uint64_t(value[i] - '0');
    }
    if (!plain || (lengthState_ == kLengthValid && number != contentLength_)) {
        lengthState_ = kLengthInvalid;
        contentLength_ = 0;
    } else if (lengthState_ == kLengthNone) {
        lengthState_ = kLengthValid;
        contentLength_ = number;
    }
}

void HttpResponseParser::JudgeLocation(const char* value, uint32_t length) {
    uint32_t pos = 0, end = length;
    while (pos < end && IsBlank(value[pos])) ++pos;
    while (end > pos && IsBlank(value[end - 1])) --end;
    if (lineCut_) {
        // Only its head came through: it names no place, however it begins.
        if (locationState_ != kLocationCut) location_.Assign(value + pos, end - pos);
        locationState_ = kLocationCut;
        return;
    }
    if (locationState_ == kLocationCut) return;
    if (locationState_ == kLengthNone) {
        locationState_ = location_.Assign(value + pos, end - pos) && end > pos ? kLengthValid : kLengthInvalid;
    } else if (locationState_ == kLengthValid &&
               (location_.length != end - pos || std::memcmp(location_.Text(), value + pos, end - pos) != 0)) {
        locationState_ = kLengthInvalid;
    }
}

void HttpResponseParser::EndRedirect(HttpResponseSink& sink, bool complete) {
    if (complete && (locationState_ == kLengthValid || locationState_ == kLocationCut)) {
        Stop(kRedirected);
        sink.OnRedirect(statusText_.Text(), statusText_.length, location_.Text(), location_.length,
                        locationState_ == kLengthValid);
    } else {
        Stop(kStatusRefused);
        sink.OnFailureStatus(statusText_.Text(), statusText_.length);
    }
}

void HttpResponseParser::JudgeHeaderLine(HttpResponseSink& sink) {
    if (text_.Assign(line_, lineLength_) && text_.Append("\n", 1)) sink.OnLogText(text_.Text(), text_.length);
    // A redirect's own headers say nothing of a document.
    if (redirectStatus_) {
        if (StartsWithNoCase(line_, lineLength_, "location:")) JudgeLocation(line_ + 9, lineLength_ - 9);
        return;
    }
    // "Last-Modified: Tue, 15 Nov 1994 12:45:26 GMT"
    if (StartsWithNoCase(line_, lineLength_, "last-modified:")) {
        uint32_t pos = 14;
        while (pos < lineLength_ && line_[pos] == ' ') ++pos;
        sink.OnLastModified(line_ + pos, lineLength_ - pos);
        return;
    }
    // "Content-Type: text/html; charset=iso-8859-1"
    if (StartsWithNoCase(line_, lineLength_, "content-type: ")) {
        const char* value = line_ + 14;
        uint32_t valueLength = lineLength_ - 14;
        if (!Contains(value, valueLength, "text/html")) return;
        if (text_.Assign(kMetaHead, sizeof kMetaHead - 1) && AppendAttribute(text_, value, valueLength) &&
            text_.Append(kMetaTail, sizeof kMetaTail - 1))
            Emit(sink, text_.Text(), text_.length, false);
        return;
    }
    // "Content-Length: 3495"
    if (StartsWithNoCase(line_, lineLength_, "content-length:")) {
        JudgeContentLength(line_ + 15, lineLength_ - 15);
        return;
    }
    // "Transfer-Encoding: gzip, chunked": chunked when it is the last coding.
    if (StartsWithNoCase(line_, lineLength_, "transfer-encoding:")) {
        uint32_t end = lineLength_;
        while (end > 18 && (IsBlank(line_[end - 1]) || line_[end - 1] == ',')) --end;
        uint32_t start = end;
        while (start > 18 && line_[start - 1] != ',') --start;
        while (start < end && IsBlank(line_[start])) ++start;
        chunked_ = EqualsNoCase(line_ + start, end - start, "chunked") ? 1 : 0;
    }
}

void HttpResponseParser::StartBody() {
    if (chunked_) StartChunkSize();
    else if (LengthKnown() && contentLength_ == 0) state_ = kDone;
    else state_ = kBody;
}

void HttpResponseParser::EndLine(HttpResponseSink& sink) {
    line_[lineLength_] = '\0';
    if (state_ == kStatusLine) {
        JudgeStatusLine(sink);
    } else if (lineLength_ == 0) {
        // The empty line ends the header.
        if (redirectStatus_) EndRedirect(sink, true);
        else StartBody();
    } else {
        JudgeHeaderLine(sink);
    }
    lineLength_ = 0;
    lineCut_ = 0;
    line_[0] = '\0';
}

void HttpResponseParser::StartChunkSize() {
    state_ = kChunkSize;
    chunkLeft_ = 0;
    chunkLine_ = 0;
    chunkDigits_ = 0;
}

uint16_t HttpResponseParser::TakeFramingByte(char c) {
    if (state_ >= kChunkSize && state_ <= kChunkSizeCr && ++chunkLine_ > kMaxChunkLine) return 0;
    if (state_ >= kTrailerLineStart && state_ <= kTrailerEndCr && ++chunkLine_ > kMaxHeaderBytes) return 0;
    // The end of a chunk-size line: data follows, or the trailer after "0".
    auto sizeLineEnds = [this]() {
        state_ = chunkLeft_ ? kChunkData : kTrailerLineStart;
        chunkLine_ = 0;
    };
    switch (state_) {
    case kChunkSize: {
        int digit = HexValue(c);
        if (digit >= 0) {
            // A size above 2^63 is not taken.
            if (chunkLeft_ > ((uint64_t(1) << 63) - uint64_t(digit)) / 16u) return 0;
            chunkLeft_ = chunkLeft_ * 16u + uint64_t(digit);
            chunkDigits_ = 1;
            return 1;
        }
        if (!chunkDigits_) return 0;
        if (IsBlank(c)) state_ = kChunkSizeTail;
        else if (c == ';') state_ = kChunkExtension;
        else if (c == '\r') state_ = kChunkSizeCr;
        else if (c == '\n') sizeLineEnds();
        else return 0;
        return 1;
    }
    case kChunkSizeTail:
        if (c == ';') state_ = kChunkExtension;
        else if (c == '\r') state_ = kChunkSizeCr;
        else if (c == '\n') sizeLineEnds();
        else if (!IsBlank(c)) return 0;
        return 1;
    case kChunkExtension:
        if (c == '\r') state_ = kChunkSizeCr;
        else if (c == '\n') sizeLineEnds();
        return 1;
    case kChunkSizeCr:
        if (c != '\n') return 0;
        sizeLineEnds();
        return 1;
    case kChunkDataEnd:
        if (c == '\r') state_ = kChunkDataLf;
        else if (c == '\n') StartChunkSize();
        else return 0;
        return 1;
    case kChunkDataLf:
        if (c != '\n') return 0;
        StartChunkSize();
        return 1;
    case kTrailerLineStart:
        state_ = c == '\r' ? kTrailerEndCr : c == '\n' ? kDone : kTrailerLine;
        return 1;
    case kTrailerLine:
        if (c == '\r') state_ = kTrailerLineCr;
        else if (c == '\n') state_ = kTrailerLineStart;
        return 1;
    case kTrailerLineCr:
        if (c != '\n') return 0;
        state_ = kTrailerLineStart;
        return 1;
    case kTrailerEndCr:
        if (c != '\n') return 0;
        state_ = kDone;
        return 1;
    default:
        return 0;
    }
}

uint16_t HttpResponseParser::TakeBody(const char* bytes, uint32_t count, uint32_t pos, HttpResponseSink& sink) {
    while (pos < count) {
        if (state_ == kBody || state_ == kChunkData) {
            uint32_t n = count - pos;
            uint64_t left = state_ == kChunkData ? chunkLeft_ : LengthKnown() ? contentLength_ - bodyBytes_ : n;
            if (left < n) n = uint32_t(left);
            if (!Emit(sink, bytes + pos, n)) return 0;
            pos += n;
            if (state_ == kChunkData) {
                chunkLeft_ -= n;
                if (chunkLeft_ == 0) state_ = kChunkDataEnd;
            } else if (LengthKnown() && bodyBytes_ == contentLength_) {
                state_ = kDone;
            }
        } else if (state_ == kDone) {
            return 1;  // the rest is not part of the document
        } else if (!TakeFramingByte(bytes[pos++])) {
            Stop(kMalformed);
            return 0;
        }
    }
    return 1;
}

int32_t HttpResponseParser::Feed(const char* bytes, uint32_t count, HttpResponseSink& sink) {
    if (state_ == kStop) return kStopped;
    if (!bytes || count == 0 || state_ == kDone) return 0;
    uint32_t pos = 0;

    if (state_ == kStart) {
        static const char kStatusStart[] = "http/";
        while (pos < count && lineLength_ < 5) {
            if (Lower(bytes[pos]) != kStatusStart[lineLength_]) {
                // No status line: all of the response is body, up to the
                // close, bytes held from earlier reads first.
                state_ = kBody;
                uint32_t held = lineLength_ - pos;
                lineLength_ = 0;
                if (!Emit(sink, line_, held) || !Emit(sink, bytes, count)) return kStopped;
                return 0;
            }
            line_[lineLength_++] = bytes[pos++];
            ++headerBytes_;
        }
        if (lineLength_ < 5) return int32_t(count);
        state_ = kStatusLine;
        statusSeen_ = 1;
    }

    while (pos < count && (state_ == kStatusLine || state_ == kHeaders)) {
        char c = bytes[pos++];
        if (++headerBytes_ > kMaxHeaderBytes) {
            Stop(kMalformed);
            return kStopped;
        }
        if (pairEnd_) {
            char pair = pairEnd_;
            pairEnd_ = 0;
            if (c == pair) continue;
        }
        if (c == '\r' || c == '\n') {
            pairEnd_ = c == '\r' ? '\n' : '\r';
            EndLine(sink);
            if (state_ == kStop) return kStopped;
            continue;
        }
        if (lineLength_ < kMaxLine) line_[lineLength_++] = c;
        else lineCut_ = 1;
    }

    if (pairEnd_ && pos < count && state_ != kStatusLine && state_ != kHeaders) {
        // The second byte of the empty line's CR LF may start the next read.
        if (bytes[pos] == pairEnd_) {
            ++pos;
            if (++headerBytes_ > kMaxHeaderBytes) {
                Stop(kMalformed);
                return kStopped;
            }
        }
        pairEnd_ = 0;
    }
    const int32_t header = int32_t(pos);
    if (!TakeBody(bytes, count, pos, sink)) return kStopped;
    return header;
}

void HttpResponseParser::Finish(HttpResponseSink& sink) {
    // A start too short to judge ("HTT") is neither header nor document.
    if ((state_ == kStatusLine || state_ == kHeaders) && lineLength_ > 0) EndLine(sink);
    else if (state_ == kBody && !LengthKnown()) state_ = kDone;  // the body ran to the close
    // A redirect cut before the end of its header block.
    if (state_ == kHeaders && redirectStatus_) EndRedirect(sink, false);
}
