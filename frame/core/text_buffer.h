#ifndef ORBNET_FRAME_TEXT_BUFFER_H
#define ORBNET_FRAME_TEXT_BUFFER_H

#include <cstdint>

// Growable text with a 16-bit capacity and length. `data` is owned and always
// terminated (it may be null only when even the first allocation failed; use
// Text() where that matters).
class TextBuffer {
public:
    static constexpr uint32_t kMaxCapacity = 65535;

    explicit TextBuffer(uint16_t initialCapacity = 64);
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Appends count bytes of text (0: up to its terminator). 1 on success; on
    // failure 0 and the text is unchanged. A null text succeeds and does nothing.
    uint16_t Append(const char* text, uint32_t count = 0);
    // Empties the buffer, then appends.
    uint16_t Assign(const char* text, uint32_t count = 0);
    void Clear();

    const char* Text() const { return data ? data : ""; }
    bool Empty() const { return length == 0; }

    uint16_t capacity;
    uint16_t length;
    char* data;
};

#endif
