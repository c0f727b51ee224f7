#include <gtest/gtest.h>

#include <string>

#include "frame/core/text_buffer.h"
#include "transfer/core/listing_filter.h"

namespace {

struct MatchCase {
    std::string name;
    std::string patterns;
    uint16_t match;
};

TEST(FilePattern, Table) {
    const std::string longName = std::string(300, 'a') + ".txt";
    const MatchCase cases[] = {
        {"README.TXT", "*.TXT", 1},
        {"readme.txt", "*.TXT", 1},
        {"README.TXT", "*.txt", 1},
        {"README.DOC", "*.TXT", 0},
        {"README.TXT.BAK", "*.TXT", 0},
        {"TXT", "*.TXT", 0},
        {"a.TXT", "*.doc;*.txt", 1},
        {"a.doc", "*.doc;*.txt", 1},
        {"a.pdf", "*.doc;*.txt", 0},
        // "*"
        {"anything.at.all", "*", 1},
        {"noext", "*", 1},
        {"", "*", 1},
        {"ABC", "*.*", 0},
        {"A.B", "*.*", 1},
        {"BA", "*A", 0},  // "*" takes the name up to its last "."
        {"A.B", "*X", 1},  // at the last ".", what stands between "*" and "." is passed over
        {"ab.c", "*x.c", 1},
        {"ab.c", "*x.d", 0},
        // prefixes
        {"ABC.DOC", "A*", 1},
        {"BCD.DOC", "A*", 0},
        {"ABCDEF", "abc", 1},
        {"AB", "ABC", 0},
        {"ABX", "AB?", 1},
        // "?"
        {"A.TXT", "?.TXT", 1},
        {"AB.TXT", "?.TXT", 0},
        {".TXT", "?TXT", 1},
        {"", "?", 0},
        // several dots: only the last one ends the "*"
        {"archive.tar.gz", "*.gz", 1},
        {"archive.tar.gz", "*.tar", 0},
        {"archive.tar.gz", "*.tar.gz", 0},
        {"archive.tar.gz", "archive.*", 1},
        {"archive.tar.gz", "archive.t*", 1},
        // case folding is ASCII only
        {"\xe4.txt", "\xe4.TXT", 1},
        {"\xe4.txt", "\xc4.TXT", 0},
        {"mixed.Case", "MIXED.cASE", 1},
        // empty patterns and names
        {"a.txt", "", 0},
        {"a.txt", ";", 0},
        {"a.txt", "*.doc;", 0},
        {"a.txt", ";;*.txt", 1},
        {"", "A*", 0},
        {"", "", 0},
        // long texts are matched whole, never cut
        {longName, "*.txt", 1},
        {longName, std::string(300, 'A') + ".TXT", 1},
        {longName, std::string(299, 'A') + "B.TXT", 0},
        {longName, std::string(255, 'a'), 1},
        {std::string(256, 'a'), std::string(256, 'a') + "b", 0},
        {"a.txt", std::string(400, 'x') + ";*.txt", 1},
        {"a.txt", std::string(200, 'x') + ";" + std::string(200, 'y') + ";a.t", 1},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 40) + " / " + c.patterns.substr(0, 40));
        EXPECT_EQ(MatchFilePattern(c.name.c_str(), c.patterns.c_str()), c.match);
    }
    EXPECT_EQ(MatchFilePattern(nullptr, "*"), 1);
    EXPECT_EQ(MatchFilePattern("a", nullptr), 0);
}

// With the platform's fold, letters beyond a-z match without case too.
TEST(FilePattern, FoldTableGivesTheCase) {
    CaseFold latin1;
    for (int c = 0; c < 256; ++c) latin1.upper[c] = static_cast<unsigned char>(c);
    for (int c = 'a'; c <= 'z'; ++c) latin1.upper[c] = static_cast<unsigned char>(c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) latin1.upper[c] = static_cast<unsigned char>(c - 32);  // à..þ to À..Þ
    struct Row {
        const char* name;
        const char* pattern;
        uint16_t withFold, without;
    } rows[] = {
        {"\xe9t\xe9.txt", "\xc9T\xc9.TXT", 1, 0},  // été.txt, ÉTÉ.TXT
        {"\xc9T\xc9.doc", "\xe9t\xe9*", 1, 0},
        {"report.txt", "REPORT.*", 1, 1},
        {"\xf7.txt", "\xd7.txt", 0, 0},  // ÷ and × are no pair
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(MatchFilePattern(r.name, r.pattern, &latin1), r.withFold);
        EXPECT_EQ(MatchFilePattern(r.name, r.pattern), r.without);
    }
}

