#include "frame/core/byte_buffer.h"

#include <cstring>
#include <new>

namespace {

constexpr uint32_t kFirstCapacity = 256;

}  // namespace

ByteBuffer::ByteBuffer(uint32_t limit) : data_(nullptr), length_(0), capacity_(0), limit_(limit) {}

ByteBuffer::~ByteBuffer() { delete[] data_; }

void ByteBuffer::Clear() {
    length_ = 0;
    if (data_) data_[0] = '\0';
}

void ByteBuffer::Release() {
    delete[] data_;
    data_ = nullptr;
    length_ = 0;
    capacity_ = 0;
}

// Room for `needed` bytes, terminator included.
uint16_t ByteBuffer::Reserve(uint64_t needed) {
    if (needed <= capacity_) return 1;
    if (needed > limit_) return 0;
    uint64_t grown = capacity_ ? uint64_t(capacity_) * 2 : kFirstCapacity;
    if (grown < needed) grown = needed;
    if (grown > limit_) grown = limit_;
    char* bigger = new (std::nothrow) char[size_t(grown)];
    if (!bigger) return 0;
    if (data_) std::memcpy(bigger, data_, size_t(length_) + 1);
    else bigger[0] = '\0';
    delete[] data_;
    data_ = bigger;
    capacity_ = uint32_t(grown);
    return 1;
}

uint16_t ByteBuffer::Append(const char* bytes, uint32_t count) {
    if (count == 0) return 1;
    if (!bytes || !Reserve(uint64_t(length_) + count + 1)) return 0;
    std::memcpy(data_ + length_, bytes, count);
    length_ += count;
    data_[length_] = '\0';
    return 1;
}
