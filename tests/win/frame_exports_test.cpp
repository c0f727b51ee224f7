// The real OrbNetN01.dll as a host application loads it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "frame/orbnet_api.h"
#include "message_box_answerer.h"

namespace {

// "\\?\" and the path, as a wide text.
std::wstring Wide(const std::string& path) {
    std::wstring out = L"\\\\?\\";
    for (char c : path) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

std::wstring WideHere(const char* name) {
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    return Wide(std::string(here) + "\\" + name);
}

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

// A folder in the temporary folder whose path is about `length` characters
// long, made level by level (paths this long need the wide "\\?\" form).
std::string DeepFolder(size_t length) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "orbnet-long";
    while (dir.size() < length) dir += "\\" + std::string(40, 'd');
    for (size_t at = std::string(temp).size(); at != std::string::npos; at = dir.find('\\', at + 1))
        CreateDirectoryW(Wide(dir.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(Wide(dir).c_str(), nullptr);
    return dir;
}

TEST(Exports, LanguageModuleOnlyBesideTheLibraryWhateverItsPathLength) {
    // A library path of more than 256 characters; the language module lies
    // beside it in one case, and only along the search path (the program's
    // folder) in the other, where it must not be taken.
    const std::string dir = DeepFolder(300);
    const std::string library = dir + "\\OrbNetLong.dll";
    ASSERT_GT(library.size(), 256u);
    ASSERT_TRUE(CopyFileW(WideHere("OrbNetN01.dll").c_str(), Wide(library).c_str(), FALSE)) << GetLastError();
    const std::string beside = dir + "\\orbntenn1.dll";
    for (bool present : {true, false}) {
        SCOPED_TRACE(present ? "beside the library" : "only on the search path");
        if (present) ASSERT_TRUE(CopyFileW(WideHere("orbntenn1.dll").c_str(), Wide(beside).c_str(), FALSE));
        else DeleteFileW(Wide(beside).c_str());
        HMODULE dll = LoadLibraryW(Wide(library).c_str());
        ASSERT_TRUE(dll) << GetLastError();
        auto init = Export<NETInitProc>(dll, "NETInit");
        MessageBoxAnswerer answerer(IDOK);
        char code[4] = "en";
        EXPECT_EQ(init(code, nullptr), present ? 0 : 3);
        HMODULE language = GetModuleHandleA("orbntenn1.dll");
        if (present) {
            ASSERT_TRUE(language);
            char name[1024] = "";
            GetModuleFileNameA(language, name, sizeof name);
            EXPECT_EQ(std::string(name), beside);
            EXPECT_TRUE(answerer.boxes.empty());
        } else {
            EXPECT_FALSE(language) << "the module was taken from the search path";
            ASSERT_EQ(answerer.boxes.size(), 1u);
            EXPECT_EQ(answerer.boxes[0].text, beside);
        }
        FreeLibrary(dll);
    }
    DeleteFileW(Wide(library).c_str());
}

}  // namespace
