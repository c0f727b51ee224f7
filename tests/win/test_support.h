#ifndef ORBNET_TESTS_TEST_SUPPORT_H
#define ORBNET_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "frame/module.h"
#include "net/network.h"

// The whole content of a file ("" when it cannot be read).
inline std::string ReadWholeFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "";
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

// The protocol log of this process.
inline std::string ReadProtocolLog() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return ReadWholeFile(std::string(temp) + "orbnet.log");
}

// Test suites that talk through the library's socket layer: its strings come
// from the built DLL, the network is started once per suite.
class NetworkSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = LoadLibraryExA("OrbNetN01.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ModuleInstance = library_;
        ASSERT_EQ(StartNetwork(), 1);
    }
    static void TearDownTestSuite() {
        StopNetwork(0);
        ModuleInstance = nullptr;
        FreeLibrary(library_);
    }

private:
    static inline HMODULE library_ = nullptr;
};

#endif
