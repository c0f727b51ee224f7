// The HTTP response parser fed in several reads (the first byte chooses
// where they end), and the request builder with the rest as target and host.
// File bytes, log, events and the outcome (complete, stop reason, body
// count) must not depend on the cuts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/core/text_buffer.h"
#include "transfer/core/http_text.h"
#include "fuzz_reads.h"

namespace {

struct Recorder : HttpResponseSink {
    std::string all;  // every report, tagged, in order
    void OnLogText(const char* text, uint32_t length) override { all += "L" + std::string(text, length); }
    void OnLastModified(const char* value, uint32_t length) override { all += "M" + std::string(value, length); }
    void OnFailureStatus(const char* text, uint32_t length) override { all += "F" + std::string(text, length); }
    void OnNoStatusCode() override { all += "N"; }
    uint16_t OnFileBytes(const char* bytes, uint32_t length) override {
        file.append(bytes, length);
        return 1;
    }
    std::string file;
};

struct Outcome {
    uint16_t bodyComplete, complete, stop, lengthKnown;
    uint64_t bodyBytes, contentLength;
    bool operator!=(const Outcome& o) const {
        return bodyComplete != o.bodyComplete || complete != o.complete || stop != o.stop ||
               lengthKnown != o.lengthKnown || bodyBytes != o.bodyBytes || contentLength != o.contentLength;
    }
};

Outcome Run(const std::vector<std::string>& reads, Recorder& sink) {
    HttpResponseParser parser;
    for (const std::string& r : reads) {
        int32_t header = parser.Feed(r.data(), uint32_t(r.size()), sink);
        if (header < HttpResponseParser::kStopped || header > int32_t(r.size())) __builtin_trap();
        if (parser.Stopped() != (header == HttpResponseParser::kStopped)) __builtin_trap();
    }
    Outcome out;
    out.bodyComplete = parser.BodyComplete();
    parser.Finish(sink);
    out.complete = parser.Complete();
    out.stop = parser.StopReasonOf();
    out.lengthKnown = parser.LengthKnown();
    out.bodyBytes = parser.BodyBytes();
    out.contentLength = parser.ContentLength();
    if (out.stop > HttpResponseParser::kMalformed || parser.Stopped() != (out.stop != 0)) __builtin_trap();
    if (out.complete && (out.stop || parser.BodyShort())) __builtin_trap();
    if (out.bodyComplete && !out.complete) __builtin_trap();
    // The document is never longer than its trusted length.
    if (out.lengthKnown && out.bodyBytes > out.contentLength) __builtin_trap();
    if (out.lengthKnown && out.complete && out.bodyBytes != out.contentLength) __builtin_trap();
    if (out.bodyBytes > sink.file.size()) __builtin_trap();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const FuzzReads input = SplitFuzzInput(data, size, 32, 1);
    const std::string& text = input.text;
    const std::vector<std::string>& reads = input.reads;

    Recorder split, whole, bytes;
    const Outcome splitOutcome = Run(reads, split);
    const Outcome wholeOutcome = Run({text}, whole);
    if (split.all != whole.all || split.file != whole.file || splitOutcome != wholeOutcome) __builtin_trap();
    if (text.size() <= 4096) {
        std::vector<std::string> single;
        for (char c : text) single.emplace_back(1, c);
        const Outcome byteOutcome = Run(single, bytes);
        if (bytes.all != whole.all || bytes.file != whole.file || byteOutcome != wholeOutcome) __builtin_trap();
    }
    if (text.empty() && wholeOutcome.complete) __builtin_trap();

    // Request: a target and a host taken from the input never add a line.
    size_t half = text.size() / 2;
    TextBuffer request;
    if (BuildHttpRequest(request, text.data(), uint32_t(half), text.data() + half, uint32_t(text.size() - half),
                         uint16_t(data[0] * 257u))) {
        int lineEnds = 0;
        for (uint16_t i = 0; i < request.length; ++i) lineEnds += request.data[i] == '\n';
        if (lineEnds != 5) __builtin_trap();
        // "GET " target " HTTP/1.0": the target carries only printable bytes.
        const std::string line(request.Text(), request.length);
        const size_t end = line.find(" HTTP/1.0\r\n");
        if (line.compare(0, 4, "GET ") != 0 || end == std::string::npos || end <= 4) __builtin_trap();
        for (size_t i = 4; i < end; ++i) {
            unsigned char c = static_cast<unsigned char>(line[i]);
            if (c <= 0x20 || c >= 0x7F || c == '#') __builtin_trap();
        }
    }
    TextBuffer host;
    uint16_t port = 0;
    if (SplitHttpUrlHost(text.data(), uint32_t(text.size()), host, &port) && (host.length == 0 || port == 0))
        __builtin_trap();

    // A proxy's answer to CONNECT: judged within what came, the same when
    // it came in two parts, texts bounded and free of line ends.
    uint32_t headerLength = 0;
    TextBuffer status, statusLine;
    const TunnelReply verdict = ReadTunnelReply(text.data(), uint32_t(text.size()), &headerLength, status, statusLine);
    if (headerLength > text.size() || status.length > 200 || statusLine.length > 200) __builtin_trap();
    if ((verdict == kTunnelOpen || verdict == kTunnelRefused) && (headerLength == 0 || status.length < 3))
        __builtin_trap();
    if (verdict == kTunnelOpen && status.data[0] != '2') __builtin_trap();
    for (uint16_t i = 0; i < statusLine.length; ++i)
        if (statusLine.data[i] == '\r' || statusLine.data[i] == '\n') __builtin_trap();
    if (verdict != kTunnelIncomplete && headerLength) {
        // More bytes after the block change nothing.
        uint32_t again = 0;
        TextBuffer s2, l2;
        if (ReadTunnelReply(text.data(), headerLength, &again, s2, l2) != verdict || again != headerLength)
            __builtin_trap();
    }
    TextBuffer tunnel;
    if (BuildConnectRequest(tunnel, text.c_str(), port ? port : 443)) {
        int lineEnds = 0;
        for (uint16_t i = 0; i < tunnel.length; ++i) lineEnds += tunnel.data[i] == '\n';
        if (lineEnds != 4) __builtin_trap();
    }
    return 0;
}
