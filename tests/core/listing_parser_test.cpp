#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "transfer/core/listing_parser.h"

namespace {

struct Entry {
    Entry(std::string t, uint32_t raw) : text(std::move(t)), rawIndex(raw) {}
    std::string text;
    uint32_t rawIndex;
    // From the shape (not compared by ==).
    uint16_t kind = kEntryFile;
    std::string name;
    std::string target;
    bool operator==(const Entry& o) const { return text == o.text && rawIndex == o.rawIndex; }
};

void PrintTo(const Entry& e, std::ostream* os) {
    *os << "{";
    for (unsigned char c : e.text) {
        if (c < 0x20 || c >= 0x7F) *os << "\\x" << std::hex << unsigned(c) << std::dec;
        else *os << c;
    }
    *os << " @" << e.rawIndex << "}";
}

struct Recorder : ListingSink {
    std::vector<std::string> raw;
    std::vector<Entry> entries;
    std::vector<std::string> path;

    uint32_t OnRawLine(const char* line, uint32_t length) override {
        EXPECT_TRUE(path.empty()) << "lines come before the path";
        raw.emplace_back(line, length);
        return uint32_t(raw.size() - 1) + 100;  // indexes are the sink's own
    }
    void OnEntry(const char* text, uint32_t length, uint32_t rawIndex, const ListingEntryShape& shape) override {
        EXPECT_TRUE(path.empty()) << "entries come before the path";
        Entry e(std::string(text, length), rawIndex);
        e.kind = shape.kind;
        // The shape lies inside the text and agrees with the marker.
        EXPECT_EQ(shape.nameStart, shape.kind == kEntryLink ? 2u : 1u);
        EXPECT_LE(shape.nameStart + shape.nameLength, length);
        EXPECT_EQ(static_cast<unsigned char>(text[0]) == kFileMarker, shape.kind == kEntryFile);
        e.name.assign(text + shape.nameStart, shape.nameLength);
        if (shape.targetStart) {
            EXPECT_EQ(shape.kind, kEntryLink);
            EXPECT_EQ(shape.targetStart, shape.nameStart + shape.nameLength + 2);
            EXPECT_EQ(std::string(text + shape.targetStart - 2, 2), " >");
            e.target.assign(text + shape.targetStart, length - shape.targetStart);
        } else {
            EXPECT_EQ(shape.nameStart + shape.nameLength, length) << "nothing after a name without target";
        }
        entries.push_back(e);
    }
    void OnPathItem(const char* text, uint32_t length) override { path.emplace_back(text, length); }
};

// Parses from a heap copy of exactly the text's size, so ASan catches any
// read past the length.
Recorder Parse(const std::string& text, const char* directory = "/") {
    std::unique_ptr<char[]> copy(new char[text.size() ? text.size() : 1]);
    std::memcpy(copy.get(), text.data(), text.size());
    Recorder r;
    ParseListingText(copy.get(), uint32_t(text.size()), directory, r);
    return r;
}

const std::string kFile = "\xff";
const std::string kDir = "\x02";  // entries of "/"

struct LineCase {
    const char* what;
    std::string line;
    std::string entry;  // "" : the line gives no entry
};

// Lines of the root directory; none depends on the lines before it.
const std::vector<LineCase>& LineCases() {
    static const std::vector<LineCase> cases = {
        // kinds
        {"file", "-rw-r--r-- 1 u g 7 Jan 01 12:34 a.txt", kFile + "a.txt"},
        {"directory", "drwxr-xr-x 2 u g 4096 Jan 01 12:34 pub", kDir + "pub"},
        {"link", "lrwxrwxrwx 1 u g 7 Jan 01 12:34 bin -> usr/bin", kDir + " bin >usr/bin"},
        {"s line is link-like", "srwxrwxrwx 1 u g 0 Jan 01 12:34 socket name", kDir + " socket name"},
        {"DOS directory", "01-01-96  12:00PM       <DIR>          pub", kDir + "pub"},
        {"DOS file", "01-01-96  12:00PM                 1234 a.txt", kFile + "a.txt"},
        {"DIR at offset 12", "2024-01-02  DIR      docs", kDir + "docs"},
        {"DIR at offset 11 is a file", "2024-01-02 DIR      docs", kFile + "docs"},
        {"<DIR> anywhere", "x <DIR> y", kDir + "y"},
        // no entry
        {"no space", "-rw-r--r--", ""},
        {"dot", "drwxr-xr-x 2 u g 4096 Jan 01 12:34 .", ""},
        {"dot dot", "drwxr-xr-x 2 u g 4096 Jan 01 12:34 ..", ""},
        {"DOS dot dot", "01-01-96  12:00PM       <DIR>          ..", ""},
        {"link named dot dot", "lrwxrwxrwx 1 u g 2 Jan 01 12:34 .. -> x", ""},
        {"three dots is a name", "drwxr-xr-x 2 u g 4096 Jan 01 12:34 ...", kDir + "..."},
        {"dot file", "-rw-r--r-- 1 u g 7 Jan 01 12:34 .profile", kFile + ".profile"},
        {"empty name", "-rw-r--r-- 1 u g 7 Jan 01 12:34 ", ""},
        // servers
        {"vsftpd", "-rw-r--r--    1 1000     1000         4096 Jan 01 12:34 a.txt", kFile + "a.txt"},
        {"vsftpd directory with a space", "drwxr-xr-x    2 1000     1000         4096 Jan 01 12:34 My Documents",
         kDir + "My Documents"},
        {"ProFTPD year", "-rw-r--r--   1 ftp      ftp          1234 Mar  3  2021 old.txt", kFile + "old.txt"},
        {"ProFTPD year, name with a space", "-rw-r--r--   1 ftp      ftp          1234 Mar  3  2021 My Report.doc",
         kFile + "My Report.doc"},
        {"Pure-FTPd", "-rw-r--r--    1 1000       users             12 Feb 29 23:59 leap.txt", kFile + "leap.txt"},
        {"pyftpdlib", "-rw-r--r--   1 owner    group          12 Mar 03 12:00 a.txt", kFile + "a.txt"},
        {"no group column", "-rw-r--r-- 1 owner 12 Mar 03 12:00 a.txt", kFile + "a.txt"},
        {"no group column, numeric owner", "-rw-r--r-- 1 1000 12 Mar 03 12:00 b c.txt", kFile + "b c.txt"},
        {"owner named like a month", "-rw-r--r-- 1 mar 12 2048 Jan 01 12:00 x", kFile + "x"},
        {"no owner or group", "-rw-r--r-- 1 12 Mar 03 12:00 a b", kFile + "a b"},
        {"month in capitals", "-rw-r--r-- 1 u g 7 JAN 01 2020 x y", kFile + "x y"},
        {"month in small letters", "-rw-r--r-- 1 u g 7 dec 31 9:05 x y", kFile + "x y"},
        {"IIS 4-digit year", "01-01-2024  01:45PM                 1234 a.txt", kFile + "a.txt"},
        {"IIS 24-hour time", "01-01-2024  13:45       <DIR>          Program Files", kDir + "Program Files"},
        {"IIS name with spaces", "01-01-96  12:00PM                 1234 My Report.doc", kFile + "My Report.doc"},
        {"IIS blanks before a name are padding", "01-01-96  12:00PM                 1234   lead  x ",
         kFile + "lead  x "},
        // names
        {"one space", "-rw-r--r-- 1 u g 7 Jan 01 12:34 My Report.doc", kFile + "My Report.doc"},
        {"two spaces", "-rw-r--r-- 1 u g 7 Jan 01 12:34 a  b.txt", kFile + "a  b.txt"},
        {"leading space", "-rw-r--r-- 1 u g 7 Jan 01 12:34  lead.txt", kFile + " lead.txt"},
        {"trailing word", "-rw-r--r-- 1 u g 7 Jan 01 12:34 notes.txt old", kFile + "notes.txt old"},
        {"trailing space", "drwxr-xr-x 2 u g 4096 Jan 01 12:34 dir ", kDir + "dir "},
        {"name is a time", "-rw-r--r-- 1 u g 7 Jan 01 12:34 12:34", kFile + "12:34"},
        {"name is a month", "-rw-r--r-- 1 u g 7 Jan 01 12:34 Dec", kFile + "Dec"},
        {"name is a year", "-rw-r--r-- 1 u g 7 Jan 01 2020 2021", kFile + "2021"},
        {"name shaped like columns", "-rw-r--r-- 1 u g 7 Jan 01 12:34 5 Feb 02 10:00 x", kFile + "5 Feb 02 10:00 x"},
        {"zero byte is a character", std::string("-rw-r--r-- 1 u g 7 Jan 01 12:34 a\0b", 35),
         kFile + std::string("a\0b", 3)},
        // links
        {"link to a name with spaces", "lrwxrwxrwx 1 u g 7 Jan 01 12:34 my link -> some dir/x",
         kDir + " my link >some dir/x"},
        {"link with a year", "lrwxrwxrwx 1 u g 7 Jan 01  2020 up -> ..", kDir + " up >.."},
        {"link ends at the first arrow", "lrwxrwxrwx 1 u g 7 Jan 01 12:34 a -> b -> c", kDir + " a >b -> c"},
        {"arrow without spaces is part of the name", "lrwxrwxrwx 1 u g 7 Jan 01 12:34 a->b -> c",
         kDir + " a->b >c"},
        {"link without a target", "lrwxrwxrwx 1 u g 7 Jan 01 12:34 dangling", kDir + " dangling"},
        {"link with an empty target", "lrwxrwxrwx 1 u g 7 Jan 01 12:34 x -> ", kDir + " x"},
        {"link with a leading space", "lrwxrwxrwx 1 u g 7 Jan 01 12:34  x -> y", kDir + "  x >y"},
        // neither shape: the text after the last space
        {"size not a number", "-rw-r--r-- 1 u g seven Jan 01 12:34 My file", kFile + "file"},
        {"no time", "drwxr-xr-x 2 u g 4096 Jan 01 My dir", kDir + "dir"},
        {"bad day", "-rw-r--r-- 1 u g 7 Jan 123 12:34 My file", kFile + "file"},
        {"bad DOS date", "01-01-9  12:00PM  1234 a b", kFile + "b"},
    };
    return cases;
}

TEST(ListingParser, EachLineAlone) {
    for (const LineCase& c : LineCases()) {
        SCOPED_TRACE(c.what);
        Recorder r = Parse(c.line);
        ASSERT_EQ(r.raw.size(), 1u);
        EXPECT_EQ(r.raw[0], c.line);
        std::vector<Entry> expected;
        if (!c.entry.empty()) expected.push_back({c.entry, 100});
        EXPECT_EQ(r.entries, expected);
    }
}

// All lines in one listing: one raw line each, entries in order and carrying
// the index of their own line.
TEST(ListingParser, AllLinesAsOneStream) {
    std::string text;
    std::vector<Entry> expected;
    uint32_t index = 100;
    for (const LineCase& c : LineCases()) {
        text += c.line + "\r";
        if (!c.entry.empty()) expected.push_back({c.entry, index});
        ++index;
    }
    Recorder r = Parse(text);
    ASSERT_EQ(r.raw.size(), LineCases().size());
    for (size_t i = 0; i < r.raw.size(); ++i) EXPECT_EQ(r.raw[i], LineCases()[i].line);
    EXPECT_EQ(r.entries, expected);
    EXPECT_EQ(r.path, std::vector<std::string>{"\x41/"});
}

// Only a link carries a target; a name may hold " >" or ">" itself.
TEST(ListingParser, ShapesTellNamesFromTargets) {
    struct Row {
        const char* line;
        uint16_t kind;
        const char* name;
        const char* target;
    } rows[] = {
        {"drwxr-xr-x 2 u g 512 Jan 01 12:34 a>b", kEntryDirectory, "a>b", ""},
        {"drwxr-xr-x 2 u g 512 Jan 01 12:34 dir>/etc", kEntryDirectory, "dir>/etc", ""},
        {"drwxr-xr-x 2 u g 512 Jan 01 12:34 x >y", kEntryDirectory, "x >y", ""},
        {"-rw-r--r-- 1 u g 7 Jan 01 12:34 star*?.txt", kEntryFile, "star*?.txt", ""},
        {"lrwxrwxrwx 1 u g 7 Jan 01 12:34 x >y -> z", kEntryLink, "x >y", "z"},
        {"lrwxrwxrwx 1 u g 7 Jan 01 12:34 bin -> usr/bin", kEntryLink, "bin", "usr/bin"},
        {"lrwxrwxrwx 1 u g 7 Jan 01 12:34 dangling", kEntryLink, "dangling", ""},
        {"01-01-96  12:00PM  <DIR>  a >b", kEntryDirectory, "a >b", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Recorder r = Parse(row.line);
        ASSERT_EQ(r.entries.size(), 1u);
        EXPECT_EQ(r.entries[0].kind, row.kind);
        EXPECT_EQ(r.entries[0].name, row.name);
        EXPECT_EQ(r.entries[0].target, row.target);
    }
}

TEST(ListingParser, LinesAreSplitAtCrOnly) {
    Recorder r = Parse("\r\r-rw-r--r-- 1 u g 7 Jan 01 12:34 a\r\r\rd x y\nz\r-last line");
    EXPECT_EQ(r.raw, (std::vector<std::string>{"-rw-r--r-- 1 u g 7 Jan 01 12:34 a", "d x y\nz", "-last line"}));
    EXPECT_EQ(r.entries, (std::vector<Entry>{{kFile + "a", 100}, {kDir + "y\nz", 101}, {kFile + "line", 102}}));
    EXPECT_TRUE(Parse("").raw.empty());
    EXPECT_TRUE(Parse("\r\r\r").raw.empty());

    // Bytes past the length are not part of the listing.
    const char text[] = "-rw-r--r-- 1 u g 7 Jan 01 12:34 a.txt more";
    Recorder cut;
    ParseListingText(text, 37, "/", cut);
    EXPECT_EQ(cut.entries, (std::vector<Entry>{{kFile + "a.txt", 100}}));
    Recorder none;
    ParseListingText(nullptr, 10, "/", none);
    EXPECT_TRUE(none.raw.empty());
    EXPECT_EQ(none.path, std::vector<std::string>{"\x41/"});
}

// Links of neither shape are read at the name column, which the first file
// or link line of the listing gives.
TEST(ListingParser, LinkNameColumnOfOldListings) {
    struct Case {
        const char* what;
        std::string listing;
        std::vector<std::string> entries;
    } cases[] = {
        {"time of day before the name (no day column)",
         "lrwxrwxrwx 1 u g 7 Jan 12:34 bin -> usr/bin\r", {kDir + " bin >usr/bin"}},
        {"no time: column 1", "l bin -> usr/bin\r", {kDir + " bin >usr/bin"}},
        {"no time, no target", "l  bin\r", {kDir + " bin"}},
        {"a word after the name is no target", "l bin x\r", {kDir + " bin"}},
        {"column from the first file line",
         "-rw-r--r-- 1 u g 12345 Jan 01 a.txt\r"
         "lrwxrwxrwx 1 u g     7 Jan 01 bin -> usr/bin\r",
         {kFile + "a.txt", kDir + " bin >usr/bin"}},
        {"column kept from the first link line",
         "lrwxrwxrwx 1 u g 7 Jan 12:34 bin -> usr/bin\r"
         "lrwxrwxrwx 1 u g 7 Jan 2020x lib -> usr/lib\r",
         {kDir + " bin >usr/bin", kDir + " lib >usr/lib"}},
        {"directories give no column",
         "drwxr-xr-x 2 u g 4096 Jan 01 pub\r"
         "l bin -> usr/bin\r",
         {kDir + "pub", kDir + " bin >usr/bin"}},
        {"column past the end of a short link line",
         "-rw-r--r-- 1 u g 12345 Jan 01 a.txt\r"
         "l x\r",
         {kFile + "a.txt"}},
        {"shaped lines are not read at the column",
         "-rw-r--r-- 1 u g 12345 Jan 01 a.txt\r"
         "lrwxrwxrwx 1 u g 7 Jan 01 12:34 my bin -> usr/bin\r",
         {kFile + "a.txt", kDir + " my bin >usr/bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder r = Parse(c.listing);
        std::vector<std::string> texts;
        for (const Entry& e : r.entries) texts.push_back(e.text);
        EXPECT_EQ(texts, c.entries);
    }
}

std::string Repeat(const std::string& part, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += part;
    return s;
}

struct PathCase {
    const char* directory;
    uint16_t depth;
    std::vector<std::string> path;
};

TEST(ListingParser, DepthAndPathItems) {
    const PathCase cases[] = {
        {"/", 2, {"\x41/"}},
        {"/pub", 3, {"\x81/", "\x42pub"}},
        {"/pub/docs", 4, {"\x81/", "\x82pub", "\x43" "docs"}},
        {"\\pub\\docs", 4, {"\x81\\", "\x82pub", "\x43" "docs"}},
        {"/pub\\docs/", 4, {"\x81/", "\x82pub", "\x43" "docs"}},
        {"//pub//", 3, {"\x81/", "\x42pub"}},
        {"pub", 2, {"\x41pub"}},
        {"pub/docs", 3, {"\x81pub", "\x42" "docs"}},
        {"My Files/a b", 3, {"\x81My Files", "\x42" "a b"}},
        {"", 1, {}},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.directory);
        EXPECT_EQ(ListingDepth(c.directory), c.depth);
        Recorder r = Parse("drwxr-xr-x 2 u g 4096 Jan 01 12:34 sub\r-rw-r--r-- 1 u g 7 Jan 01 12:34 f", c.directory);
        EXPECT_EQ(r.path, c.path);
        ASSERT_EQ(r.entries.size(), 2u);
        EXPECT_EQ(r.entries[0].text, std::string(1, char(c.depth)) + "sub");
        EXPECT_EQ(r.entries[1].text, kFile + "f");
    }
    EXPECT_EQ(ListingDepth(nullptr), 1);
    Recorder r;
    ParseListingText("d a b", 5, nullptr, r);
    EXPECT_EQ(r.entries, (std::vector<Entry>{{"\x01" "b", 100}}));
    EXPECT_TRUE(r.path.empty());
}

// Markers stay below 0x40 however deep the directory is.
TEST(ListingParser, DeepDirectoriesAreCappedAt63) {
    EXPECT_EQ(ListingDepth(Repeat("/d", 60).c_str()), 62);
    EXPECT_EQ(ListingDepth(Repeat("/d", 61).c_str()), 63);
    EXPECT_EQ(ListingDepth(Repeat("/d", 62).c_str()), 63);
    EXPECT_EQ(ListingDepth(Repeat("d/", 62).c_str()), 63);
    EXPECT_EQ(ListingDepth(Repeat("d/", 63).c_str()), 63);

    const std::string deep = Repeat("/d", 100);
    Recorder r = Parse("drwxr-xr-x 2 u g 4096 Jan 01 12:34 sub\rlrwxrwxrwx 1 u g 7 Jan 01 12:34 l -> t", deep.c_str());
    EXPECT_EQ(r.entries, (std::vector<Entry>{{"\x3fsub", 100}, {"\x3f l >t", 101}}));
    ASSERT_EQ(r.path.size(), 101u);
    EXPECT_EQ(r.path[0], "\x81/");
    for (size_t i = 1; i < 100; ++i) {
        unsigned level = unsigned(i) + 1;
        EXPECT_EQ(r.path[i], std::string(1, char(0x80 | (level < 63 ? level : 63))) + "d") << i;
    }
    EXPECT_EQ(r.path[100], "\x7f" "d");
}

// A listing of 20,000 lines and lines of 50 KB go through in one pass (a
// walk from the start for every line, or over a line for every space,
// would not finish within the test timeout).
TEST(ListingParser, BigListingsAndLongLines) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        std::string n = std::to_string(i);
        switch (i % 4) {
            case 0: text += "-rw-r--r--    1 1000     1000   " + n + " Jan 01 12:34 file " + n + ".txt\r"; break;
            case 1: text += "drwxr-xr-x    2 1000     1000   4096 Feb  2  2020 dir " + n + "\r"; break;
            case 2: text += "lrwxrwxrwx    1 1000     1000   3 Mar 03 10:00 link " + n + " -> to " + n + "\r"; break;
            default: text += "01-01-96  12:00PM                 1234 dos " + n + ".txt\r"; break;
        }
    }
    Recorder r = Parse(text);
    ASSERT_EQ(r.raw.size(), 20000u);
    ASSERT_EQ(r.entries.size(), 20000u);
    EXPECT_EQ(r.entries[0].text, kFile + "file 0.txt");
    EXPECT_EQ(r.entries[19997].text, kDir + "dir 19997");
    EXPECT_EQ(r.entries[19998].text, kDir + " link 19998 >to 19998");
    EXPECT_EQ(r.entries[19999], (Entry{kFile + "dos 19999.txt", 20099}));

    const std::string words = Repeat("a b ", 12500);   // 50 KB of words
    const std::string spaced = Repeat("a b:", 12500);  // words and colons
    const std::string arrows = Repeat("- >-", 12500);  // near-misses of " -> "
    const std::string dirs = Repeat("<DIR", 12500);    // near-misses of "<DIR>"
    const std::string lines[] = {
        "lrwxrwxrwx 1 u g 7 Jan 01 " + words + "x",  // neither shape: no ":" before the last space
        "-rw-r--r-- 1 u g 7 Jan 01 12:34 " + spaced,
        "lrwxrwxrwx 1 u g 7 Jan 01 12:34 " + arrows + " -> " + spaced,
        "-" + dirs + " x",
        Repeat(" ", 50000) + "-",
    };
    const std::string expected[] = {
        kDir + " rwxrwxrwx >x", kFile + spaced, kDir + " " + arrows + " >" + spaced, kFile + "x", kFile + "-",
    };
    std::string all;
    for (const std::string& l : lines) all += l + "\r";
    for (int copies = 0; copies < 20; ++copies) {
        Recorder big = Parse(all);
        ASSERT_EQ(big.entries.size(), 5u);
        for (size_t i = 0; i < 5; ++i) EXPECT_EQ(big.entries[i].text, expected[i]) << i;
    }
}

}  // namespace
