#ifndef ORBNET_TESTS_TEST_SUPPORT_H
#define ORBNET_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/module.h"
#include "net/network.h"

// The whole content of a file ("" when it cannot be read; *exists tells).
inline std::string ReadWholeFile(const std::string& path, bool* exists = nullptr) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (exists) *exists = f != nullptr;
    if (!f) return "";
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

// A JSON string literal holding bytes (latin-1, as the test servers send them).
// How many files match a pattern such as "C:\\dir\\orb*".
inline int CountFiles(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

inline std::string Json(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        char esc[8];
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x7f) {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// A scripted server's state folder (ending in a backslash): its new script,
// with the transcript of earlier connections removed.
inline void WriteServerScript(const char* state, const std::string& json) {
    WriteWholeFile(std::string(state) + "script.json", json);
    std::remove((std::string(state) + "transcript.txt").c_str());
}

inline std::string ServerTranscript(const char* state) { return ReadWholeFile(std::string(state) + "transcript.txt"); }

// The port a server of that state folder listens on (0 when unknown).
inline uint16_t ServerPort(const char* state) {
    return static_cast<uint16_t>(std::atoi(ReadWholeFile(std::string(state) + "port").c_str()));
}

// The protocol log of this process.
inline std::string ReadProtocolLog() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return ReadWholeFile(std::string(temp) + "orbnet.log");
}

// The library's settings in the per-user registry.
constexpr char kSettingsRoot[] = "Software\\Marlin\\Components\\Internet\\1.0\\";

inline void DeleteRegistryTree(HKEY parent, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    for (;;) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteRegistryTree(key, child);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, path);
}

inline void SetSetting(const char* section, const std::string& name, const std::string& text) {
    HKEY key;
    std::string path = std::string(kSettingsRoot) + section;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

inline void SetNumberSetting(const char* section, const std::string& name, DWORD number) {
    HKEY key;
    std::string path = std::string(kSettingsRoot) + section;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
}

// A stored value, or "<none>" when it does not exist.
inline std::string GetSetting(const char* section, const std::string& name) {
    std::string path = std::string(kSettingsRoot) + section;
    char value[1024];
    DWORD size = sizeof value - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
    LONG r = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return "<none>";
    value[size] = '\0';
    return value;
}

// Test suites that talk through the library's socket layer: its strings and
// pictures come from the built DLL, texts and templates from the language
// module, the network is started once per suite.
class NetworkSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = LoadLibraryExA("OrbNetN01.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        language_ = LoadLibraryExA("orbntenn1.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ModuleInstance = library_;
        ResourceModule = language_;
        ASSERT_EQ(StartNetwork(), 1);
    }
    static void TearDownTestSuite() {
        StopNetwork(0);
        ModuleInstance = nullptr;
        ResourceModule = nullptr;
        FreeLibrary(language_);
        FreeLibrary(library_);
    }

private:
    static inline HMODULE library_ = nullptr;
    static inline HMODULE language_ = nullptr;
};

#endif
