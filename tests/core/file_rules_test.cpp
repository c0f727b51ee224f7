#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frame/core/text_buffer.h"
#include "ui/filedialog/core/file_rules.h"

namespace {

std::string Text(const TextBuffer& b) { return std::string(b.Text(), b.length); }

class RecordingSink : public FileTypeSink {
public:
    void OnFileType(const char* description, uint32_t descriptionLength, const char* extensions,
                    uint32_t extensionsLength) override {
        types.emplace_back(std::string(description, descriptionLength), std::string(extensions, extensionsLength));
    }
    std::vector<std::pair<std::string, std::string>> types;
};

struct SplitCase {
    std::string buffer;
    uint32_t size;  // 0: the whole buffer
    std::vector<std::pair<std::string, std::string>> types;
};

TEST(SplitFileTypes, PairsOfFields) {
    const SplitCase cases[] = {
        {"Documents\x01.doc\x01Pages\x01.htm", 0, {{"Documents", ".doc"}, {"Pages", ".htm"}}},
        // a run of separators is one; the unpaired last field is left out
        {"A\x01\x01\x01.a\x01" "B", 0, {{"A", ".a"}}},
        {"\x01\x01Text\x01*.txt\x01\x01", 0, {{"Text", "*.txt"}}},
        {"All\x01*.*", 0, {{"All", "*.*"}}},
        {"Only", 0, {}},
        {"", 0, {}},
        {"\x01\x01\x01", 0, {}},
        // the text ends at its terminator, or after size bytes
        {std::string("A\x01.a\0B\x01.b", 9), 0, {{"A", ".a"}}},
        {"A\x01.a\x01" "B\x01.bcd", 9, {{"A", ".a"}, {"B", ".b"}}},
        {"A\x01.a\x01" "B\x01.bcd", 7, {{"A", ".a"}}},
        {"A\x01.a", 1, {}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.buffer);
        RecordingSink sink;
        uint32_t size = c.size ? c.size : uint32_t(c.buffer.size());
        EXPECT_EQ(SplitFileTypes(c.buffer.data(), size, sink), c.types.size());
        EXPECT_EQ(sink.types, c.types);
    }
    RecordingSink sink;
    EXPECT_EQ(SplitFileTypes(nullptr, 10, sink), 0u);
    EXPECT_EQ(SplitFileTypes("A\x01.a", 0, sink), 0u);
    EXPECT_TRUE(sink.types.empty());
}

TEST(DefaultExtension, FirstFieldWithoutWildcards) {
    const std::pair<const char*, const char*> cases[] = {
        {".doc;.rtf", ".doc"}, {"*.* .txt", ".txt"}, {"*.*", ""},         {"", ""},
        {" ;; .a", ".a"},      {"*.x;?.y .z", ".z"}, {".htm .html", ".htm"}, {"a?b", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        TextBuffer out(4);
        out.Assign("old");
        DefaultExtension(c.first, out);
        EXPECT_EQ(Text(out), c.second);
    }
    TextBuffer out;
    out.Assign("old");
    DefaultExtension(nullptr, out);
    EXPECT_EQ(Text(out), "");
}

struct ExtensionCase {
    const char* name;
    ExtensionRule rule;
    const char* typeExtensions;
    uint32_t typeCount;
    const char* expected;
};

TEST(TypePattern, EveryExtensionWithAStar) {
    const struct {
        const char* extensions;
        const char* pattern;
    } cases[] = {
        {".htm", "*.htm"},
        {".doc .rtf", "*.doc;*.rtf"},
        {".doc;;.rtf ", "*.doc;*.rtf"},
        {"*.*", "*.*"},
        {"*.txt ;.log", "*.txt;*.log"},
        {"", "*"},
        {"  ", "*"},
        {nullptr, "*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extensions ? c.extensions : "(null)");
        TextBuffer out;
        TypePattern(c.extensions, out);
        EXPECT_STREQ(out.Text(), c.pattern);
    }
}

TEST(ApplyDefaultExtension, EachRule) {
    const char* all = ".doc;.htm .html";
    const ExtensionCase cases[] = {
        {"report", kExtensionOpen, ".doc", 2, "report.doc"},
        {"report.txt", kExtensionOpen, ".doc", 2, "report.txt"},
        {"dir.x\\report", kExtensionOpen, ".doc", 2, "dir.x\\report.doc"},
        {"report", kExtensionOpen, "*.*", 2, "report"},
        // wildcards: the name is a pattern
        {"a*", kExtensionOpen, ".doc", 2, "a*"},
        {"re?ort", kExtensionSaveAs, ".doc", 2, "re?ort"},
        {"*", kExtensionKnownTypes, ".htm", 2, "*"},
        // the last component starts after the earlier of the last "\" and "/"
        {"a.b/c\\d", kExtensionOpen, ".doc", 2, "a.b/c\\d.doc"},
        {"a/b.c\\d", kExtensionOpen, ".doc", 2, "a/b.c\\d"},
        {"a\\b.c/d", kExtensionOpen, ".doc", 2, "a\\b.c/d"},

        {"page", kExtensionSaveAs, ".htm", 2, "page.htm"},
        {"page.html", kExtensionSaveAs, ".htm", 2, "page.html"},
        {"page.HTM", kExtensionSaveAs, ".htm", 2, "page.HTM"},
        {"page.txt", kExtensionSaveAs, ".htm", 2, "page.txt.htm"},
        {"page.ht", kExtensionSaveAs, ".htm", 2, "page.ht.htm"},
        {"page.htm", kExtensionSaveAs, ".html", 2, "page.htm"},
        {"a.doc", kExtensionSaveAs, ".doc;.rtf", 2, "a.doc"},
        {"a.DOC", kExtensionSaveAs, ".doc", 2, "a.DOC"},
        {"a.txt", kExtensionSaveAs, ".doc", 2, "a.txt.doc"},
        {"a.docx", kExtensionSaveAs, ".doc", 2, "a.docx.doc"},
        {"a", kExtensionSaveAs, ".doc", 2, "a.doc"},
        {"a", kExtensionSaveAs, "*.*", 2, "a"},
        {"x.doc\\a", kExtensionSaveAs, ".doc", 2, "x.doc\\a.doc"},

        {"a.doc", kExtensionKnownTypes, ".htm .html", 2, "a.doc"},
        {"a.html", kExtensionKnownTypes, ".htm .html", 2, "a.html"},
        {"a.HTML", kExtensionKnownTypes, ".htm .html", 2, "a.HTML"},
        {"a.xyz", kExtensionKnownTypes, ".htm .html", 2, "a.xyz.htm"},
        {"a.", kExtensionKnownTypes, ".htm .html", 2, "a.htm"},
        {".", kExtensionKnownTypes, ".htm .html", 2, ".htm"},
        {"a", kExtensionKnownTypes, ".htm .html", 2, "a.htm"},
        {"d.doc\\a", kExtensionKnownTypes, ".htm .html", 2, "d.doc\\a.htm"},
        {"a.xyz", kExtensionKnownTypes, ".htm .html", 0, "a.xyz"},
        {"a", kExtensionKnownTypes, ".htm .html", 0, "a"},
        {"a.", kExtensionKnownTypes, "*.*", 2, "a."},
    };
    for (const ExtensionCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " rule " + std::to_string(c.rule) + " " + c.typeExtensions);
        TextBuffer name(8);
        name.Assign(c.name);
        EXPECT_EQ(ApplyDefaultExtension(name, c.typeExtensions, all, c.typeCount, c.rule), 1);
        EXPECT_EQ(Text(name), c.expected);
    }
}

TEST(ApplyDefaultExtension, LongerNameMustFit) {
    const std::pair<ExtensionRule, std::string> longest[] = {
        {kExtensionOpen, std::string(65530, 'a')},
        {kExtensionSaveAs, std::string(65530, 'a')},
        {kExtensionKnownTypes, std::string(65530, 'a') + "."},
    };
    for (const auto& c : longest) {
        SCOPED_TRACE(c.first);
        TextBuffer name;
        ASSERT_EQ(name.Assign(c.second.c_str()), 1);
        EXPECT_EQ(ApplyDefaultExtension(name, ".doc", ".doc", 1, c.first), 1);
        EXPECT_EQ(name.length, 65534);

        const std::string tooLong = "b" + c.second;
        ASSERT_EQ(name.Assign(tooLong.c_str()), 1);
        EXPECT_EQ(ApplyDefaultExtension(name, ".doc", ".doc", 1, c.first), 0);
        EXPECT_EQ(Text(name), tooLong);
    }
}

struct LevelCase {
    std::string item;
    const char* current;
    const char* directory;
};

TEST(LevelDirectory, MarkerGivesTheDirectory) {
    const LevelCase cases[] = {
        {"\x81pub", "/pub/docs", "/"},
        {"\x82pub", "/pub/docs", "/pub"},
        {"\x83" "docs", "/pub/docs", "/pub/docs"},
        {"\x82", "/pub/docs/", "/pub"},
        {"\x83", "/pub/docs/", "/pub/docs"},
        {"\x81", "C:\\a\\b", "C:\\"},
        {"\x82", "C:\\a\\b", "C:\\a"},
        {"\x83", "C:\\a/b\\c", "C:\\a/b"},
        {"\xBF", "/a/b", "/a/b"},
        {"\x80", "/a/b", "/a/b"},
        {"\x81", "", ""},
        {"\x81", nullptr, ""},
        // a ">" changes only the text after the marker
        {"\x82shown>x", "/pub/docs", "/pub"},
        {"\x40", "/pub", "."},
        {"\xC2", "/pub/docs", "."},
        {"\x01" "docs", "/pub", "docs"},
        {"\x01shown>real", "/pub", "real"},
        {"\x01" "a>b>c", "/pub", "b>c"},
        {"\x01", "/pub", ""},
    };
    for (const LevelCase& c : cases) {
        SCOPED_TRACE(c.item);
        TextBuffer out(4);
        out.Assign("old");
        EXPECT_EQ(LevelDirectory(c.item.c_str(), c.current, out), 1);
        EXPECT_EQ(Text(out), c.directory);
    }
    TextBuffer out;
    out.Assign("old");
    EXPECT_EQ(LevelDirectory("", "/pub", out), 0);
    EXPECT_EQ(LevelDirectory(nullptr, "/pub", out), 0);
    EXPECT_EQ(Text(out), "old");
}

struct Width {
    size_t limit;
    int calls;
};

bool FitsWidth(const char* text, void* context) {
    Width* w = static_cast<Width*>(context);
    // A runaway loop fails the test instead of hanging it.
    if (++w->calls > 1000) return true;
    return std::strlen(text) <= w->limit;
}

struct ShortenCase {
    const char* path;
    size_t limit;
    const char* shortened;
};

TEST(ShortenPath, DropsComponentsUntilItFits) {
    const char* path = "C:\\alpha\\beta\\gamma\\file.txt";
    const ShortenCase cases[] = {
        {path, 30, path},
        {path, 27, "C:\\..\\beta\\gamma\\file.txt"},
        {path, 24, "C:\\..\\gamma\\file.txt"},
        {path, 14, "C:\\..\\file.txt"},
        {path, 13, "file.txt"},
        {path, 2, "file.txt"},
        // a one-character component becomes ".." first, so grows by one
        {"C:\\a\\bc\\d", 8, "C:\\..\\d"},
        {"C:\\a\\bc\\d", 0, "d"},
        // without a further "\" the first component keeps what follows its ".."
        {"C:\\abc", 0, "C:\\..c"},
        {"\\\\server\\share\\f", 0, "f"},
        {"C:\\..\\", 0, ""},
        // nothing to take away
        {"C:\\a", 0, "C:\\a"},
        {"C:\\", 0, "C:\\"},
        {"\\", 0, "\\"},
        {"", 0, ""},
        {"/pub/docs/very/long/name", 0, "/pub/docs/very/long/name"},
    };
    for (const ShortenCase& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " in " + std::to_string(c.limit));
        TextBuffer text(4);
        text.Assign(c.path);
        Width width = {c.limit, 0};
        ShortenPath(text, FitsWidth, &width);
        EXPECT_EQ(Text(text), c.shortened);
        EXPECT_LT(width.calls, 100);
    }
}

TEST(ShortenPath, EndsOnPathsOfSeparatorsAndDots) {
    const char* paths[] = {"\\\\\\\\", "\\..\\..\\..\\", "..\\..", "\\.\\.\\.", "\\..", "a\\\\b\\\\c", "\\.."};
    for (const char* p : paths) {
        SCOPED_TRACE(p);
        TextBuffer text;
        text.Assign(p);
        Width width = {0, 0};
        ShortenPath(text, FitsWidth, &width);
        EXPECT_LT(width.calls, 100);
        EXPECT_LE(text.length, std::strlen(p) + 1);
    }
}

struct PatternCase {
    const char* name;
    const char* directory;
    const char* rest;
};

TEST(SplitPatternPath, AtTheLastBackslashElseSlash) {
    const PatternCase cases[] = {
        {"sub/*.txt", "sub", "*.txt"},
        {"/*.txt", "", "*.txt"},
        {"a\\b/c*.x", "a", "b/c*.x"},
        {"C:\\docs\\*.doc", "C:\\docs", "*.doc"},
        {"a/b/c?", "a/b", "c?"},
        {"dir\\", "dir", ""},
    };
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(c.name);
        TextBuffer directory(4), rest(4);
        EXPECT_EQ(SplitPatternPath(c.name, directory, rest), 1);
        EXPECT_EQ(Text(directory), c.directory);
        EXPECT_EQ(Text(rest), c.rest);
    }
    for (const char* name : {"*.txt", "", static_cast<const char*>(nullptr)}) {
        TextBuffer directory, rest;
        directory.Assign("d");
        rest.Assign("r");
        EXPECT_EQ(SplitPatternPath(name, directory, rest), 0);
        EXPECT_EQ(Text(directory), "d");
        EXPECT_EQ(Text(rest), "r");
    }
}

