#include "transfer/http_text.h"

#include <cstdio>
#include <cstring>

namespace {

const char kMetaHead[] = "<meta name=\"Content-Type\" content=\"";
const char kMetaTail[] = "\">";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// 1 when text begins with prefix (lower case), compared without regard to case.
bool StartsWithNoCase(const char* text, uint32_t length, const char* prefix) {
    uint32_t n = uint32_t(std::strlen(prefix));
    if (length < n) return false;
    for (uint32_t i = 0; i < n; ++i)
        if (Lower(text[i]) != prefix[i]) return false;
    return true;
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

}  // namespace

uint16_t BuildHttpRequest(TextBuffer& out, const char* target, uint32_t targetLength, const char* host,
                          uint32_t hostLength, uint16_t port) {
    out.Clear();
    if (!target || !host || targetLength == 0 || hostLength == 0) return 0;
    if (HasLineBreaker(target, targetLength) || HasLineBreaker(host, hostLength)) return 0;
    if (std::memchr(host, ' ', hostLength)) return 0;
    if (targetLength >= 2 && target[0] == '/' && target[1] == '/') {
        ++target;
        --targetLength;
    }
    char portText[8] = "";
    uint32_t portLength = 0;
    if (port != 80) {
        int n = std::snprintf(portText, sizeof portText, ":%u", unsigned(port));
        if (n <= 0 || n >= int(sizeof portText)) return 0;
        portLength = uint32_t(n);
    }
    bool ok = out.Append("GET ", 4) && out.Append(target, targetLength) &&
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

HttpResponseParser::HttpResponseParser()
    : state_(kStart),
      statusSeen_(0),
      pairEnd_(0),
      lineLength_(0),
      contentLength_(0),
      bodyBytes_(0),
      lengthKnown_(0),
      text_(128) {
    line_[0] = '\0';
}

void HttpResponseParser::Reset() {
    state_ = kStart;
    statusSeen_ = 0;
    pairEnd_ = 0;
    lineLength_ = 0;
    line_[0] = '\0';
    contentLength_ = 0;
    bodyBytes_ = 0;
    lengthKnown_ = 0;
}

uint16_t HttpResponseParser::Emit(HttpResponseSink& sink, const char* bytes, uint32_t count, bool body) {
    if (count == 0) return 1;
    if (body) bodyBytes_ = count > 0xFFFFFFFFu - bodyBytes_ ? 0xFFFFFFFFu : bodyBytes_ + count;
    if (sink.OnFileBytes(bytes, count)) return 1;
    state_ = kStop;
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
        state_ = kStop;
        sink.OnNoStatusCode();
        return;
    }
    if (line_[pos] != '2') {
        state_ = kStop;
        sink.OnFailureStatus(line_ + pos, lineLength_ - pos);
        return;
    }
    state_ = kHeaders;
}

void HttpResponseParser::JudgeHeaderLine(HttpResponseSink& sink) {
    if (text_.Assign(line_, lineLength_) && text_.Append("\n", 1)) sink.OnLogText(text_.Text(), text_.length);
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
        if (text_.Assign(kMetaHead, sizeof kMetaHead - 1) && text_.Append(value, valueLength) &&
            text_.Append(kMetaTail, sizeof kMetaTail - 1))
            Emit(sink, text_.Text(), text_.length, false);
        return;
    }
    // "Content-Length: 3495": only a plain decimal number counts.
    if (StartsWithNoCase(line_, lineLength_, "content-length:")) {
        uint32_t pos = 15;
        while (pos < lineLength_ && line_[pos] == ' ') ++pos;
        uint32_t end = lineLength_;
        while (end > pos && line_[end - 1] == ' ') --end;
        uint64_t value = 0;
        if (pos == end) return;
        for (uint32_t i = pos; i < end; ++i) {
            if (line_[i] < '0' || line_[i] > '9') return;
            value = value * 10 + uint64_t(line_[i] - '0');
            if (value > 0xFFFFFFFFu) return;
        }
        contentLength_ = uint32_t(value);
        lengthKnown_ = 1;
    }
}

void HttpResponseParser::EndLine(HttpResponseSink& sink) {
    line_[lineLength_] = '\0';
    if (state_ == kStatusLine) {
        JudgeStatusLine(sink);
    } else if (lineLength_ == 0) {
        state_ = kBody;  // the empty line ends the header
    } else {
        JudgeHeaderLine(sink);
    }
    lineLength_ = 0;
    line_[0] = '\0';
}

int32_t HttpResponseParser::Feed(const char* bytes, uint32_t count, HttpResponseSink& sink) {
    if (state_ == kStop) return kStopped;
    if (!bytes || count == 0) return 0;
    uint32_t pos = 0;

    if (state_ == kStart) {
        static const char kStatusStart[] = "http/";
        while (pos < count && lineLength_ < 5) {
            if (Lower(bytes[pos]) != kStatusStart[lineLength_]) {
                // No status line: all of the response is body, bytes held
                // from earlier reads first.
                state_ = kBody;
                uint32_t held = lineLength_ - pos;
                lineLength_ = 0;
                if (!Emit(sink, line_, held) || !Emit(sink, bytes, count)) return kStopped;
                return 0;
            }
            line_[lineLength_++] = bytes[pos++];
        }
        if (lineLength_ < 5) return int32_t(count);
        state_ = kStatusLine;
        statusSeen_ = 1;
    }

    while (pos < count && (state_ == kStatusLine || state_ == kHeaders)) {
        char c = bytes[pos];
        if (pairEnd_) {
            char pair = pairEnd_;
            pairEnd_ = 0;
            if (c == pair) {
                ++pos;
                continue;
            }
        }
        ++pos;
        if (c == '\r' || c == '\n') {
            pairEnd_ = c == '\r' ? '\n' : '\r';
            EndLine(sink);
            if (state_ == kStop) return kStopped;
            continue;
        }
        if (lineLength_ < kMaxLine) line_[lineLength_++] = c;
    }

    if (state_ == kBody && pos < count) {
        // The second byte of the empty line's CR LF may start the next read.
        if (pairEnd_ && bytes[pos] == pairEnd_) ++pos;
        pairEnd_ = 0;
        if (!Emit(sink, bytes + pos, count - pos)) return kStopped;
    }
    return int32_t(pos);
}

void HttpResponseParser::Finish(HttpResponseSink& sink) {
    if (state_ == kStart && lineLength_ > 0) {
        uint32_t held = lineLength_;
        lineLength_ = 0;
        state_ = kBody;
        Emit(sink, line_, held);
        return;
    }
    if ((state_ == kStatusLine || state_ == kHeaders) && lineLength_ > 0) EndLine(sink);
}
