#ifndef ORBNET_FRAME_BYTE_BUFFER_H
#define ORBNET_FRAME_BYTE_BUFFER_H

#include <cstdint>

// Growable bytes with a 32-bit length, for text that may outgrow a
// TextBuffer. The bytes with their terminator never take more than `limit`
// bytes, so Length() stays below limit. Capacity doubles as needed (new with
// std::nothrow); a failed Append leaves the bytes unchanged. Text() is always
// terminated and never null ("" before the first allocation).
class ByteBuffer {
public:
    explicit ByteBuffer(uint32_t limit);
    virtual ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // 1 when all count bytes were added; 0 (nothing added) when they would
    // pass the limit or memory ran out. A null bytes with count 0 succeeds.
    uint16_t Append(const char* bytes, uint32_t count);
    uint16_t AppendByte(char c) { return Append(&c, 1); }
    // Empties the bytes; the memory is kept for reuse.
    void Clear();
    // Empties the bytes and frees the memory.
    void Release();

    const char* Text() const { return data_ ? data_ : ""; }
    uint32_t Length() const { return length_; }
    uint32_t Limit() const { return limit_; }

private:
    uint16_t Reserve(uint64_t needed);

    char* data_;
    uint32_t length_;
    uint32_t capacity_;
    uint32_t limit_;
};

#endif