// A name of many dots against many stars: each pattern is one walk.
TEST(FilePattern, LongTextsInOnePass) {
    std::string name, stars;
    for (int i = 0; i < 100000; ++i) name += "a.";
    name += "txt";
    for (int i = 0; i < 100000; ++i) stars += "*";
    EXPECT_EQ(MatchFilePattern(name.c_str(), "*.txt"), 1);
    EXPECT_EQ(MatchFilePattern(name.c_str(), (stars + ".txt").c_str()), 1);
    EXPECT_EQ(MatchFilePattern(name.c_str(), (stars + ".doc;" + stars + "x").c_str()), 1);
    EXPECT_EQ(MatchFilePattern(name.c_str(), (stars + ".doc").c_str()), 0);
}

TEST(EffectivePattern, Table) {
    const std::string star300 = "*" + std::string(299, 'a');
    const std::string starLate = std::string(280, 'a') + "*";
    struct Case {
        const char* what;
        const char* typed;
        const char* filter;
        std::string pattern;
    } cases[] = {
        {"typed with a star", "*.txt", "*.doc", "*.txt"},
        {"typed with a question mark", "a?c", "*", "a?c"},
        {"typed without either", "report", "*.doc", "*.doc"},
        {"nothing typed", "", "*.doc;*.txt", "*.doc;*.txt"},
        {"no typed text", nullptr, "*.doc", "*.doc"},
        {"typed *.*", "*.*", "*.doc", "*"},
        {"filter *.*", "x", "*.*", "*"},
        {"*.* with more is kept", "*.*;*.txt", "*", "*.*;*.txt"},
        {"*.* with a blank is kept", "*.* ", "*", "*.* "},
        {"no filter either", "", nullptr, ""},
        {"typed text is cut at 255", star300.c_str(), "*.doc", star300.substr(0, 255)},
        {"a star past 255 does not count", starLate.c_str(), "*.doc", "*.doc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextBuffer out;
        out.Assign("stale");
        EffectivePattern(c.typed, c.filter, out);
        EXPECT_EQ(std::string(out.Text(), out.length), c.pattern);
    }
}

TEST(ShowEntry, Table) {
    const char* kUnixFile = "-rw-r--r-- 1 u g 7 Jan 01 12:34 a.txt";
    const char* kUnixDoc = "-rw-r--r-- 1 u g 7 Jan 01 12:34 a.doc";
    const char* kUnixDir = "drwxr-xr-x 2 u g 4096 Jan 01 12:34 pub";
    const char* kUnixLink = "lrwxrwxrwx 1 u g 7 Jan 01 12:34 bin -> usr/bin";
    const char* kDosFile = "01-01-96  12:00PM                 1234 a.doc";
    const char* kDosDir = "01-01-96  12:00PM       <DIR>          pub";
    struct Case {
        const char* what;
        const char* entry;
        const char* raw;
        const char* pattern;
        uint16_t directoriesOnly;
        uint16_t shown;
    } cases[] = {
        {"matching Unix file", "\xff" "a.txt", kUnixFile, "*.txt", 0, 1},
        {"other Unix file", "\xff" "a.doc", kUnixDoc, "*.txt", 0, 0},
        {"second pattern", "\xff" "a.doc", kUnixDoc, "*.txt;*.doc", 0, 1},
        {"the marker is not part of the name", "\xff" "a.doc", kUnixDoc, "?a.doc", 0, 0},
        {"Unix directory", "\x02pub", kUnixDir, "*.txt", 0, 1},
        {"Unix link", "\x02 bin >usr/bin", kUnixLink, "*.txt", 0, 1},
        {"DOS file is never filtered", "\xff" "a.doc", kDosFile, "*.txt", 0, 1},
        {"DOS directory", "\x02pub", kDosDir, "*.txt", 0, 1},
        {"empty raw line, no match", "\xff" "a.doc", "", "*.txt", 0, 0},
        {"empty raw line, match", "\xff" "a.txt", "", "*.txt", 0, 1},
        {"no raw line", "\xff" "a.doc", nullptr, "*.txt", 0, 0},
        {"empty pattern hides Unix files", "\xff" "a.txt", kUnixFile, "", 0, 0},
        {"empty entry", "", kUnixFile, "*", 0, 1},
        {"link text matched as it is", "\x02 bin >usr/bin", "-", "B*", 0, 0},
        {"link text matched as it is, with its space", "\x02 bin >usr/bin", "-", " B*", 0, 1},
        // directories only: the raw line alone decides
        {"only directories: Unix file", "\xff" "a.txt", kUnixFile, "*", 1, 0},
        {"only directories: Unix directory", "\x02pub", kUnixDir, "", 1, 1},
        {"only directories: link", "\x02 bin >usr/bin", kUnixLink, "", 1, 1},
        {"only directories: DOS file", "\xff" "a.doc", kDosFile, "", 1, 1},
        {"only directories: DOS directory", "\x02pub", kDosDir, "", 1, 1},
        {"only directories: empty raw line", "\x02pub", "", "*", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ShowEntry(c.entry, c.raw, c.pattern, c.directoriesOnly), c.shown);
    }
}

}  // namespace
