#include "frame/core/text_buffer.h"

#include <cstdlib>
#include <cstring>

TextBuffer::TextBuffer(uint16_t initialCapacity) : capacity(0), length(0), data(nullptr) {
    if (initialCapacity == 0) initialCapacity = 1;
    data = static_cast<char*>(std::malloc(initialCapacity));
    if (data) {
        capacity = initialCapacity;
        data[0] = '\0';
    }
}

TextBuffer::~TextBuffer() { std::free(data); }

void TextBuffer::Clear() {
    length = 0;
    if (data) data[0] = '\0';
}

uint16_t TextBuffer::Assign(const char* text, uint32_t count) {
    Clear();
    return Append(text, count);
}

uint16_t TextBuffer::Append(const char* text, uint32_t count) {
    if (!text) return 1;
    if (count == 0) {
        size_t n = std::strlen(text);
        if (n >= kMaxCapacity) return 0;  // never append a cut-off prefix
        count = static_cast<uint32_t>(n);
    }
    uint32_t needed = uint32_t(length) + count + 1;
    if (needed > kMaxCapacity) return 0;
    if (needed >= capacity) {
        if (capacity == kMaxCapacity) return 0;
        uint32_t grow = capacity / 2;
        if (grow > 1024) grow = 1024;
        uint32_t proposed = uint32_t(capacity) + grow;
        uint32_t newCapacity = needed < proposed ? (proposed > kMaxCapacity ? kMaxCapacity : proposed) : needed;
        char* grown = static_cast<char*>(std::malloc(newCapacity));
        if (!grown) return 0;
        if (data) std::memcpy(grown, data, size_t(length) + 1);
        else grown[0] = '\0';
        std::free(data);
        data = grown;
        capacity = static_cast<uint16_t>(newCapacity);
    }
    std::memcpy(data + length, text, count);
    length = static_cast<uint16_t>(length + count);
    data[length] = '\0';
    return 1;
}
