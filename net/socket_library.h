#ifndef ORBNET_NET_SOCKET_LIBRARY_H
#define ORBNET_NET_SOCKET_LIBRARY_H

// The socket library, loaded at run time and bound by ordinal. The winsock
// declarations are used only for their types; nothing links against them.
#include <windows.h>
#include <cstdint>

// Ordinal and name of each bound function, in lookup order.
#define ORB_SOCKET_FUNCTIONS(X)                                                           \
    X(1, accept) X(2, bind) X(3, closesocket) X(4, connect) X(5, getpeername)             \
    X(6, getsockname) X(7, getsockopt) X(8, htonl) X(9, htons) X(10, inet_addr)           \
    X(11, inet_ntoa) X(12, ioctlsocket) X(13, listen) X(14, ntohl) X(15, ntohs)           \
    X(16, recv) X(17, recvfrom) X(18, select) X(19, send) X(20, sendto)                   \
    X(21, setsockopt) X(22, shutdown) X(23, socket) X(51, gethostbyaddr)                  \
    X(52, gethostbyname) X(53, getprotobyname) X(54, getprotobynumber)                    \
    X(55, getservbyname) X(56, getservbyport) X(57, gethostname) X(101, WSAAsyncSelect)   \
    X(102, WSAAsyncGetHostByAddr) X(103, WSAAsyncGetHostByName)                           \
    X(104, WSAAsyncGetProtoByNumber) X(105, WSAAsyncGetProtoByName)                       \
    X(106, WSAAsyncGetServByPort) X(107, WSAAsyncGetServByName)                           \
    X(108, WSACancelAsyncRequest) X(109, WSASetBlockingHook) X(110, WSAUnhookBlockingHook) \
    X(111, WSAGetLastError) X(112, WSASetLastError) X(113, WSACancelBlockingCall)         \
    X(114, WSAIsBlocking) X(116, WSACleanup)

constexpr WORD kWsaStartupOrdinal = 115;
constexpr WORD kRequestedSocketVersion = 0x0101;
constexpr unsigned kMinSockets = 3;

// Entry points of the bound socket library; all null while it is not loaded.
struct SocketFunctionTable {
#define ORB_SOCKET_MEMBER(ordinal, name) decltype(&::name) name;
    ORB_SOCKET_FUNCTIONS(ORB_SOCKET_MEMBER)
#undef ORB_SOCKET_MEMBER
    decltype(&::WSAStartup) WSAStartup;
};

extern SocketFunctionTable SocketFunctions;
// The loaded socket library, or null.
extern HMODULE SocketLibrary;

// Loads (once), starts and binds the socket library. 1 on success; 0 after
// its failure message was shown, the library unloaded when this call loaded it.
uint16_t BindSocketLibrary();
// Counts one start off; unloads the library when no start is left.
void ReleaseSocketLibrary();

#endif
