// The listing collector fed in several reads; the first byte chooses where
// the reads end. The listing must not depend on the cuts, and every kept line
// must start with '-', 'd', 'l' or a digit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/core/listing_collector.h"
#include "fuzz_reads.h"

namespace {

std::string Collect(const std::vector<std::string>& reads, uint16_t* truncated) {
    ListingCollector collector;
    for (const std::string& r : reads) collector.Feed(r.data(), uint32_t(r.size()));
    collector.Finish();
    *truncated = collector.Truncated();
    if (!collector.Text() || collector.Text()[collector.Length()] != '\0') __builtin_trap();
    return std::string(collector.Text(), collector.Length());
}

bool KeptLinesOnly(const std::string& listing) {
    bool lineStart = true;
    for (char c : listing) {
        if (c == '\0' || c == '\n') return false;
        if (lineStart && !(c == '-' || c == 'd' || c == 'l' || (c >= '0' && c <= '9'))) return false;
        lineStart = c == '\r';
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const FuzzReads input = SplitFuzzInput(data, size);
    const std::string& text = input.text;
    const std::vector<std::string>& reads = input.reads;

    uint16_t splitTruncated = 0, wholeTruncated = 0;
    std::string split = Collect(reads, &splitTruncated);
    std::string whole = Collect({text}, &wholeTruncated);
    if (split != whole || splitTruncated != wholeTruncated) __builtin_trap();
    if (!KeptLinesOnly(split)) __builtin_trap();
    return 0;
}
