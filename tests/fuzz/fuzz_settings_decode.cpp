// DecodeField on arbitrary text, into destinations of every small size, and
// the encode/decode round trip of its output.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/core/field_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string hex(reinterpret_cast<const char*>(data), size);
    size_t cap = (size + 2) / 2 + 1;
    char* dest = static_cast<char*>(std::malloc(cap));
    for (size_t destSize : {size_t(1), size_t(2), size_t(5), cap}) {
        uint16_t n = DecodeField(hex.c_str(), dest, destSize);
        if (n >= destSize || std::strlen(dest) != n) std::abort();
    }
    size_t n = std::strlen(dest);
    char* encoded = static_cast<char*>(std::malloc(2 * n + 1));
    if (!EncodeField(dest, encoded, 2 * n + 1)) std::abort();
    char* back = static_cast<char*>(std::malloc(n + 1));
    DecodeField(encoded, back, n + 1);
    if (std::strcmp(back, dest) != 0) std::abort();
    std::free(back);
    std::free(encoded);
    std::free(dest);
    return 0;
}
