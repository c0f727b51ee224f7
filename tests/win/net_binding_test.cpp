// Starting and stopping the socket layer on a stand-in socket library. Each
// copy of this program lives beside one variant (ORB_FAKE_WSOCK names it).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "frame/module.h"
#include "frame/strings.h"
#include "message_box_answerer.h"
#include "net/network.h"
#include "net/socket.h"
#include "net/socket_library.h"

namespace {

struct FakeCounters {
    LONG startups;
    LONG cleanups;
    LONG sockets;
    LONG closes;
};
typedef FakeCounters*(WINAPI* FakeCountersProc)();

struct Variant {
    const char* name;
    bool accepted;
    uint16_t message;  // shown on refusal
};

const Variant kVariants[] = {
    {"v10", false, kMsgSocketUnusable},   // version 1.0
    {"v11", true, 0},
    {"v20", true, 0},
    {"max2", false, kMsgTooFewSockets},   // iMaxSockets 2
    {"max3", true, 0},
    {"no114", false, kMsgSocketUnusable}, // lacks WSAIsBlocking
    {"broken", false, kMsgLoadFailed},    // not a library at all
};

const char kClassName[] = "ORBNETAsyncSocketWindow";

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.rfind('\\') + 1);
}

bool ClassRegistered() {
    WNDCLASSA info;
    return GetClassInfoA(ModuleInstance, kClassName, &info) != 0;
}

FakeCounters* Counters() {
    HMODULE library = GetModuleHandleA("wsock32.dll");
    if (!library) return nullptr;
    auto proc = reinterpret_cast<FakeCountersProc>(
        reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(200))));
    return proc ? proc() : nullptr;
}

class Tracked : public AsyncSocket {
public:
    Tracked(bool* deleted_) : AsyncSocket(nullptr), deleted(deleted_) {}
    ~Tracked() override { *deleted = true; }
    void OnSocketEvent(uint16_t, uint16_t) override {}
    bool* deleted;
};

// Owns a socket object, as the data-connection commands do.
class Owning : public Command {
public:
    Owning(AsyncSocket* owner_, Socket* owned_) : Command(owner_, kAcceptWait), owned(owned_) {}
    ~Owning() override { delete owned; }
    uint16_t Start() override { return 1; }
    Socket* owned;
};

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        char name[32] = "";
        GetEnvironmentVariableA("ORB_FAKE_WSOCK", name, sizeof name);
        for (const Variant& v : kVariants)
            if (std::strcmp(v.name, name) == 0) variant = &v;
        ASSERT_TRUE(variant) << "ORB_FAKE_WSOCK=" << name;
        ASSERT_FALSE(GetModuleHandleA("wsock32.dll"));
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        library = LoadLibraryA((std::string(cwd) + "\\OrbNetN01.dll").c_str());
        language = LoadLibraryA((std::string(cwd) + "\\orbntenn1.dll").c_str());
        ASSERT_TRUE(library);
        ASSERT_TRUE(language);
        ModuleInstance = library;
        ResourceModule = language;
    }
    void TearDown() override {
        StopNetwork(0);
        ModuleInstance = nullptr;
        ResourceModule = nullptr;
        if (language) FreeLibrary(language);
        if (library) FreeLibrary(library);
    }
    std::string Text(uint16_t id) {
        char text[kStringArraySize];
        LoadResourceString(id, text, sizeof text);
        return text;
    }
    const Variant* variant = nullptr;
    HMODULE library = nullptr;
    HMODULE language = nullptr;
};

