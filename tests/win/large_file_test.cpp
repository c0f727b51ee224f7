// A file over 4 GB moves whole: a sparse local file of 4.5 GB (its first and
// last megabytes written, zeros between) is stored to pyftpdlib on
// 127.0.0.12 (root ./large_ftp/ftproot, zeros kept as holes) and retrieved
// again, both passive; sizes and the bytes of the first and last megabytes
// are compared, and the progress window counts past 4 GB to the exact
// total.
#include <regex>

#include "progress_watch.h"
#include "url_transfer_suite.h"

namespace {

constexpr uint64_t kMB = 1048576;
constexpr uint64_t kSize = 4608 * kMB;  // 4.5 GB
const char kServerFile[] = "large_ftp\\ftproot\\big.bin";
const char kBack[] = "large_back.bin";

std::string Megabyte(unsigned seed) {
    std::string bytes(kMB, '\0');
    uint32_t x = seed;
    for (size_t i = 0; i < bytes.size(); ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char((x >> 16) | 1);  // never a zero block
    }
    return bytes;
}

uint64_t SizeOf(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return ~0ull;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WriteAt(HANDLE file, uint64_t at, const std::string& bytes) {
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(at);
    DWORD written = 0;
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
}

std::string ReadAt(const char* path, uint64_t at, size_t count) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    std::string bytes(count, '\0');
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(at);
    DWORD got = 0;
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN) || !ReadFile(file, &bytes[0], DWORD(count), &got, nullptr))
        got = 0;
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

// FNV-1a of a block, for the messages.
uint64_t Checksum(const std::string& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

// Any count the window showed past 4 GB.
bool CountedPastFourGigabytes(const ProgressWatch& watch) {
    std::regex done(R"(([0-9.]+) GB of 4\.5 GB)");
    std::smatch m;
    for (const std::vector<ProgressSample>* list : {&watch.samples, &watch.finals})
        for (const ProgressSample& s : *list)
            if (std::regex_match(s.count, m, done) && std::stod(m[1]) > 4.0) return true;
    return false;
}

class LargeFile : public UrlTransfer {
protected:
    void SetUp() override {
        UrlTransfer::SetUp();
        kLocal = "large_local.bin";
        Clean();
    }
    void TearDown() override {
        Clean();
        UrlTransfer::TearDown();
    }
    void Clean() {
        std::remove(kLocal);
        std::remove(kBack);
        std::remove(kServerFile);
    }
};

TEST_F(LargeFile, StoredAndRetrievedWholePastFourGigabytes) {
    // The retrieved copy takes the whole size on disk; the local file and
    // the server's copy are sparse where the file system allows it (room
    // for two whole copies is asked for all the same).
    ULARGE_INTEGER freeBytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA(".", &freeBytes, nullptr, nullptr));
    const uint64_t needed = 2 * kSize + 1024 * kMB;
    if (freeBytes.QuadPart < needed)
        GTEST_SKIP() << "needs " << needed / kMB << " MB free, has " << freeBytes.QuadPart / kMB;

    const std::string head = Megabyte(1), tail = Megabyte(2);
    HANDLE file = CreateFileA(kLocal, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    bool written = WriteAt(file, 0, head) && WriteAt(file, kSize - kMB, tail);
    CloseHandle(file);
    ASSERT_TRUE(written);
    ASSERT_EQ(SizeOf(kLocal), kSize);

    // The copy at `copy` is the local file, and the window counted past 4 GB
    // to the whole.
    auto expectWhole = [&](const char* copy, const ProgressWatch& watch) {
        EXPECT_EQ(SizeOf(copy), kSize);
        std::string first = ReadAt(copy, 0, kMB), last = ReadAt(copy, kSize - kMB, kMB);
        EXPECT_EQ(Checksum(first), Checksum(head));
        EXPECT_EQ(Checksum(last), Checksum(tail));
        EXPECT_TRUE(first == head && last == tail);
        EXPECT_TRUE(CountedPastFourGigabytes(watch));
        ASSERT_EQ(watch.finals.size(), 1u);
        EXPECT_EQ(watch.finals[0].count, "4.5 GB of 4.5 GB");
        EXPECT_EQ(watch.finals[0].percent, "100%");
        EXPECT_EQ(watch.finals[0].position, 1000);
    };
    {
        SCOPED_TRACE("store");
        ProgressWatch watch;
        DWORD start = GetTickCount();
        Outcome out = Store("ftp://127.0.0.12/big.bin", kLocal, nullptr, &alice);
        std::printf("stored 4.5 GB in %.1f s\n", (GetTickCount() - start) / 1000.0);
        ASSERT_EQ(out.code, 0);
        expectWhole(kServerFile, watch);
    }
    {
        SCOPED_TRACE("retrieve");
        ProgressWatch watch;
        DWORD start = GetTickCount();
        Outcome out = Retrieve("ftp://127.0.0.12/big.bin", kBack, nullptr, &alice);
        std::printf("retrieved 4.5 GB in %.1f s\n", (GetTickCount() - start) / 1000.0);
        ASSERT_EQ(out.code, 0);
        expectWhole(kBack, watch);
        // A block from the middle is the zeros it was.
        EXPECT_EQ(ReadAt(kBack, kSize / 2, 4096), std::string(4096, '\0'));
    }
}

}  // namespace
