#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/core/listing_collector.h"

namespace {

std::string Collect(const std::vector<std::string>& reads, uint16_t* truncated = nullptr,
                    uint32_t maxBytes = ListingCollector::kMaxListing, uint32_t maxLines = ListingCollector::kMaxLines,
                    uint16_t* reason = nullptr) {
    ListingCollector collector(maxBytes, maxLines);
    for (const std::string& r : reads) collector.Feed(r.data(), uint32_t(r.size()));
    collector.Finish();
    if (truncated) *truncated = collector.Truncated();
    if (reason) *reason = collector.Reason();
    return std::string(collector.Text(), collector.Length());
}

struct ListingCase {
    const char* name;
    std::string data;
    std::string listing;
};

const std::vector<ListingCase>& ListingCases() {
    static const std::vector<ListingCase> cases = {
        {"total line dropped",
         "total 12\r\n"
         "drwxr-xr-x   2 ftp ftp  4096 Mar  1 10:00 pub\r\n"
         "-rw-r--r--   1 ftp ftp   120 Mar  1 10:00 readme.txt\r\n"
         "lrwxrwxrwx   1 ftp ftp     3 Mar  1 10:00 up -> ..\r\n",
         "drwxr-xr-x   2 ftp ftp  4096 Mar  1 10:00 pub\r"
         "-rw-r--r--   1 ftp ftp   120 Mar  1 10:00 readme.txt\r"
         "lrwxrwxrwx   1 ftp ftp     3 Mar  1 10:00 up -> ..\r"},
        {"no final line end", "-rw-r--r-- 1 a b 1 Jan 1 2020 a\r\n-rw-r--r-- 1 a b 2 Jan 1 2020 b",
         "-rw-r--r-- 1 a b 1 Jan 1 2020 a\r-rw-r--r-- 1 a b 2 Jan 1 2020 b"},
        {"DOS lines start with a digit", "03-01-20  10:00AM       <DIR>          pub\r\n"
                                         "03-01-20  10:00AM                  120 readme.txt\r\n",
         "03-01-20  10:00AM       <DIR>          pub\r03-01-20  10:00AM                  120 readme.txt\r"},
        {"leading blanks and empty lines removed", "-a\r\n\r\n   \n  dir x\n\n\n   -b\n",
         "-a\rdir x\r-b\r"},
        {"LF alone and CR alone end lines", "-a\n-b\r-c\n\r-d", "-a\r-b\r-c\r-d"},
        {"dropped lines anywhere", "Listing of /pub:\r\n-a\r\n  total 3\r\nxyz\r\n-b\r\nend", "-a\r-b\r"},
        {"line starting with a blank at the very start is dropped", " -a\r\n-b\r\n", "-b\r"},
        {"only dropped lines", "total 0\r\n", ""},
        {"empty", "", ""},
        {"zero bytes are ignored", std::string("-a\0b\r\n\0-c\r\n", 11), "-ab\r-c\r"},
    };
    return cases;
}

}  // namespace

TEST(ListingCollector, TableWhole) {
    for (const ListingCase& c : ListingCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Collect({c.data}), c.listing);
    }
}

// Kept lines, dropped lines and blanks cut by the end of a read give the same
// listing, wherever the cut falls.
TEST(ListingCollector, TableSplitAtEveryOffset) {
    for (const ListingCase& c : ListingCases()) {
        for (size_t cut = 0; cut <= c.data.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(cut));
            EXPECT_EQ(Collect({c.data.substr(0, cut), c.data.substr(cut)}), c.listing);
        }
    }
}

TEST(ListingCollector, OneByteReads) {
    for (const ListingCase& c : ListingCases()) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> reads;
        for (char ch : c.data) reads.emplace_back(1, ch);
        EXPECT_EQ(Collect(reads), c.listing);
    }
}

TEST(ListingCollector, SkipStateCarriedAcrossReads) {
    ListingCollector collector;
    collector.Feed("total 4", 7);
    EXPECT_EQ(collector.skipState(), ListingCollector::kSkipDroppedLine);
    // "-rw" here still belongs to the dropped line.
    collector.Feed(" -rw\r\n  ", 8);
    EXPECT_EQ(collector.skipState(), ListingCollector::kSkipBlanks);
    collector.Feed("\r\n-x\r\n", 6);
    collector.Finish();
    EXPECT_STREQ(collector.Text(), "-x\r");
}

TEST(ListingCollector, FinishOnceAndReset) {
    ListingCollector collector;
    collector.Feed("-a", 2);
    collector.Finish();
    collector.Finish();
    collector.Feed("-b\r\n", 4);  // after the close: ignored
    EXPECT_STREQ(collector.Text(), "-a");
    collector.Reset();
    collector.Feed("-b\r\n", 4);
    collector.Finish();
    EXPECT_STREQ(collector.Text(), "-b\r");
}

TEST(ListingCollector, EmptyTextIsTerminatedNeverNull) {
    ListingCollector collector;
    ASSERT_NE(collector.Text(), nullptr);
    EXPECT_STREQ(collector.Text(), "");
    EXPECT_EQ(collector.Length(), 0u);
    collector.Feed("-a\r\n", 4);
    collector.Finish();
    EXPECT_EQ(collector.Length(), 3u);
    EXPECT_EQ(collector.Text()[3], '\0');
    collector.Reset();
    ASSERT_NE(collector.Text(), nullptr);
    EXPECT_STREQ(collector.Text(), "");
    EXPECT_EQ(collector.Length(), 0u);
}

