#include <gtest/gtest.h>

#include <string>

#include "frame/text_buffer.h"
#include "transfer/url_parts.h"

namespace {

const SchemePrefixes kSchemes = {{"ftp://", "http://", "gopher://", "wais://"}};

struct RetrieveCase {
    const char* url;
    const char* normalised;
    uint16_t scheme;
    const char* host;
    const char* path;
    const char* directory;
    const char* fileName;
};

TEST(RetrieveUrl, TakesTheUrlApart) {
    const RetrieveCase cases[] = {
        {"ftp://host/pub/a.txt", "ftp://host/pub/a.txt", kSchemeFtp, "host", "/pub/a.txt", "/pub", "a.txt"},
        {"ftp://host/a.txt", "ftp://host/a.txt", kSchemeFtp, "host", "/a.txt", "/", "a.txt"},
        {"ftp://host", "ftp://host", kSchemeFtp, "host", "/", "/", ""},
        {"FTP://Host/Dir/", "FTP://Host/Dir/", kSchemeFtp, "Host", "/Dir/", "/Dir", ""},
        {"host/index.htm", "http://host/index.htm", kSchemeHttp, "host", "/index.htm", "/", "index.htm"},
        {"http://host:81/x.htm", "http://host:81/x.htm", kSchemeHttp, "host:81", "/x.htm", "/", "x.htm"},
        {"http:\\\\host\\a\\b.htm", "http://host/a/b.htm", kSchemeHttp, "host", "/a/b.htm", "/a", "b.htm"},
        {"gopher://g.example/1/x", "gopher://g.example/1/x", kSchemeGopher, "g.example", "/1/x", "/1", "x"},
        {"WAIS://w/db", "WAIS://w/db", kSchemeWais, "w", "/db", "/", "db"},
        {"http://host/a/b/c?q=1", "http://host/a/b/c?q=1", kSchemeHttp, "host", "/a/b/c?q=1", "/a/b", "c?q=1"},
        // No host, or a scheme of another kind: the host stays empty.
        {"http:///x", "http:///x", kSchemeHttp, "", "", "", ""},
        {"mailto://someone", "mailto://someone", kSchemeHttp, "", "", "", ""},
        {"c:\\docs\\a.doc", "c:/docs/a.doc", kSchemeHttp, "", "", "", ""},
        {"", "http://", kSchemeHttp, "", "", "", ""},
    };
    for (const RetrieveCase& c : cases) {
        SCOPED_TRACE(c.url);
        RetrieveUrl u;
        ParseRetrieveUrl(c.url, kSchemes, u);
        EXPECT_STREQ(u.url.Text(), c.normalised);
        EXPECT_EQ(u.scheme, c.scheme);
        EXPECT_STREQ(u.host.Text(), c.host);
        EXPECT_STREQ(u.path.Text(), c.path);
        EXPECT_STREQ(u.directory.Text(), c.directory);
        EXPECT_STREQ(u.fileName.Text(), c.fileName);
    }
}

struct StoreCase {
    const char* url;
    uint16_t several;
    const char* host;
    const char* directory;
    const char* fileName;
};

TEST(StoreUrl, TakesTheUrlApart) {
    const StoreCase cases[] = {
        {"ftp://host/pub/a.txt", 0, "host", "/pub", "a.txt"},
        {"ftp://host/a.txt", 0, "host", "/", "a.txt"},
        {"Ftp://host/dir/", 0, "host", "/dir", ""},
        {"ftp://host/pub", 1, "host", "/pub/", ""},
        {"ftp://host/pub/", 1, "host", "/pub/", ""},
        // A host without a slash after it: the top directory.
        {"ftp://host", 0, "host", "/", ""},
        {"ftp://host", 1, "host", "/", ""},
        // Only ftp URLs are taken apart.
        {"http://host/a.txt", 0, "", "", ""},
        {"ftp:/", 0, "", "", ""},
    };
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.url);
        StoreUrl u;
        ParseStoreUrl(c.url, c.several, u);
        EXPECT_STREQ(u.host.Text(), c.host);
        EXPECT_STREQ(u.directory.Text(), c.directory);
        EXPECT_STREQ(u.fileName.Text(), c.fileName);
    }
}

TEST(HostPort, SplitsOnlyAWholeNumber) {
    const struct {
        const char* host;
        uint16_t split;
        const char* name;
        uint16_t port;
    } cases[] = {
        {"host:81", 1, "host", 81},   {"host:65535", 1, "host", 65535}, {"host", 0, "host", 7},
        {"host:", 0, "host:", 7},     {"host:65536", 0, "host:65536", 7}, {"host:0", 0, "host:0", 7},
        {"host:8x", 0, "host:8x", 7}, {":80", 0, ":80", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        TextBuffer host;
        host.Assign(c.host);
        uint16_t port = 7;
        EXPECT_EQ(SplitHostPort(host, &port), c.split);
        EXPECT_STREQ(host.Text(), c.name);
        EXPECT_EQ(host.length, std::string(c.name).size());
        EXPECT_EQ(port, c.port);
    }
}

TEST(Extension, ComesFromTheFileNameAndIsSafe) {
    const struct {
        const char* fileName;
        const char* extension;
    } cases[] = {
        {"index.htm", ".htm"},
        {"a.b.txt", ".txt"},
        {"noext", ""},
        {"", ""},
        {"page.cgi?x=1.2", ".cgi"},
        {"doc.pdf#top", ".pdf"},
        {"trailing.", ""},
        {"x.a:stream", ""},
        {"x.a\\b", ""},
        {"x.a<b", ""},
        {"x.a@b", ""},
        {"x.a\tb", ""},
        {"x.0123456789012345678901234567890123456789", ".01234567890123456789012345678901234567"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        char out[40];
        FileNameExtension(c.fileName, out, sizeof out);
        EXPECT_STREQ(out, c.extension);
    }
    char small[3];
    FileNameExtension("a.htm", small, sizeof small);
    EXPECT_STREQ(small, "");
}

TEST(Extension, SafetyRule) {
    for (const char* ok : {".htm", ".tar", ".x_y-z"}) EXPECT_TRUE(IsSafeExtension(ok)) << ok;
    for (const char* bad : {"htm", ".", "", ".a/b", ".a\\b", ".a:b", ".a*", ".a?", ".a=b", ".a>", ".a|b", ".a\"b",
                            ".a.b"})
        EXPECT_FALSE(IsSafeExtension(bad)) << bad;
    EXPECT_FALSE(IsSafeExtension(nullptr));
}

}  // namespace
