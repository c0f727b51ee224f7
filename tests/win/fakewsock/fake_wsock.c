/* A stand-in socket library with a chosen WSAStartup answer, for the binding
 * tests. Only the handful of functions the socket layer calls at start and
 * stop do anything; the rest are inert. */
#include <windows.h>

#ifndef FAKE_VERSION
#define FAKE_VERSION 0x0101
#endif
#ifndef FAKE_MAX_SOCKETS
#define FAKE_MAX_SOCKETS 32
#endif

/* What the socket layer did with this library. */
typedef struct FakeCounters {
    LONG startups;
    LONG cleanups;
    LONG sockets;
    LONG closes;
} FakeCounters;

static FakeCounters counters;

FakeCounters* WINAPI fake_counters(void) { return &counters; }

int WINAPI fake_WSAStartup(WORD requested, WSADATA* data) {
    (void)requested;
    ++counters.startups;
    ZeroMemory(data, sizeof *data);
    data->wVersion = FAKE_VERSION;
    data->wHighVersion = FAKE_VERSION;
    data->iMaxSockets = FAKE_MAX_SOCKETS;
    return 0;
}

int WINAPI fake_WSACleanup(void) {
    ++counters.cleanups;
    return 0;
}

UINT_PTR WINAPI fake_socket(UINT_PTR a, UINT_PTR b, UINT_PTR c) {
    (void)a; (void)b; (void)c;
    return (UINT_PTR)(1000 + ++counters.sockets);
}

int WINAPI fake_closesocket(UINT_PTR s) {
    (void)s;
    ++counters.closes;
    return 0;
}

#define U UINT_PTR
#define STUB0(name) U WINAPI fake_##name(void) { return 0; }
#define STUB1(name) U WINAPI fake_##name(U a) { (void)a; return 0; }
#define STUB2(name) U WINAPI fake_##name(U a, U b) { (void)a; (void)b; return 0; }
#define STUB3(name) U WINAPI fake_##name(U a, U b, U c) { (void)a; (void)b; (void)c; return 0; }
#define STUB4(name) U WINAPI fake_##name(U a, U b, U c, U d) { (void)a; (void)b; (void)c; (void)d; return 0; }
#define STUB5(name) U WINAPI fake_##name(U a, U b, U c, U d, U e) \
    { (void)a; (void)b; (void)c; (void)d; (void)e; return 0; }
#define STUB6(name) U WINAPI fake_##name(U a, U b, U c, U d, U e, U f) \
    { (void)a; (void)b; (void)c; (void)d; (void)e; (void)f; return 0; }
#define STUB7(name) U WINAPI fake_##name(U a, U b, U c, U d, U e, U f, U g) \
    { (void)a; (void)b; (void)c; (void)d; (void)e; (void)f; (void)g; return 0; }

STUB3(accept) STUB3(bind) STUB3(connect) STUB3(getpeername) STUB3(getsockname)
STUB5(getsockopt) STUB1(htonl) STUB1(htons) STUB1(inet_addr) STUB1(inet_ntoa)
STUB3(ioctlsocket) STUB2(listen) STUB1(ntohl) STUB1(ntohs) STUB4(recv) STUB6(recvfrom)
STUB5(select) STUB4(send) STUB6(sendto) STUB5(setsockopt) STUB2(shutdown)
STUB3(gethostbyaddr) STUB1(gethostbyname) STUB1(getprotobyname) STUB1(getprotobynumber)
STUB2(getservbyname) STUB2(getservbyport) STUB2(gethostname) STUB4(WSAAsyncSelect)
STUB7(WSAAsyncGetHostByAddr) STUB5(WSAAsyncGetHostByName) STUB5(WSAAsyncGetProtoByNumber)
STUB5(WSAAsyncGetProtoByName) STUB6(WSAAsyncGetServByPort) STUB6(WSAAsyncGetServByName)
STUB1(WSACancelAsyncRequest) STUB1(WSASetBlockingHook) STUB0(WSAUnhookBlockingHook)
STUB0(WSAGetLastError) STUB1(WSASetLastError) STUB0(WSACancelBlockingCall) STUB0(WSAIsBlocking)
