// The progress window's texts from any format a language module might hold
// and any counts: output bounded and terminated, shares within their scale.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "transfer/core/progress_text.h"

namespace {
uint64_t Take64(const uint8_t*& data, size_t& size) {
    uint64_t v = 0;
    for (int i = 0; i < 8 && size > 0; ++i, ++data, --size) v = (v << 8) | *data;
    return v;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint64_t done = Take64(data, size);
    uint64_t total = Take64(data, size);
    uint32_t cut = size ? uint32_t(*data % 64) + 1 : 1;
    std::string format(reinterpret_cast<const char*>(data), size);
    format = format.substr(0, strnlen(format.c_str(), format.size()));

    // Every text slot holds the fuzzed format.
    ProgressWords words;
    const char* f = format.c_str();
    for (const char*& unit : words.units) unit = f;
    words.decimalPoint = f;
    words.countOf = words.countAlone = words.exactCount = words.percent = f;
    words.rate = words.rateAndLeft = words.seconds = words.minutesSeconds = words.minutes = words.hoursMinutes = f;

    const char* texts[2] = {"1.2 MB", "3.0 MB"};
    std::vector<char> out(cut + 8, 'Z');
    uint32_t n = FillFormat(f, texts, 2, out.data(), cut);
    if (n >= cut || out[n] != '\0' || std::strlen(out.data()) != n) __builtin_trap();
    for (uint32_t i = cut; i < out.size(); ++i)
        if (out[i] != 'Z') __builtin_trap();

    char text[64];
    ReadableSize(done, words, text, sizeof text);
    if (!std::memchr(text, 0, sizeof text)) __builtin_trap();
    ReadableDuration(uint32_t(done), words, text, sizeof text);
    if (!std::memchr(text, 0, sizeof text)) __builtin_trap();

    for (uint32_t scale : {100u, 1000u}) {
        uint32_t share = ShareOf(done, total, scale);
        if (share > scale || (done < total && share >= scale)) __builtin_trap();
        // Within one of the real share.
        if (total > 0 && done < total) {
            long double real = (long double)done * scale / (long double)total;
            if ((long double)share > real + 1e-6L || (long double)share + 1 < real - 1e-6L) __builtin_trap();
        }
    }

    ProgressFacts facts{done, total, (done & 1) != 0, total / 7, (done & 2) != 0, uint32_t(total)};
    ProgressLines lines;
    ComposeProgress(facts, words, &lines);
    if (!std::memchr(lines.count, 0, sizeof lines.count) || !std::memchr(lines.percent, 0, sizeof lines.percent) ||
        !std::memchr(lines.rate, 0, sizeof lines.rate) || lines.permille > 1000)
        __builtin_trap();

    // A meter fed the counts in any order keeps its rate defined.
    TransferMeter meter;
    meter.Begin(uint32_t(total));
    uint32_t now = uint32_t(total);
    for (size_t i = 0; i < size; ++i) {
        now += data[i] * 7u;
        meter.Note(now, done + data[i]);
        uint64_t rate;
        uint32_t left;
        meter.Rate(now, &rate);
        meter.SecondsLeft(now, total, &left);
    }
    return 0;
}
