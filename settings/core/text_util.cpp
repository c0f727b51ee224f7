#include "settings/core/text_util.h"

uint16_t AssignCut(TextBuffer& buffer, const char* text, size_t limit) {
    buffer.Clear();
    if (!text) return 1;
    size_t n = 0;
    while (n < limit && text[n]) ++n;
    return n ? buffer.Append(text, static_cast<uint32_t>(n)) : 1;
}

namespace {
unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }
}  // namespace

bool EqualNoCase(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b ? b : "");
    for (; *x && *y; ++x, ++y)
        if (Lower(*x) != Lower(*y)) return false;
    return *x == *y;
}