TEST(SuggestedFileName, TextAfterTheLastSeparator) {
    const std::pair<const char*, const char*> named[] = {
        {"C:\\docs\\a.doc", "a.doc"},
        {"/home/u/a.txt", "a.txt"},
        {"a/b\\c/d", "c/d"},
        {"\\x", "x"},
    };
    for (const auto& c : named) {
        SCOPED_TRACE(c.first);
        TextBuffer out(4);
        EXPECT_EQ(SuggestedFileName(c.first, out), 1);
        EXPECT_EQ(Text(out), c.second);
    }
    for (const char* path : {"a.doc", "C:\\docs\\", "dir/", "", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(path ? path : "(null)");
        TextBuffer out;
        out.Assign("old");
        EXPECT_EQ(SuggestedFileName(path, out), 0);
        EXPECT_EQ(Text(out), "old");
    }
}

TEST(FtpUrlHost, HostOfAnFtpUrl) {
    const std::pair<const char*, const char*> hosts[] = {
        {"ftp://host/pub", "host"},
        {"FTP://Host", "Host"},
        {"ftp:///x", ""},
        {"ftp://u:p@h:21/x/y", "u:p@h:21"},
    };
    for (const auto& c : hosts) {
        SCOPED_TRACE(c.first);
        TextBuffer host(4);
        host.Assign("old");
        EXPECT_EQ(FtpUrlHost(c.first, host), 1);
        EXPECT_EQ(Text(host), c.second);
    }
    for (const char* url : {"http://h/", "ftp:/h", "ftp:", "", static_cast<const char*>(nullptr)}) {
        TextBuffer host;
        host.Assign("old");
        EXPECT_EQ(FtpUrlHost(url, host), 0);
        EXPECT_EQ(Text(host), "old");
    }
}

TEST(UrlExtension, SafeExtensionOfTheLastName) {
    const std::string ext38 = "." + std::string(38, 'e');
    const std::string ext39 = "." + std::string(39, 'e');
    const std::pair<std::string, std::string> cases[] = {
        {"http://h/a/page.htm", ".htm"},
        {"http://h/a.b/page", ""},
        {"http://h/x.tar.gz", ".gz"},
        {"http://h/x" + ext38, ext38},
        {"http://h/x" + ext39, ""},
        {"http://h/x." + std::string(50, 'v'), ""},
        {"http://h/a.cgi?x=1", ""},
        {"http://h/a.", ""},
        {"http://h/a.h:m", ""},
        {"http://h/page", ""},
        {"", ""},
        // never an extension that Windows runs
        {"http://h/setup.exe", ""},
        {"http://h/evil.EXE", ""},
        {"http://h/x.dll", ""},
        {"http://h/run.bat", ""},
        {"http://h/a.js", ""},
        {"http://h/a.hta", ""},
        {"http://h/a.exe.", ""},
        {"http://h/a.exe%20", ".exe%20"},
        {"http://h/a.exe.txt", ".txt"},
        {"http://h/a.exec", ".exec"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        char out[64];
        std::memset(out, 'x', sizeof out);
        UrlExtension(c.first.c_str(), out, sizeof out);
        EXPECT_EQ(std::string(out), c.second);
    }
    // The out size bounds what is written.
    char out[8];
    std::memset(out, 'x', sizeof out);
    UrlExtension("http://h/a.html", out, 5);
    EXPECT_STREQ(out, "");
    UrlExtension("http://h/a.html", out, 6);
    EXPECT_STREQ(out, ".html");
    out[0] = 'x';
    UrlExtension("http://h/a.html", out, 0);
    EXPECT_EQ(out[0], 'x');
    UrlExtension(nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");
}

}  // namespace
