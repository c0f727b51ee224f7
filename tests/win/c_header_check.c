/* The public header as a C host uses it: records, callbacks, entry-point
 * types and result codes, with the library loaded at run time. */
#include "frame/orbnet_api.h"

static unsigned short WINAPI NoHelp(DWORD helpId) {
    (void)helpId;
    return 0;
}

static unsigned short WINAPI OneType(WORD kind, char* buffer, WORD size, WORD* defaultIndex) {
    (void)kind;
    (void)size;
    buffer[0] = '\0';
    *defaultIndex = 0;
    return 0;
}

/* NETAvailable's result after NETInit, or a negative number when the
 * library or an entry point is missing. */
int CHeaderCallsTheLibrary(void) {
    HMODULE dll = LoadLibraryA("OrbNetN01.dll");
    NETInitProc init;
    NETAvailableProc available;
    NETCleanProc clean;
    NETOpenProc open;
    OrbFilterCallback filter = OneType;
    OrbLoginInfo login = {"alice", "secret", 1};
    OrbProxyInfo proxy = {"127.0.0.1", 8080, 1};
    char code[3] = "en";
    LONG result;
    if (!dll) return -1;
    init = (NETInitProc)(void*)GetProcAddress(dll, "NETInit");
    available = (NETAvailableProc)(void*)GetProcAddress(dll, "NETAvailable");
    clean = (NETCleanProc)(void*)GetProcAddress(dll, "NETClean");
    open = (NETOpenProc)(void*)GetProcAddress(dll, "NETOpen");
    if (!init || !available || !clean || !open || !filter || login.passive != 1 || proxy.kind != 1) {
        FreeLibrary(dll);
        return -2;
    }
    if (init(code, NoHelp) != ORBNET_OK) {
        FreeLibrary(dll);
        return -3;
    }
    result = available();
    clean();
    FreeLibrary(dll);
    return (int)result;
}