// A directory of thousands of files, far more than 64 KB of text, arrives
// whole, in reads of any size.
TEST(ListingCollector, LargeDirectoryIsKeptWhole) {
    std::string data, expected;
    for (int i = 0; i < 20000; ++i) {
        std::string line = "-rw-r--r--   1 ftp ftp   120 Mar  1 10:00 file" + std::to_string(i) + ".txt";
        data += line + "\r\n";
        expected += line + "\r";
    }
    ASSERT_GT(expected.size(), 1000000u);
    std::vector<std::string> reads;
    for (size_t at = 0; at < data.size(); at += 4093) reads.push_back(data.substr(at, 4093));
    uint16_t truncated = 1;
    EXPECT_EQ(Collect(reads, &truncated), expected);
    EXPECT_EQ(truncated, 0);

    // One line longer than a TextBuffer could hold is one line like any other.
    std::string longName(70000, 'n');
    EXPECT_EQ(Collect({"-a\r\n-" + longName + "\r\n-b"}, &truncated), "-a\r-" + longName + "\r-b");
    EXPECT_EQ(truncated, 0);
}

// A listing bigger than the bound keeps the whole lines that fit and says so.
TEST(ListingCollector, OverflowKeepsWholeLinesAndReportsTruncation) {
    const size_t bound = 1u << 20;
    std::string line = "-rw-r--r-- 1 ftp ftp 100 Jan 1 2020 " + std::string(60, 'f') + "\r\n";
    const size_t kept = line.size() - 1;  // each kept line ends with one CR
    std::string data;
    data.reserve((bound / kept + 2) * line.size() + 10);
    for (size_t lines = 0; lines * kept < bound + kept; ++lines) data += line;
    data += "-after\r\n";
    uint16_t truncated = 0, reason = 0;
    std::string listing = Collect({data.substr(0, 5000), data.substr(5000)}, &truncated, bound,
                                  ListingCollector::kMaxLines, &reason);
    EXPECT_EQ(truncated, 1);
    EXPECT_EQ(reason, ListingCollector::kCutBytes);
    EXPECT_LT(listing.size(), bound);
    EXPECT_EQ(listing.size() % kept, 0u);
    EXPECT_GE(listing.size() + kept, bound) << "as many whole lines as fit";
    EXPECT_EQ(listing.compare(0, kept, line.substr(0, kept)), 0);
    EXPECT_EQ(listing.find("-after"), std::string::npos) << "nothing after the first line that did not fit";

    // One line longer than the bound: nothing of it is kept, nor anything after it.
    std::string huge = "-" + std::string(bound + 10, 'x') + "\r\n-after\r\n";
    listing = Collect({"-first\r\n", huge}, &truncated, bound);
    EXPECT_EQ(truncated, 1);
    EXPECT_EQ(listing, "-first\r");
    EXPECT_EQ(Collect({"-a\r\n"}, &truncated, bound), "-a\r");
    EXPECT_EQ(truncated, 0);
}

// At most maxLines lines: the next line to be kept ends the listing, with
// the reason; dropped lines do not count. The real bounds are what the
// lists take and 64 MB.
TEST(ListingCollector, LineBoundAndStop) {
    const std::string lines = "-a\r\ntotal 9\r\n-b\r\n-c\r\n-d\r\n";
    struct Row {
        uint32_t maxLines;
        const char* listing;
        uint16_t reason;
    } rows[] = {{4, "-a\r-b\r-c\r-d\r", ListingCollector::kNotCut},
                {3, "-a\r-b\r-c\r", ListingCollector::kCutLines},
                {1, "-a\r", ListingCollector::kCutLines}};
    for (const Row& row : rows) {
        for (size_t cut = 0; cut <= lines.size(); ++cut) {
            SCOPED_TRACE(std::to_string(row.maxLines) + " lines, read cut at " + std::to_string(cut));
            uint16_t reason = 9;
            EXPECT_EQ(Collect({lines.substr(0, cut), lines.substr(cut)}, nullptr, 1024, row.maxLines, &reason),
                      row.listing);
            EXPECT_EQ(reason, row.reason);
        }
    }
    // Endless dropped lines keep nothing but end all the same.
    std::string dropped;
    for (int i = 0; i < 400; ++i) dropped += "total 0\r\n";
    uint16_t reason = 0;
    EXPECT_EQ(Collect({"-a\r\n", dropped, "-b\r\n"}, nullptr, 1024, 10, &reason), "-a\r");
    EXPECT_EQ(reason, ListingCollector::kCutBytes);

    ListingCollector collector;
    collector.Feed("-a\r\n-b", 7);
    collector.Stop(ListingCollector::kCutTime);
    collector.Feed("-c\r\n", 4);
    collector.Finish();
    EXPECT_EQ(std::string(collector.Text()), "-a\r");
    EXPECT_EQ(collector.Reason(), ListingCollector::kCutTime);
    EXPECT_EQ(collector.Lines(), 1u);
    static_assert(ListingCollector::kMaxLines == 65534, "what the lists take");
    static_assert(ListingCollector::kMaxListing == 64u * 1024 * 1024, "64 MB");
}
