#include "net/socket_library.h"

#include "frame/strings.h"
#include "net/network.h"

SocketFunctionTable SocketFunctions = {};
HMODULE SocketLibrary = nullptr;

namespace {

template <typename T>
bool LookUp(HMODULE library, WORD ordinal, T* out) {
    FARPROC proc = GetProcAddress(library, MAKEINTRESOURCEA(ordinal));
    *out = reinterpret_cast<T>(reinterpret_cast<void*>(proc));
    return proc != nullptr;
}

void Unload() {
    if (SocketLibrary) FreeLibrary(SocketLibrary);
    SocketLibrary = nullptr;
    SocketFunctions = SocketFunctionTable{};
}

uint16_t Refuse(bool newlyLoaded, uint16_t messageId) {
    if (newlyLoaded) Unload();
    ShowMessageByIds(messageId, kMsgCaption, MB_ICONEXCLAMATION, nullptr);
    return 0;
}

bool BindTable(HMODULE library) {
#define ORB_LOOK_UP(ordinal, name) \
    if (!LookUp(library, ordinal, &SocketFunctions.name)) return false;
    ORB_SOCKET_FUNCTIONS(ORB_LOOK_UP)
#undef ORB_LOOK_UP
    return true;
}

}  // namespace

uint16_t BindSocketLibrary() {
    bool newlyLoaded = false;
    if (!SocketLibrary) {
        TextBuffer name(64);
        LoadStringInto(kStrSocketLibrary, name);
        UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        HMODULE library = LoadLibraryA(name.Text());
        SetErrorMode(oldMode);
        if (reinterpret_cast<UINT_PTR>(library) <= 32) {
            TextBuffer text(64);
            AppendFormatted(text, kMsgLoadFailed, 1, name.Text());
            ShowMessageCaptionById(text.Text(), kMsgCaption, MB_OK, nullptr);
            return 0;
        }
        SocketLibrary = library;
        newlyLoaded = true;
        LookUp(library, kWsaStartupOrdinal, &SocketFunctions.WSAStartup);
    }
    WSADATA data = {};
    if (!SocketFunctions.WSAStartup || SocketFunctions.WSAStartup(kRequestedSocketVersion, &data) != 0)
        return Refuse(newlyLoaded, kMsgSocketUnusable);
    unsigned major = LOBYTE(data.wVersion);
    unsigned minor = HIBYTE(data.wVersion);
    if (major < 1 || (major == 1 && minor < 1)) return Refuse(newlyLoaded, kMsgSocketUnusable);
    if (data.iMaxSockets < kMinSockets) return Refuse(newlyLoaded, kMsgTooFewSockets);
    if (!newlyLoaded) return 1;
    if (!BindTable(SocketLibrary)) return Refuse(true, kMsgSocketUnusable);
    return 1;
}

void ReleaseSocketLibrary() {
    if (!SocketLibrary) return;
    if (NetworkStartCount != 0) --NetworkStartCount;
    if (NetworkStartCount == 0) Unload();
}

uint16_t RepeatSocketStartup() {
    if (!SocketLibrary || !SocketFunctions.WSAStartup) return 0;
    WSADATA data = {};
    return SocketFunctions.WSAStartup(kRequestedSocketVersion, &data) == 0 ? 1 : 0;
}
