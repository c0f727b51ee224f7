#include "net/socket.h"

#include <cstring>
#include <new>

#include "frame/module.h"
#include "frame/strings.h"
#include "net/handler_scope.h"
#include "net/protocol_log.h"
#include "net/socket_library.h"
#include "net/tls_channel.h"

Socket* SocketList = nullptr;
HttpGetCommandMaker MakeHttpGetCommand = nullptr;
TunnelCommandMaker MakeTunnelCommand = nullptr;

Socket::Socket(SOCKET given, uint32_t bindAddress) : handle(given), next(nullptr) {
    if (handle == INVALID_SOCKET && SocketFunctions.socket) {
        handle = SocketFunctions.socket(AF_INET, SOCK_STREAM, 0);
        if (handle != INVALID_SOCKET) {
            sockaddr_in any = {};
            any.sin_family = AF_INET;
            any.sin_addr.s_addr = bindAddress;
            if (SocketFunctions.bind(handle, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) Close();
        }
    }
    next = SocketList;
    SocketList = this;
}

Socket::~Socket() {
    if (HasSocket() && SocketFunctions.closesocket) SocketFunctions.closesocket(handle);
    handle = INVALID_SOCKET;
    for (Socket** link = &SocketList; *link; link = &(*link)->next) {
        if (*link == this) {
            *link = next;
            break;
        }
    }
}

uint16_t Socket::Connect(uint32_t address, uint16_t port) {
    if (!HasSocket() || !SocketFunctions.connect) return 0;
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = SocketFunctions.htons(port);
    peer.sin_addr.s_addr = address;
    return SocketFunctions.connect(handle, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != SOCKET_ERROR;
}

uint16_t Socket::Close() {
    if (!HasSocket() || !SocketFunctions.closesocket) return 0;
    SocketFunctions.shutdown(handle, 2);
    if (SocketFunctions.closesocket(handle) != 0) return 0;
    handle = INVALID_SOCKET;
    return 1;
}

uint16_t Socket::Reset() {
    if (!HasSocket() || !SocketFunctions.closesocket) return 0;
    if (SocketFunctions.setsockopt) {
        linger now = {1, 0};
        SocketFunctions.setsockopt(handle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&now), sizeof now);
    }
    if (SocketFunctions.closesocket(handle) != 0) return 0;
    handle = INVALID_SOCKET;
    return 1;
}

uint16_t Socket::SendLine(const char* data, uint16_t length, uint16_t* sentOut, uint16_t logIt) {
    if (!HasSocket() || !data || !SocketFunctions.send) return 0;
    if (length == 0) {
        size_t n = std::strlen(data);
        length = static_cast<uint16_t>(n > 0xFFFF ? 0xFFFF : n);
    }
    if (logIt) LogOutgoingLine(data, length);
    int sent = Send(data, length);
    if (sent == SOCKET_ERROR) return 0;
    if (sentOut) *sentOut = static_cast<uint16_t>(sent);
    return 1;
}

int Socket::Send(const char* data, uint32_t length) {
    if (!HasSocket() || !data || !SocketFunctions.send) return SOCKET_ERROR;
    if (length > 0x7FFFFFFFu) length = 0x7FFFFFFFu;
    return SocketFunctions.send(handle, data, static_cast<int>(length), 0);
}

void Socket::SetBufferSizes(int receive, int send) {
    if (!HasSocket() || !SocketFunctions.setsockopt) return;
    if (receive > 0)
        SocketFunctions.setsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receive),
                                   sizeof receive);
    if (send > 0)
        SocketFunctions.setsockopt(handle, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&send), sizeof send);
}

int Socket::Recv(char* buffer, int length, int flags) {
    if (!HasSocket() || !buffer || length <= 0 || !SocketFunctions.recv) return 0;
    return SocketFunctions.recv(handle, buffer, length, flags);
}

uint16_t Socket::Listen(int backlog) {
    if (!HasSocket() || !SocketFunctions.listen) return 0;
    return SocketFunctions.listen(handle, backlog) == 0;
}

