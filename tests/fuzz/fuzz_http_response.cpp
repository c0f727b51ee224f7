// The HTTP response parser fed in several reads (the first byte chooses
// where they end), and the request builder with the rest as target and host.
// File bytes, log and events must not depend on the cuts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/text_buffer.h"
#include "transfer/http_text.h"
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

void Run(const std::vector<std::string>& reads, Recorder& sink) {
    HttpResponseParser parser;
    for (const std::string& r : reads) {
        int32_t header = parser.Feed(r.data(), uint32_t(r.size()), sink);
        if (header < HttpResponseParser::kStopped || header > int32_t(r.size())) __builtin_trap();
    }
    parser.Finish(sink);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const FuzzReads input = SplitFuzzInput(data, size, 32, 1);
    const std::string& text = input.text;
    const std::vector<std::string>& reads = input.reads;

    Recorder split, whole;
    Run(reads, split);
    Run({text}, whole);
    if (split.all != whole.all || split.file != whole.file) __builtin_trap();

    // Request: a target and a host taken from the input never add a line.
    size_t half = text.size() / 2;
    TextBuffer request;
    if (BuildHttpRequest(request, text.data(), uint32_t(half), text.data() + half, uint32_t(text.size() - half),
                         uint16_t(data[0] * 257u))) {
        int lineEnds = 0;
        for (uint16_t i = 0; i < request.length; ++i) lineEnds += request.data[i] == '\n';
        if (lineEnds != 5) __builtin_trap();
    }
    TextBuffer host;
    uint16_t port = 0;
    if (SplitHttpUrlHost(text.data(), uint32_t(text.size()), host, &port) && (host.length == 0 || port == 0))
        __builtin_trap();
    return 0;
}
