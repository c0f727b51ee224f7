// The listing collector fed in several reads; the first byte chooses where
// the reads end. The listing must not depend on the cuts, and every kept line
// must start with '-', 'd', 'l' or a digit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/listing_collector.h"

namespace {

std::string Collect(const std::vector<std::string>& reads, uint16_t* truncated) {
    ListingCollector collector;
    for (const std::string& r : reads) collector.Feed(r.data(), uint32_t(r.size()));
    collector.Finish();
    *truncated = collector.Truncated();
    return std::string(collector.Listing().Text(), collector.Listing().length);
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
    unsigned cuts = data[0] & 7;
    size_t pos = 1;
    std::vector<size_t> lengths;
    for (unsigned i = 0; i < cuts && pos < size; ++i) lengths.push_back(data[pos++]);
    std::string text(reinterpret_cast<const char*>(data + pos), size - pos);

    std::vector<std::string> reads;
    size_t at = 0;
    for (size_t n : lengths) {
        if (n > text.size() - at) n = text.size() - at;
        reads.push_back(text.substr(at, n));
        at += n;
    }
    reads.push_back(text.substr(at));

    uint16_t splitTruncated = 0, wholeTruncated = 0;
    std::string split = Collect(reads, &splitTruncated);
    std::string whole = Collect({text}, &wholeTruncated);
    if (split != whole || splitTruncated != wholeTruncated) __builtin_trap();
    if (!KeptLinesOnly(split)) __builtin_trap();
    return 0;
}
