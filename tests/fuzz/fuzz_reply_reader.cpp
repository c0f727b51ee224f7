// Reply reading fed in several reads; the first byte chooses where the reads
// end. When no line is longer than the kept-line bound, the first reply and
// the lines logged up to it must not depend on the cuts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/core/reply_reader.h"
#include "fuzz_reads.h"

namespace {

struct Log : ReplyLogSink {
    std::vector<std::string> lines;
    void OnReplyLogLine(const char* line, uint32_t length) override { lines.emplace_back(line, length); }
};

struct Outcome {
    std::string reply;
    std::vector<std::string> log;
};

Outcome Read(const std::vector<std::string>& reads) {
    ReplyReader reader;
    Log log;
    Outcome out;
    for (const std::string& r : reads) {
        if (reader.Feed(r.data(), uint32_t(r.size()), &log)) {
            out.reply.assign(reader.Reply(), reader.ReplyLength());
            break;
        }
    }
    out.log = log.lines;
    return out;
}

bool LinesAreShort(const std::string& text) {
    size_t run = 0;
    for (char c : text) {
        run = (c == '\r' || c == '\n') ? 0 : run + 1;
        if (run > ReplyReader::kMaxCarry) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const FuzzReads input = SplitFuzzInput(data, size);
    const std::string& text = input.text;
    const std::vector<std::string>& reads = input.reads;

    Outcome split = Read(reads);
    if (split.reply.size() > ReplyReader::kMaxLine) __builtin_trap();
    if (!split.reply.empty() && !IsReplyLine(split.reply.data(), uint32_t(split.reply.size()))) __builtin_trap();
    if (LinesAreShort(text)) {
        Outcome whole = Read({text});
        if (whole.reply != split.reply || whole.log != split.log) __builtin_trap();
    }
    IsHeldReplyNegative(text.data(), uint32_t(text.size()));
    if (FirstLineLength(text.data(), uint32_t(text.size())) > text.size()) __builtin_trap();
    return 0;
}
