#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/core/url_parts.h"
#include "ui/filedialog/core/remote_location.h"

namespace {

const SchemePrefixes kSchemes = {{"ftp://", "http://", "gopher://", "wais://", "https://"}};

std::string Shown(const RemoteLocation& location) {
    TextBuffer out;
    location.Display(out);
    return out.Text();
}

// Each step: a directory change that succeeded, or (server true) what PWD
// named; then where the record stands.
struct Step {
    const char* argument;
    bool server;
    uint16_t taken;
    const char* shown;
};

}  // namespace

TEST(RemoteLocation, FollowsDirectoryChangesAndTheServersPaths) {
    struct Case {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"names below the login directory",
         {{"docs", false, 1, "docs"}, {"a b", false, 1, "docs/a b"}, {".", false, 1, "docs/a b"},
          {"", false, 1, "docs/a b"}, {"..", false, 1, "docs"}, {"x/y/", false, 1, "docs/x/y"}}},
        {"above the login directory", {{"..", false, 1, ".."}, {"..", false, 1, "../.."}, {"pub", false, 1, "../../pub"}}},
        {"absolute changes", {{"docs", false, 1, "docs"}, {"/pub//in", false, 1, "/pub/in"}, {"..", false, 1, "/pub"},
                              {"../..", false, 1, "/"}, {"x", false, 1, "/x"}}},
        {"Windows forms", {{"C:\\ftp\\docs", false, 1, "/ftp/docs"}, {"\\pub", false, 1, "/pub"},
                           {"d:/x", false, 1, "/x"}, {"a\\b", false, 1, "/x/a\\b"}}},
        {"the server's absolute path wins",
         {{"docs", false, 1, "docs"}, {"/home/alice/docs", true, 1, "/home/alice/docs"}, {"sub", false, 1, "/home/alice/docs/sub"}}},
        {"what is no path leaves the record",
         {{"DOCS", false, 1, "DOCS"}, {"DISK$USER:[ALICE.DOCS]", true, 0, "DOCS"}, {"@evil.test/x", true, 0, "DOCS"},
          {".evil.test/pub", true, 0, "DOCS"}, {":@evil.test/", true, 0, "DOCS"}, {"", true, 0, "DOCS"}}},
        {"the server's Windows path", {{"C:\\inetpub\\ftproot\\docs", true, 1, "/inetpub/ftproot/docs"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoteLocation location;
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.argument);
            EXPECT_EQ(step.server ? location.TakeServerPath(step.argument) : location.Enter(step.argument), step.taken);
            EXPECT_EQ(Shown(location), step.shown);
        }
        location.Reset();
        EXPECT_EQ(Shown(location), "");
        EXPECT_FALSE(location.Absolute());
    }
}

TEST(RemoteLocation, TooLongIsRefusedUnchanged) {
    RemoteLocation location;
    ASSERT_EQ(location.Enter("/pub"), 1);
    const std::string huge(70000, 'x');
    EXPECT_EQ(location.Enter(huge.c_str()), 0);
    EXPECT_EQ(location.TakeServerPath(("/" + huge).c_str()), 0);
    EXPECT_EQ(Shown(location), "/pub");
}

TEST(RemoteUrl, EncodesEverySegment) {
    struct Case {
        const char* host;
        const char* server;  // PWD
        const char* name;
        const char* url;
    } cases[] = {
        {"127.0.0.71", "/pub/docs", "new.txt", "ftp://127.0.0.71/pub/docs/new.txt"},
        {"host:2121", "/", "a.txt", "ftp://host:2121/a.txt"},
        {"host", "/", nullptr, "ftp://host/"},
        {"host", "/pub", "", "ftp://host/pub/"},
        {"host", "/my docs/50% off", "a%41.txt", "ftp://host/my%20docs/50%25%20off/a%2541.txt"},
        {"host", "/q?#;", "x@y:z", "ftp://host/q%3F%23%3B/x%40y%3Az"},
        {"host", "/", "sub/x.txt", "ftp://host/sub/x.txt"},
        {"host", "/", "a\\b.txt", "ftp://host/a%5Cb.txt"},
        {"host", "/", "\r\n\x7f\xe9", "ftp://host/%0D%0A%7F%E9"},
        {"host", "/", "keep-._~!$&'()*+,=", "ftp://host/keep-._~!$&'()*+,="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        RemoteLocation location;
        ASSERT_EQ(location.TakeServerPath(c.server), 1);
        TextBuffer url;
        ASSERT_EQ(BuildRemoteUrl(c.host, location, c.name, url), 1);
        EXPECT_STREQ(url.Text(), c.url);
    }
}

// Whatever the server said its directory is, the URL names the host the
// session connected to.
TEST(RemoteUrl, TheHostIsTheOneConnectedTo) {
    const char* pwds[] = {"@evil.test/x", ".evil.test/pub", ":@evil.test/", "docs", "DISK$USER:[ALICE.DOCS]"};
    for (const char* pwd : pwds) {
        SCOPED_TRACE(pwd);
        RemoteLocation location;
        location.Enter("docs");
        location.TakeServerPath(pwd);
        TextBuffer url;
        ASSERT_EQ(BuildRemoteUrl("127.0.0.71", location, "new.txt", url), 1);
        EXPECT_STREQ(url.Text(), "ftp://127.0.0.71/docs/new.txt");
        RetrieveUrl parsed;
        ParseRetrieveUrl(url.Text(), kSchemes, parsed);
        EXPECT_STREQ(parsed.host.Text(), "127.0.0.71");
        EXPECT_EQ(parsed.hasLogin, 0);
    }
    RemoteLocation location;
    TextBuffer url;
    url.Assign("unchanged");
    for (const char* host : {"", "a@b", "a/b", "a b", "a?b", "a#b", "a\\b", "a\rb"}) {
        SCOPED_TRACE(host);
        EXPECT_EQ(BuildRemoteUrl(host, location, "x", url), 0);
        EXPECT_STREQ(url.Text(), "unchanged");
    }
    EXPECT_EQ(BuildRemoteUrl(nullptr, location, "x", url), 0);
}

// Taken apart again as a retrieve takes it, the URL gives back the same
// directory and name, byte for byte.
TEST(RemoteUrl, ParsesBackToTheSameFile) {
    const char* directories[] = {"/", "/pub", "/a%41", "/50% off/x", "/q?/#/@/:", "/back\\slash", "/\xe9t\xe9"};
    const char* names[] = {"a.txt", "a%41.txt", "star*?.txt", "x y", "#1", "@evil.test", "a;type=i", "\xe9.doc"};
    for (const char* directory : directories) {
        for (const char* name : names) {
            SCOPED_TRACE(std::string(directory) + " | " + name);
            RemoteLocation location;
            ASSERT_EQ(location.TakeServerPath(directory), 1);
            TextBuffer url;
            ASSERT_EQ(BuildRemoteUrl("127.0.0.8", location, name, url), 1);
            RetrieveUrl parsed;
            ParseRetrieveUrl(url.Text(), kSchemes, parsed);
            EXPECT_STREQ(parsed.host.Text(), "127.0.0.8");
            EXPECT_EQ(parsed.refused, 0);
            EXPECT_STREQ(parsed.directory.Text(), directory);
            EXPECT_STREQ(parsed.fileName.Text(), name);
            StoreUrl store;
            ParseStoreUrl(url.Text(), 0, store);
            EXPECT_STREQ(store.host.Text(), "127.0.0.8");
            EXPECT_STREQ(store.directory.Text(), directory);
            EXPECT_STREQ(store.fileName.Text(), name);
        }
    }
}
