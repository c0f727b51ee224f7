// Test builds: a late use of a deleted object must crash the test at once
// instead of reading what is still there. Blocks up to kLargestGuarded bytes
// get pages of their own from a reserved region; when freed, those pages are
// given back (any touch then faults) and never handed out again. Larger
// blocks, and every block once the region is used up, are overwritten with
// a pattern when freed.
#ifdef ORB_POISON_FREED

#include <windows.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>

// Tests look for this text in the library they load: it must be this build.
extern "C" __attribute__((used)) const char OrbFreedMemoryMarker[] = "OrbNet test build: freed memory faults";

namespace {

constexpr unsigned char kFreedByte = 0xDD;
constexpr size_t kLargestGuarded = 64 * 1024;
constexpr size_t kRegionSize = 256u * 1024 * 1024;
constexpr size_t kPage = 4096;
// Before each guarded block: the bytes its pages span.
constexpr size_t kHeader = 16;

char* volatile Region = nullptr;
volatile LONG RegionUsed = 0;  // bytes of the region handed out
volatile LONG RegionTried = 0;

char* TheRegion() {
    if (!Region && InterlockedExchange(&RegionTried, 1) == 0)
        Region = static_cast<char*>(VirtualAlloc(nullptr, kRegionSize, MEM_RESERVE, PAGE_NOACCESS));
    return Region;
}

bool Guarded(const void* block) {
    const char* p = static_cast<const char*>(block);
    return Region && p >= Region && p < Region + kRegionSize;
}

void* Allocate(size_t size) {
    if (size == 0) size = 1;
    if (size <= kLargestGuarded) {
        if (char* region = TheRegion()) {
            size_t span = (size + kHeader + kPage - 1) / kPage * kPage;
            size_t offset = static_cast<size_t>(InterlockedExchangeAdd(&RegionUsed, static_cast<LONG>(span)));
            if (offset + span <= kRegionSize) {
                char* pages = static_cast<char*>(VirtualAlloc(region + offset, span, MEM_COMMIT, PAGE_READWRITE));
                if (pages) {
                    std::memcpy(pages, &span, sizeof span);
                    return pages + kHeader;
                }
            }
        }
    }
    return std::malloc(size);
}

void Release(void* block) {
    if (!block) return;
    if (Guarded(block)) {
        char* pages = static_cast<char*>(block) - kHeader;
        size_t span;
        std::memcpy(&span, pages, sizeof span);
        VirtualFree(pages, span, MEM_DECOMMIT);
        return;
    }
    size_t size = _msize(block);
    if (size != static_cast<size_t>(-1)) std::memset(block, kFreedByte, size);
    std::free(block);
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
