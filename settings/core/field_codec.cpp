#include "settings/core/field_codec.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kHexDigits[] = "0123456789abcdef";

uint8_t RotateRight(uint8_t b, unsigned n) {
    n &= 7;
    if (n == 0) return b;
    return static_cast<uint8_t>((b >> n) | (b << (8 - n)));
}

uint8_t RotateLeft(uint8_t b, unsigned n) {
    n &= 7;
    if (n == 0) return b;
    return static_cast<uint8_t>((b << n) | (b >> (8 - n)));
}

// Two hex digits for the character at 1-based position p.
void EncodeOne(unsigned char c, uint16_t p, char out[2]) {
    uint8_t b = RotateRight(static_cast<uint8_t>(c - 7), p % 8);
    out[0] = kHexDigits[b >> 4];
    out[1] = kHexDigits[b & 15];
}

}  // namespace

uint16_t EncodeField(const char* text, char* dest, size_t destSize) {
    if (!dest || destSize == 0) return 0;
    dest[0] = '\0';
    if (!text) return 1;
    size_t out = 0;
    uint16_t p = 0;
    for (const unsigned char* s = reinterpret_cast<const unsigned char*>(text); *s; ++s) {
        if (out + 3 > destSize) {
            dest[out] = '\0';
            return 0;
        }
        ++p;
        EncodeOne(*s, p, dest + out);
        out += 2;
    }
    dest[out] = '\0';
    return 1;
}

uint16_t AppendEncodedField(TextBuffer& out, const char* text) {
    if (!text) return 1;
    uint16_t oldLength = out.length;
    char chunk[128];
    size_t used = 0;
    uint16_t p = 0;
    for (const unsigned char* s = reinterpret_cast<const unsigned char*>(text); *s; ++s) {
        ++p;
        EncodeOne(*s, p, chunk + used);
        used += 2;
        if (used == sizeof chunk) {
            if (!out.Append(chunk, static_cast<uint32_t>(used))) goto failed;
            used = 0;
        }
    }
    if (used && !out.Append(chunk, static_cast<uint32_t>(used))) goto failed;
    return 1;
failed:
    out.length = oldLength;
    if (out.data) out.data[oldLength] = '\0';
    return 0;
}

uint16_t DecodeField(const char* hex, char* dest, size_t destSize) {
    if (!dest || destSize == 0) return 0;
    dest[0] = '\0';
    if (!hex) return 0;
    size_t out = 0;
    uint16_t p = 0;
    const char* s = hex;
    while (*s && out + 1 < destSize) {
        char pair[3] = {s[0], s[1], '\0'};
        s += pair[1] ? 2 : 1;
        ++p;
        long value = std::strtol(pair, nullptr, 16);
        uint8_t b = RotateLeft(static_cast<uint8_t>(value & 0xFF), p % 8);
        dest[out++] = static_cast<char>(static_cast<uint8_t>(b + 7));
    }
    dest[out] = '\0';
    return static_cast<uint16_t>(std::strlen(dest));
}

char* SplitField(char* position) {
    if (!position) return nullptr;
    char* s = position;
    while (*s && *s != ',') ++s;
    if (*s == ',') {
        *s = '\0';
        return s + 1;
    }
    return s;
}
