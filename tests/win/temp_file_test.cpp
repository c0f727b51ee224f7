// Temporary files for documents retrieved without a local name.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"
#include "transfer/temp_file.h"

namespace {

class TempFile : public NetworkSuite {
protected:
    static std::string TempFolder() {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        return folder;
    }
};

TEST_F(TempFile, NameCarriesASafeExtensionOnly) {
    const struct {
        const char* extension;  // null: none given
        const char* expectedEnd;
    } cases[] = {
        {".htm", ".htm"},
        {".pdf", ".pdf"},
        {nullptr, ".tmp"},
        {".a\\..\\..\\x", ".tmp"},  // path characters
        {".txt:stream", ".tmp"},    // an alternate stream
        {".a/b", ".tmp"},
        {"htm", ".tmp"},            // no leading dot
        {".x?y", ".tmp"},
        // never one that Windows runs
        {".exe", ".tmp"},
        {".Bat", ".tmp"},
        {".dll", ".tmp"},
        {".exe ", ".tmp"},
    };
    const std::string folder = TempFolder();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension ? c.extension : "(none)");
        char name[MAX_PATH + 1] = "";
        ASSERT_EQ(MakeTempFileName(772, name, sizeof name, c.extension), 1);
        std::string made = name;
        EXPECT_EQ(made.compare(0, folder.size(), folder), 0) << made;
        EXPECT_EQ(made.compare(folder.size(), 3, "orb"), 0) << made;  // the prefix text
        ASSERT_GE(made.size(), std::strlen(c.expectedEnd));
        EXPECT_EQ(made.substr(made.size() - std::strlen(c.expectedEnd)), c.expectedEnd);
        bool exists = false;
        EXPECT_EQ(ReadWholeFile(made, &exists), "");
        EXPECT_TRUE(exists) << "the file is made, empty";
        // Only the one file: no system .tmp file is left beside it.
        if (std::string(c.expectedEnd) != ".tmp") {
            std::string tmp = made.substr(0, made.size() - std::strlen(c.expectedEnd)) + ".tmp";
            EXPECT_EQ(GetFileAttributesA(tmp.c_str()), INVALID_FILE_ATTRIBUTES) << tmp;
        }
        DeleteFileA(made.c_str());
    }
}

TEST_F(TempFile, ManyNamesNeverReuseAFile) {
    // Each call makes a new file, even when earlier ones are kept.
    std::vector<std::string> made;
    for (int i = 0; i < 40; ++i) {
        char name[MAX_PATH + 1] = "";
        ASSERT_EQ(MakeTempFileName(772, name, sizeof name, ".htm"), 1);
        for (const std::string& earlier : made) ASSERT_NE(earlier, name);
        WriteWholeFile(name, "document " + std::to_string(i));
        made.push_back(name);
    }
    for (size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(ReadWholeFile(made[i]), "document " + std::to_string(i));
        DeleteFileA(made[i].c_str());
    }
}

// The system picks its numbers from the tick count: documents of earlier
// retrieves with the numbers coming next are never taken over or emptied.
TEST_F(TempFile, ExistingDocumentsWithTheNextNumbersStayUntouched) {
    const std::string folder = TempFolder();
    std::vector<std::string> earlier;
    DWORD tick = GetTickCount();
    for (DWORD i = 0; i < 3000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "orb%x.htm", static_cast<unsigned>((tick + i) & 0xFFFF));
        earlier.push_back(folder + name);
        WriteWholeFile(earlier.back(), "earlier document");
    }
    char made[MAX_PATH + 1] = "";
    ASSERT_EQ(MakeTempFileName(772, made, sizeof made, ".htm"), 1);
    bool exists = false;
    EXPECT_EQ(ReadWholeFile(made, &exists), "");
    EXPECT_TRUE(exists);
    for (const std::string& path : earlier) {
        EXPECT_EQ(ReadWholeFile(path), "earlier document") << path;
        EXPECT_NE(path, made);
        DeleteFileA(path.c_str());
    }
    DeleteFileA(made);
}

TEST_F(TempFile, ResultIsCutToTheBuffer) {
    char small[8];
    std::memset(small, 'z', sizeof small);
    MakeTempFileName(772, small, sizeof small, ".htm");
    EXPECT_EQ(std::strlen(small), sizeof small - 1u);
}

}  // namespace
