#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "transfer/core/progress_text.h"

namespace {

// The English module's texts.
ProgressWords English(bool sending = false) {
    ProgressWords w{};
    w.units[0] = "%s bytes";
    w.units[1] = "%s KB";
    w.units[2] = "%s MB";
    w.units[3] = "%s GB";
    w.units[4] = "%s TB";
    w.decimalPoint = ".";
    w.countOf = "%s of %s";
    w.countAlone = sending ? "%s sent" : "%s received";
    w.exactCount = sending ? "%lu bytes sent" : "%lu bytes received";
    w.percent = "%s%%";
    w.rate = "%s/s";
    w.rateAndLeft = "%s/s, %s left";
    w.seconds = "%s s";
    w.minutesSeconds = "%s min %s s";
    w.minutes = "%s min";
    w.hoursMinutes = "%s h %s min";
    return w;
}

std::string Size(uint64_t bytes, const ProgressWords& w = English()) {
    char out[64];
    ReadableSize(bytes, w, out, sizeof out);
    return out;
}

std::string Duration(uint32_t seconds) {
    char out[64];
    ReadableDuration(seconds, English(), out, sizeof out);
    return out;
}

constexpr uint64_t KB = 1024, MB = KB * 1024, GB = MB * 1024, TB = GB * 1024;

TEST(FillFormat, ConversionsTakeTheTextsInOrder) {
    const char* two[] = {"1.2 MB", "3.0 MB"};
    const struct {
        const char* format;
        uint32_t count;
        const char* expected;
    } cases[] = {
        {"%s of %s", 2, "1.2 MB of 3.0 MB"},
        // a module's numeric conversions take the text as it is
        {"%lu bytes received", 1, "1.2 MB bytes received"},
        {"%llu|%I64u|%u|%d|%i|%5lu|%hu", 2, "1.2 MB|3.0 MB|||||"},
        {"100%%", 0, "100%"},
        {"%s%%", 1, "1.2 MB%"},
        // no texts for them: left out, never read
        {"%s and %s and %s", 2, "1.2 MB and 3.0 MB and "},
        {"%s", 0, ""},
        // anything else of printf stays as it is
        {"%n%x%p%", 2, "%n%x%p%"},
        {"50% done", 2, "50% done"},
        {"%l", 2, "%l"},
        {"%I6", 2, "%I6"},
        {"%123456s", 2, "%123456s"},
        {"", 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        char out[128];
        uint32_t n = FillFormat(c.format, two, c.count, out, sizeof out);
        EXPECT_STREQ(out, c.expected);
        EXPECT_EQ(n, std::strlen(c.expected));
    }
}

TEST(FillFormat, CutToTheBufferAndAlwaysTerminated) {
    const char* texts[] = {"abcdefghij"};
    for (uint32_t size = 1; size <= 16; ++size) {
        SCOPED_TRACE(size);
        std::string out(size + 4, 'Z');
        uint32_t n = FillFormat("<%s>", texts, 1, &out[0], size);
        EXPECT_EQ(n, std::min<uint32_t>(size - 1, 12));
        EXPECT_EQ(out[n], '\0');
        EXPECT_EQ(std::string(out.c_str()), std::string("<abcdefghij>").substr(0, n));
        EXPECT_EQ(out.substr(size), "ZZZZ") << "written past the buffer";
    }
    char one = 'Z';
    EXPECT_EQ(FillFormat("%s", texts, 1, &one, 0), 0u);
    EXPECT_EQ(one, 'Z');
    char out[8];
    EXPECT_EQ(FillFormat(nullptr, texts, 1, out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
}

TEST(DecimalText, SixtyFourBits) {
    char out[24];
    for (uint64_t v : {0ull, 7ull, 4294967295ull, 4294967296ull, 4831838208ull, 18446744073709551615ull}) {
        DecimalText(v, out);
        EXPECT_EQ(std::string(out), std::to_string(v));
    }
}

TEST(ReadableSize, UnitsAndRounding) {
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {1023, "1023 bytes"},
        {1024, "1.0 KB"},
        {1075, "1.0 KB"},
        {1127, "1.1 KB"},   // 1.1006
        {10 * KB + 972, "10.9 KB"},
        {99 * KB + 972, "99.9 KB"},
        {99 * KB + 1000, "100 KB"},  // 99.98: no decimal from 100
        {512 * KB, "512 KB"},
        {999 * KB + 511, "999 KB"},
        {999 * KB + 512, "1.0 MB"},  // not 1000 KB
        {MB, "1.0 MB"},
        {3 * MB / 2 + 1, "1.5 MB"},
        {3145728, "3.0 MB"},
        {3145727, "3.0 MB"},
        {2 * GB - 1, "2.0 GB"},
        {4 * GB, "4.0 GB"},
        {4831838208ull, "4.5 GB"},
        {5 * GB, "5.0 GB"},
        {1023 * GB, "1.0 TB"},
        {5 * TB + TB / 2, "5.5 TB"},
        {1024 * TB, "1024 TB"},
        {18446744073709551615ull, "16777216 TB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Size(c.bytes), c.text);
    }
}

TEST(ReadableSize, ModuleTexts) {
    ProgressWords french = English();
    french.decimalPoint = ",";
    french.units[2] = "%s Mo";
    EXPECT_EQ(Size(3 * MB / 2 + 1, french), "1,5 Mo");
    // A unit without its text: the exact count.
    ProgressWords old{};
    EXPECT_EQ(Size(4831838208ull, old), "4831838208");
    EXPECT_EQ(Size(12, old), "12");
    char small[4];
    ReadableSize(3 * MB, English(), small, sizeof small);
    EXPECT_STREQ(small, "3.0");
}

TEST(ReadableDuration, Table) {
    const struct {
        uint32_t seconds;
        const char* text;
    } cases[] = {
        {0, "0 s"},         {59, "59 s"},        {60, "1 min 0 s"},  {125, "2 min 5 s"},
        {599, "9 min 59 s"}, {600, "10 min"},    {629, "10 min"},    {630, "11 min"},
        {3569, "59 min"},   {3570, "1 h 0 min"}, {3600, "1 h 0 min"}, {3930, "1 h 6 min"},
        {90000, "25 h 0 min"}, {4294967295u, "1193046 h 28 min"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(Duration(c.seconds), c.text);
    }
}

TEST(ShareOf, RoundsDownAndReachesTheScaleOnlyAtTheEnd) {
    const struct {
        uint64_t done, total;
        uint32_t scale, share;
    } cases[] = {
        {0, 100, 100, 0},
        {99, 100, 100, 99},
        {999, 1000, 100, 99},
        {100, 100, 100, 100},
        {0, 0, 100, 100},
        {150, 100, 1000, 1000},
        {4831838207ull, 4831838208ull, 100, 99},
        {2415919104ull, 4831838208ull, 1000, 500},
        // above 2^64 / scale
        {18446744073709551614ull, 18446744073709551615ull, 1000, 999},
        {9223372036854775807ull, 18446744073709551615ull, 100, 49},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.done) + "/" + std::to_string(c.total));
        EXPECT_EQ(ShareOf(c.done, c.total, c.scale), c.share);
    }
}

TEST(TransferMeter, RateAfterTheFirstSecondOverTheLastFive) {
    TransferMeter meter;
    uint64_t rate = 0;
    EXPECT_FALSE(meter.Rate(0, &rate));
    meter.Begin(1000);
    // 1 MB/s for 3 s, noted every 10 ms (more often than kept)
    for (uint32_t t = 10; t <= 3000; t += 10) {
        meter.Note(1000 + t, uint64_t(t) * 1048576 / 1000);
        if (t < TransferMeter::kFirstRate) EXPECT_FALSE(meter.Rate(1000 + t, &rate)) << t;
    }
    ASSERT_TRUE(meter.Rate(4000, &rate));
    EXPECT_EQ(rate, 1048576u);
    uint32_t left = 0;
    ASSERT_TRUE(meter.SecondsLeft(4000, 10 * MB, &left));
    EXPECT_EQ(left, 7u);
    ASSERT_TRUE(meter.SecondsLeft(4000, 3 * MB + 1, &left));
    EXPECT_EQ(left, 1u) << "rounded up";
    EXPECT_FALSE(meter.SecondsLeft(4000, 3 * MB, &left)) << "nothing left";
    EXPECT_FALSE(meter.SecondsLeft(4000, kNoTotal, &left));

    // Then 4 MB/s for 10 s: after five seconds only the new rate counts.
    uint64_t bytes = 3 * MB;
    for (uint32_t t = 3100; t <= 13000; t += 100) {
        bytes += 400000;
        meter.Note(1000 + t, bytes);
    }
    ASSERT_TRUE(meter.Rate(14000, &rate));
    EXPECT_EQ(rate, 4000000u);
    // A stall: the rate falls as the clock runs, though nothing is noted.
    ASSERT_TRUE(meter.Rate(16500, &rate));
    EXPECT_LT(rate, 2 * MB);
    ASSERT_TRUE(meter.Rate(30000, &rate));
    EXPECT_EQ(rate, 0u);
    EXPECT_FALSE(meter.SecondsLeft(30000, 100 * MB, &left)) << "no time left at no speed";
}

TEST(TransferMeter, ClockThatWrapsAndNoteWithoutBegin) {
    TransferMeter meter;
    const uint32_t start = 0xFFFFFF00u;
    meter.Note(start, 0);  // begins
    for (uint32_t t = 100; t <= 2000; t += 100) meter.Note(start + t, uint64_t(t) * 1000);
    uint64_t rate = 0;
    ASSERT_TRUE(meter.Rate(start + 2000, &rate));
    EXPECT_EQ(rate, 1000000u);
    // Huge counts do not overflow.
    TransferMeter big;
    big.Begin(0);
    big.Note(2000, 18446744073709551615ull);
    ASSERT_TRUE(big.Rate(2000, &rate));
    EXPECT_EQ(rate, 18446744073709551615ull / 2000 * 1000);
}

ProgressLines Compose(uint64_t done, uint64_t total, bool hasRate = false, uint64_t rate = 0, bool hasLeft = false,
                      uint32_t left = 0, const ProgressWords& w = English()) {
    ProgressFacts f{done, total, hasRate, rate, hasLeft, left};
    ProgressLines lines;
    std::memset(&lines, 'Z', sizeof lines);
    ComposeProgress(f, w, &lines);
    return lines;
}

TEST(ComposeProgress, WithAndWithoutATotal) {
    const struct {
        uint64_t done, total;
        bool hasRate;
        uint64_t rate;
        bool hasLeft;
        uint32_t left;
        const char *count, *percent, *rateLine;
        bool bar;
        uint32_t permille;
    } cases[] = {
        // a total, before and after the rate is measured
        {0, 3145728, false, 0, false, 0, "0 bytes of 3.0 MB", "0%", "", true, 0},
        {1258292, 3145728, true, 870400, true, 3, "1.2 MB of 3.0 MB", "40%", "850 KB/s, 3 s left", true, 400},
        {3145728, 3145728, true, 870400, false, 0, "3.0 MB of 3.0 MB", "100%", "850 KB/s", true, 1000},
        // past 4 GB
        {4831838208ull, 4831838208ull, false, 0, false, 0, "4.5 GB of 4.5 GB", "100%", "", true, 1000},
        {4294967297ull, 4831838208ull, true, 300 * MB, true, 2, "4.0 GB of 4.5 GB", "88%", "300 MB/s, 2 s left", true,
         888},
        // no total: the count readable, the rate, no bar
        {2097152, kNoTotal, false, 0, false, 0, "2.0 MB received", "", "", false, 0},
        {2097152, kNoTotal, true, 512, true, 9, "2.0 MB received", "", "512 bytes/s", false, 0},
        // more than announced: the total is not believed
        {10 * MB, 5, true, MB, true, 1, "10.0 MB received", "", "1.0 MB/s", false, 0},
        // an empty file
        {0, 0, false, 0, false, 0, "0 bytes of 0 bytes", "100%", "", true, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.done) + " of " + std::to_string(c.total));
        ProgressLines lines = Compose(c.done, c.total, c.hasRate, c.rate, c.hasLeft, c.left);
        EXPECT_STREQ(lines.count, c.count);
        EXPECT_STREQ(lines.percent, c.percent);
        EXPECT_STREQ(lines.rate, c.rateLine);
        EXPECT_EQ(lines.bar, c.bar);
        EXPECT_EQ(lines.permille, c.permille);
    }
    EXPECT_STREQ(Compose(MB, kNoTotal, false, 0, false, 0, English(true)).count, "1.0 MB sent");
}

// A language module from before the readable texts has only the exact
// count: it is shown, in 64 bits.
TEST(ComposeProgress, ModuleWithTheExactCountOnly) {
    ProgressWords old{};
    old.exactCount = "%lu bytes received";
    ProgressLines lines = Compose(4831838208ull, kNoTotal, true, MB, false, 0, old);
    EXPECT_STREQ(lines.count, "4831838208 bytes received");
    EXPECT_STREQ(lines.rate, "");
    lines = Compose(5, 10, false, 0, false, 0, old);
    EXPECT_STREQ(lines.count, "5 bytes received");
    EXPECT_STREQ(lines.percent, "50%");
    EXPECT_TRUE(lines.bar);
}

}  // namespace