TEST_F(Binding, RefusedWithItsMessageOrAccepted) {
    MessageBoxAnswerer answerer(IDOK);
    EXPECT_EQ(StartNetwork(), variant->accepted ? 1 : 0);
    if (!variant->accepted) {
        ASSERT_EQ(answerer.boxes.size(), 1u);
        std::string expected = variant->message == kMsgLoadFailed
                                   ? "wsock32.dll could not be opened."
                                   : Text(variant->message);
        EXPECT_EQ(answerer.boxes[0].text, expected);
        EXPECT_EQ(answerer.boxes[0].caption, "Internet");
        EXPECT_EQ(NetworkStartCount, 0);
        EXPECT_FALSE(SocketLibrary);
        EXPECT_FALSE(GetModuleHandleA("wsock32.dll"));  // unloaded again
        EXPECT_FALSE(SocketFunctions.WSAStartup);
        EXPECT_FALSE(SocketFunctions.accept);
        EXPECT_FALSE(ClassRegistered());
        return;
    }
    EXPECT_TRUE(answerer.boxes.empty());
    EXPECT_EQ(NetworkStartCount, 1);
    EXPECT_TRUE(ClassRegistered());
    // The library beside the program was taken, and bound in full.
    char path[MAX_PATH];
    GetModuleFileNameA(SocketLibrary, path, MAX_PATH);
    EXPECT_EQ(std::string(path), ProgramFolder() + "wsock32.dll");
    EXPECT_TRUE(SocketFunctions.accept);
    EXPECT_TRUE(SocketFunctions.WSAIsBlocking);
    EXPECT_TRUE(SocketFunctions.WSACleanup);
}

TEST_F(Binding, LaterStartsOnlyRunStartupAgain) {
    if (!variant->accepted) GTEST_SKIP() << "refused variant";
    ASSERT_EQ(StartNetwork(), 1);
    FakeCounters* counters = Counters();
    ASSERT_TRUE(counters);
    EXPECT_EQ(counters->startups, 1);
    EXPECT_EQ(StartNetwork(), 1);  // already started: nothing at all
    EXPECT_EQ(counters->startups, 1);

    // While loaded, binding runs WSAStartup once more and looks nothing up.
    SocketFunctions.WSAIsBlocking = nullptr;
    EXPECT_EQ(BindSocketLibrary(), 1);
    EXPECT_EQ(counters->startups, 2);
    EXPECT_FALSE(SocketFunctions.WSAIsBlocking);
    EXPECT_EQ(RepeatSocketStartup(), 1);
    EXPECT_EQ(counters->startups, 3);
    EXPECT_EQ(NetworkStartCount, 1);
}

TEST_F(Binding, StopKeepsEverythingWhileUsersRemainThenDeletesIt) {
    if (!variant->accepted) GTEST_SKIP() << "refused variant";
    EXPECT_EQ(StopNetwork(0), 1);  // not started: nothing to do
    ASSERT_EQ(StartNetwork(), 1);
    HMODULE extra = LoadLibraryA("wsock32.dll");  // keeps the counters readable
    FakeCounters* counters = Counters();
    ASSERT_TRUE(counters);

    bool sessionDeleted = false, otherDeleted = false, dataDeleted = false;
    Tracked* session = new Tracked(&sessionDeleted);
    new Tracked(&otherDeleted);
    // A socket made after its owner command's session, so it is first in the list.
    Tracked* data = new Tracked(&dataDeleted);
    session->chain.Append(new Owning(session, data));
    HWND window = session->window;
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(counters->sockets, 3);

    EXPECT_EQ(StopNetwork(1), 1);
    EXPECT_EQ(counters->cleanups, 1);
    EXPECT_FALSE(sessionDeleted || otherDeleted || dataDeleted);
    EXPECT_EQ(SocketList, data);
    EXPECT_TRUE(ClassRegistered());
    EXPECT_EQ(NetworkStartCount, 1);
    EXPECT_EQ(SocketLibrary, extra);

    EXPECT_EQ(StopNetwork(0), 1);
    EXPECT_EQ(counters->cleanups, 2);
    EXPECT_TRUE(sessionDeleted && otherDeleted && dataDeleted);
    EXPECT_EQ(counters->closes, 3);  // each socket closed once
    EXPECT_FALSE(SocketList);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(ClassRegistered());
    EXPECT_EQ(NetworkStartCount, 0);
    EXPECT_FALSE(SocketLibrary);
    FreeLibrary(extra);
    EXPECT_FALSE(GetModuleHandleA("wsock32.dll"));
}

}  // namespace
