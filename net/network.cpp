#include "net/network.h"

#include <windows.h>

#include "frame/module.h"
#include "frame/strings.h"
#include "net/socket.h"
#include "net/socket_library.h"

uint16_t NetworkStartCount = 0;

namespace {
constexpr int kSocketWindowExtraBytes = 2;
}

uint16_t StartNetwork() {
    if (NetworkStartCount != 0) return 1;
    if (!BindSocketLibrary()) return 0;
    char className[kStringArraySize];
    LoadResourceString(kStrSocketWindowClass, className, sizeof className);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SocketWindowProc;
    windowClass.cbWndExtra = kSocketWindowExtraBytes;
    windowClass.hInstance = ModuleInstance;
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass)) {
        ReleaseSocketLibrary();
        return 0;
    }
    ++NetworkStartCount;
    return 1;
}

uint16_t StopNetwork(uint16_t remainingUsers) {
    if (NetworkStartCount == 0) return 1;
    if (SocketFunctions.WSACleanup) SocketFunctions.WSACleanup();
    if (remainingUsers != 0) return 1;
    // Commands own data sockets: empty every chain first, so that each owned
    // socket goes with its command and is deleted once.
    for (;;) {
        AsyncSocket* busy = nullptr;
        for (Socket* s = SocketList; s && !busy; s = s->next) {
            AsyncSocket* candidate = s->AsAsync();
            if (candidate && !candidate->chain.Empty()) busy = candidate;
        }
        if (!busy) break;
        busy->chain.Clear();
    }
    while (SocketList) delete SocketList;  // each deletion unlinks itself
    char className[kStringArraySize];
    LoadResourceString(kStrSocketWindowClass, className, sizeof className);
    UnregisterClassA(className, ModuleInstance);
    ReleaseSocketLibrary();
    return 1;
}