SOCKET Socket::Accept(uint32_t* peerOut) {
    if (peerOut) *peerOut = 0xFFFFFFFFu;
    if (!HasSocket() || !SocketFunctions.accept) return 0;
    sockaddr_in peer = {};
    int size = sizeof peer;
    SOCKET accepted = SocketFunctions.accept(handle, reinterpret_cast<sockaddr*>(&peer), &size);
    if (peerOut && accepted != INVALID_SOCKET && peer.sin_family == AF_INET) *peerOut = peer.sin_addr.s_addr;
    return accepted;
}

uint32_t Socket::PeerAddress() {
    if (!HasSocket() || !SocketFunctions.getpeername) return 0xFFFFFFFFu;
    sockaddr_in peer = {};
    int size = sizeof peer;
    if (SocketFunctions.getpeername(handle, reinterpret_cast<sockaddr*>(&peer), &size) != 0 ||
        peer.sin_family != AF_INET)
        return 0xFFFFFFFFu;
    return peer.sin_addr.s_addr;
}

uint32_t Socket::LocalAddress() {
    if (!HasSocket() || !SocketFunctions.getsockname) return 0xFFFFFFFFu;
    sockaddr_in local = {};
    int size = sizeof local;
    if (SocketFunctions.getsockname(handle, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        SocketFunctions.WSAGetLastError();
        return 0xFFFFFFFFu;
    }
    return local.sin_addr.s_addr;
}

uint16_t Socket::LocalPort() {
    if (!HasSocket() || !SocketFunctions.getsockname) return 0;
    sockaddr_in local = {};
    int size = sizeof local;
    if (SocketFunctions.getsockname(handle, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
    return SocketFunctions.ntohs(local.sin_port);
}

namespace {
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleTick = 1000;
}  // namespace

AsyncSocket::AsyncSocket(HWND owner_, SOCKET given, AsyncSocket* conversation_, uint32_t bindAddress)
    : Socket(given, bindAddress),
      owner(owner_),
      window(nullptr),
      conversation(conversation_ ? conversation_ : this),
      idleLimit(kDefaultIdleSeconds * 1000),
      lastHeard(GetTickCount()),
      timedOut(0) {
    char className[kStringArraySize];
    LoadResourceString(kStrSocketWindowClass, className, sizeof className);
    window = CreateWindowExA(0, className, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             ModuleInstance, nullptr);
    if (window && conversation == this) SetTimer(window, kIdleTimer, kIdleTick, nullptr);
}

AsyncSocket::~AsyncSocket() {
    if (window) DestroyWindow(window);
    window = nullptr;
    chain.Clear();
}

uint16_t AsyncSocket::Connect(uint32_t address, uint16_t port) {
    if (Socket::Connect(address, port)) return 1;
    if (!HasSocket()) return 0;
    return SocketFunctions.WSAGetLastError() == WSAEWOULDBLOCK;
}

uint16_t AsyncSocket::Close() {
    if (!SelectEvents(0)) return 0;
    return Socket::Close();
}

uint16_t AsyncSocket::SelectEvents(uint16_t events) {
    if (!HasSocket() || !window || !SocketFunctions.WSAAsyncSelect) return 0;
    if (events) events |= ExtraEvents();
    return SocketFunctions.WSAAsyncSelect(handle, window, SocketEventMessage, events) == 0;
}

void AsyncSocket::DrainEvents(uint16_t mask) {
    if (!window) return;
    MSG msg;
    while (PeekMessageA(&msg, window, SocketEventMessage, SocketEventMessage, PM_REMOVE)) {
        if (LOWORD(msg.lParam) & ~mask) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void AsyncSocket::OnLookupDone(HANDLE lookup, uint16_t error, LPARAM) {
    Command* command = chain.Current();
    if (!command || command->AsyncHandle() != lookup) return;
    if (error != 0) {
        PostToOwner(kCodeFailed);
        return;
    }
    if (!command->OnReply(nullptr)) {
        PostToOwner(kCodeFailed);
        return;
    }
    CompleteStep();
}

void AsyncSocket::CompleteStep() {
    if (chain.Advance()) return;
    PostToOwner(chain.Current() ? kCodeFailed : kCodeChainDone);
}

void AsyncSocket::AppendConnect(const char* host, uint16_t port) {
    uint32_t address = SocketFunctions.inet_addr ? SocketFunctions.inet_addr(host) : kAddressFromLookup;
    if (address == kAddressFromLookup) chain.Append(new ResolveCommand(this, host));
    chain.Append(new ConnectCommand(this, address, port, host));
}

void AsyncSocket::StoreDataEnded(uint16_t outcome) {
    if (outcome == kDataCutShort) PostToOwner(kCodeFailed);
}

void AsyncSocket::PostToOwner(WPARAM code, LPARAM value) { PostMessageA(owner, SocketEventMessage, code, value); }

void AsyncSocket::SetIdleLimit(uint32_t seconds) {
    idleLimit = seconds > 0xFFFFFFFFu / 1000 ? 0xFFFFFFFFu / 1000 * 1000 : seconds * 1000;
}

void AsyncSocket::NoteActivity() { conversation->lastHeard = GetTickCount(); }

bool AsyncSocket::AwaitingServer() const {
    if (chain.Current()) return true;
    // A data connection may still be at work after the control chain ended.
    for (Socket* s = SocketList; s; s = s->next) {
        const AsyncSocket* other = s->AsAsync();
        if (other && other != this && other->conversation == this && other->HasSocket() && other->chain.Current())
            return true;
    }
    return false;
}

void AsyncSocket::CheckIdle() {
    DWORD now = GetTickCount();
    // A question or message box of ours is up (this tick's own handler is
    // the outermost one otherwise): the clock waits for the person.
    if (timedOut || Stopped() || HandlerDepth() > 1 || !HasSocket() || !AwaitingServer()) {
        lastHeard = now;
        return;
    }
    DWORD silent = now - lastHeard;
    Command* current = chain.Current();
    if (current && current->type == kQuitCommand && current == chain.tail) {
        // The work is done; a server that does not answer QUIT is not
        // waited for long.
        if (silent >= kQuitWait) {
            lastHeard = now;
            CompleteStep();
        }
        return;
    }
    if (idleLimit == 0 || silent < idleLimit) return;
    timedOut = 1;
    char note[96];
    wsprintfA(note, "--- no answer for %lu s: the conversation is given up\r\n", static_cast<unsigned long>(silent / 1000));
    WriteLog(note, 0);
    PostToOwner(kCodeFailed);
}

LRESULT AsyncSocket::SendToOwner(WPARAM code, LPARAM value) {
    return SendMessageA(owner, SocketEventMessage, code, value);
}

HttpSession::HttpSession(HWND owner_) : AsyncSocket(owner_), tls(nullptr), failureText(64) {}

HttpSession::~HttpSession() {
    // The commands may still reach the channel while they go.
    chain.Clear();
    delete tls;
    tls = nullptr;
}

TlsChannel* HttpSession::StartTls() {
    delete tls;
    tls = new (std::nothrow) TlsChannel();
    return tls;
}

void HttpSession::SetFailure(uint16_t messageId, const char* host, const char* second, const char* third) {
    if (!failureText.Empty()) return;
    AppendFormatted(failureText, messageId, 1, host ? host : "", second ? second : "", third ? third : "");
}

uint16_t HttpSession::ExtraEvents() const { return tls && tls->HasPendingOutput() ? FD_WRITE : 0; }

int HttpSession::Recv(char* buffer, int length, int flags) {
    if (!tls || !tls->Established()) return Socket::Recv(buffer, length, flags);
    if (!HasSocket() || !buffer || length <= 0) return 0;
    return tls->Receive(handle, buffer, length);
}

int HttpSession::Send(const char* data, uint32_t length) {
    if (!tls || !tls->Established()) return Socket::Send(data, length);
    if (!HasSocket()) return SOCKET_ERROR;
    return tls->Send(handle, data, length);
}

void HttpSession::OnSocketEvent(uint16_t event, uint16_t error) {
    Command* command = chain.Current();
    if (!command) return;
    switch (event) {
    case FD_READ:
        command->OnRead();
        // Records already taken from the socket are not announced again.
        if (tls && tls->Established() && tls->HasBufferedInput() && HasSocket() && chain.Current() == command)
            PostMessageA(window, SocketEventMessage, static_cast<WPARAM>(handle), MAKELPARAM(FD_READ, 0));
        break;
    case FD_WRITE:
        if (tls && tls->HasPendingOutput()) {
            if (!tls->Flush(handle)) {
                command->ConnectionLost();
                PostToOwner(kCodeFailed);
                break;
            }
            if (!tls->HasPendingOutput()) SelectEvents(FD_READ | FD_CLOSE);
        }
        command->OnWrite();
        break;
    case FD_CONNECT:
        if (error) {
            PostToOwner(kCodeFailed);
        } else {
            SelectEvents(FD_READ | FD_CLOSE);
            CompleteStep();
        }
        break;
    case FD_CLOSE:
        // A command that has to wait before it can settle the close (its
        // Cancel question is up) returns 0 and ends the step itself later.
        if (error) {
            command->ConnectionLost();
            PostToOwner(kCodeFailed);
        } else if (command->OnReply(nullptr)) {
            CompleteStep();
        }
        break;
    default:
        break;
    }
}

uint16_t HttpSession::StartHttpRequest(const char* host, const char* path, const char* localPath,
                                       uint16_t port) {
    if (!path || !*path || !localPath || !*localPath || !MakeHttpGetCommand) return 0;
    return StartRequestChain(host, port, MakeHttpGetCommand(this, path, localPath));
}

uint16_t HttpSession::StartHttpRequest(const HttpRoute& route, const char* localPath) {
    if (!route.secureHost) return StartHttpRequest(route.host, route.path, localPath, route.port);
    if (!route.host || !*route.host || !*route.secureHost || !route.path || !*route.path || !localPath ||
        !*localPath || !MakeHttpGetCommand || !HasSocket() || (route.tunnel && !MakeTunnelCommand))
        return 0;
    Command* request = MakeHttpGetCommand(this, route.path, localPath);
    if (!request) return 0;
    chain.Clear();
    AppendConnect(route.host, route.port);
    if (route.tunnel) chain.Append(MakeTunnelCommand(this, route.secureHost, route.securePort));
    chain.Append(new TlsHandshakeCommand(this, route.secureHost, route.securePort));
    chain.Append(request);
    return chain.Advance();
}

uint16_t HttpSession::StartRequestChain(const char* host, uint16_t port, Command* request) {
    if (!host || !*host || !request || !HasSocket()) {
        delete request;
        return 0;
    }
    chain.Clear();
    AppendConnect(host, port);
    chain.Append(request);
    return chain.Advance();
}

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HandlerScope running;
    if (message == SocketEventMessage) {
        for (Socket* s = SocketList; s; s = s->next) {
            if (s->handle == static_cast<SOCKET>(wParam)) {
                if (AsyncSocket* target = s->AsAsync()) {
                    target->NoteActivity();
                    target->OnSocketEvent(LOWORD(lParam), HIWORD(lParam));
                }
                break;
            }
        }
    } else if (message == LookupDoneMessage) {
        for (Socket* s = SocketList; s; s = s->next) {
            Command* command = s->CurrentCommand();
            if (command && reinterpret_cast<WPARAM>(command->AsyncHandle()) == wParam) {
                if (AsyncSocket* target = s->AsAsync()) {
                    target->NoteActivity();
                    target->OnLookupDone(command->AsyncHandle(), HIWORD(lParam), lParam);
                }
                break;
            }
        }
    } else if (message == WM_TIMER && wParam == kIdleTimer) {
        for (Socket* s = SocketList; s; s = s->next) {
            AsyncSocket* target = s->AsAsync();
            if (target && target->window == window) {
                target->CheckIdle();
                break;
            }
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
