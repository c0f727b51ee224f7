// Test builds: freed memory is overwritten with a pattern and held back for
// a while before it is reused, so that a late use of a deleted object
// crashes at once instead of reading what is still there.
#ifdef ORB_POISON_FREED

#include <windows.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr unsigned char kFreedByte = 0xDD;
// Blocks up to this size wait in a ring before they go back to the heap.
constexpr size_t kLargestHeld = 64 * 1024;
constexpr LONG kHeldBlocks = 1024;
void* volatile Held[kHeldBlocks];
volatile LONG HeldCount = 0;

void* Allocate(size_t size) { return std::malloc(size ? size : 1); }

void Release(void* block) {
    if (!block) return;
    size_t size = _msize(block);
    if (size != static_cast<size_t>(-1)) std::memset(block, kFreedByte, size);
    if (size > kLargestHeld) {
        std::free(block);
        return;
    }
    LONG slot = static_cast<LONG>(static_cast<unsigned long>(InterlockedIncrement(&HeldCount)) % kHeldBlocks);
    void* older = InterlockedExchangePointer(const_cast<void**>(&Held[slot]), block);
    std::free(older);
}

void* AllocateOrDie(size_t size) {
    void* block = Allocate(size);
    if (!block) std::abort();
    return block;
}

}  // namespace

void* operator new(size_t size) { return AllocateOrDie(size); }
void* operator new[](size_t size) { return AllocateOrDie(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, size_t) noexcept { Release(block); }
void operator delete[](void* block, size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }

#endif
