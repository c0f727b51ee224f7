// The real OrbNetN01.dll as a host application loads it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "frame/orbnet_api.h"
#include "message_box_answerer.h"

namespace {

template <typename T>
T Export(HMODULE dll, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

TEST(Exports, AllTwelveUndecorated) {
    HMODULE dll = LoadLibraryA("OrbNetN01.dll");
    ASSERT_TRUE(dll);
    const char* names[] = {"NETInit", "NETClean", "NETAvailable", "NETOptions", "NETOpen", "NETBrowse",
                           "NETSaveAs", "NETBrowseDirectory", "NETCloseBrowseDirectory", "NETRetrieveFile",
                           "NETStoreFile", "NETStoreMultipleFiles"};
    for (const char* n : names) EXPECT_TRUE(GetProcAddress(dll, n)) << n;
    FreeLibrary(dll);
}

TEST(Exports, InitAndCleanBalance) {
    HMODULE dll = LoadLibraryA("OrbNetN01.dll");
    ASSERT_TRUE(dll);
    auto init = Export<NETInitProc>(dll, "NETInit");
    auto clean = Export<NETCleanProc>(dll, "NETClean");
    auto many = Export<NETStoreMultipleFilesProc>(dll, "NETStoreMultipleFiles");
    MessageBoxAnswerer answerer(IDOK);

    EXPECT_EQ(clean(), 2);  // nothing to balance

    char code[8] = "enx";
    EXPECT_EQ(init(code, nullptr), 0);
    EXPECT_STREQ(code, "en");  // only the first two letters count
    EXPECT_TRUE(GetModuleHandleA("orbntenn1.dll"));

    char other[8] = "frx";  // the module stays; the code is not touched
    EXPECT_EQ(init(other, nullptr), 0);
    EXPECT_STREQ(other, "frx");

    EXPECT_EQ(many(nullptr, "ftp://h/", "a\0", 0, nullptr, nullptr), 2);
    EXPECT_EQ(clean(), 0);
    EXPECT_EQ(clean(), 2);
    EXPECT_TRUE(answerer.boxes.empty());
    FreeLibrary(dll);
}

TEST(Exports, MissingLanguageModule) {
    // A copy of the library in a folder without its language module.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "orbnet-missing";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string copy = dir + "\\OrbNetMissing.dll";
    ASSERT_TRUE(CopyFileA("OrbNetN01.dll", copy.c_str(), FALSE));
    HMODULE dll = LoadLibraryA(copy.c_str());
    ASSERT_TRUE(dll);
    auto init = Export<NETInitProc>(dll, "NETInit");
    MessageBoxAnswerer answerer(IDOK);
    char code[4] = "de";
    EXPECT_EQ(init(code, nullptr), 3);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].text, dir + "\\orbntden1.dll");
    EXPECT_EQ(answerer.boxes[0].caption, "");  // no module, no caption text
    // It may be called again.
    EXPECT_EQ(init(code, nullptr), 3);
    EXPECT_EQ(answerer.boxes.size(), 2u);
    FreeLibrary(dll);
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(dir.c_str());
}

}  // namespace
