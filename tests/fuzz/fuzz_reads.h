#ifndef ORBNET_TESTS_FUZZ_READS_H
#define ORBNET_TESTS_FUZZ_READS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A fuzz input taken as the bytes of a stream and the reads it arrives in:
// the low 3 bits of the first byte give how many cuts, the next bytes each a
// read length (byte * scale + offset), the rest is the text. The last read
// holds what is left.
struct FuzzReads {
    std::string text;
    std::vector<std::string> reads;
};

inline FuzzReads SplitFuzzInput(const uint8_t* data, size_t size, size_t scale = 1, size_t offset = 0) {
    FuzzReads out;
    if (size < 1) return out;
    unsigned cuts = data[0] & 7;
    size_t pos = 1;
    std::vector<size_t> lengths;
    for (unsigned i = 0; i < cuts && pos < size; ++i) lengths.push_back(data[pos++] * scale + offset);
    out.text.assign(reinterpret_cast<const char*>(data + pos), size - pos);
    size_t at = 0;
    for (size_t n : lengths) {
        if (n > out.text.size() - at) n = out.text.size() - at;
        out.reads.push_back(out.text.substr(at, n));
        at += n;
    }
    out.reads.push_back(out.text.substr(at));
    return out;
}

#endif
