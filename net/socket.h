#ifndef ORBNET_NET_SOCKET_H
#define ORBNET_NET_SOCKET_H

#include <windows.h>
#include <cstdint>

#include "net/command.h"

// To a socket window: wParam the socket, lParam event (low) and error (high).
// To an owner window: wParam a notification code, lParam 0 or a text.
constexpr UINT SocketEventMessage = WM_USER + 100;
// To a socket window: wParam the lookup handle, lParam length (low) and error (high).
constexpr UINT LookupDoneMessage = WM_USER + 101;

// Notification codes to the owner window.
enum OwnerCode : WPARAM {
    kCodeFailed = 0,
    kCodeChainDone = 1,
    kCodeControlClosed = 101,
    kCodeListing = 102,
    kCodeDirectory = 103,
    kCodeTransferDone = 104,
    kCodeHeaderValue = 105,
    // Sent: a redirect (lParam, a RedirectNotice: its Location and whether
    // all of it came); an owner that follows it answers kCodeRedirect, to
    // any other the fetch has failed with its status.
    kCodeRedirect = 106,
    // Sent before a listing (102) that the reader cut short: lParam the
    // reason (ListingCollector::CutReason).
    kCodeListingCut = 107,
};

// Made by the library itself: the data side of a transfer has finished.
constexpr uint16_t kEventTransferDone = 104;

// How the data side of a store ended.
enum StoreDataOutcome : uint16_t {
    kDataSentWhole = 1,  // every byte handed over, the connection closed
    kDataCutShort = 2,   // the connection ended first, or a send or read failed
    kDataCancelled = 3,  // the user cancelled
};

class AsyncSocket;

// A stream socket; every live one is in SocketList, newest first.
class Socket {
public:
    // INVALID_SOCKET: a new socket bound to bindAddress (network order; 0
    // any address), port 0.
    explicit Socket(SOCKET given = INVALID_SOCKET, uint32_t bindAddress = 0);
    virtual ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // address in network order, port in host order.
    virtual uint16_t Connect(uint32_t address, uint16_t port);
    virtual uint16_t Close();
    // Closes with a reset, so that the peer cannot take what it got as whole.
    uint16_t Reset();
    virtual Command* CurrentCommand() { return nullptr; }
    virtual AsyncSocket* AsAsync() { return nullptr; }

    bool HasSocket() const { return handle != INVALID_SOCKET; }
    // length 0: up to the terminator. Logged first when logIt is set.
    uint16_t SendLine(const char* data, uint16_t length, uint16_t* sentOut, uint16_t logIt);
    virtual int Recv(char* buffer, int length, int flags);
    // Sends up to length bytes; the count sent, or SOCKET_ERROR.
    virtual int Send(const char* data, uint32_t length);
    // Asks for kernel buffers of these sizes (0: leave as it is).
    void SetBufferSizes(int receive, int send);
    uint16_t Listen(int backlog);
    // The accepted socket (INVALID_SOCKET or 0 on failure); the address it
    // comes from (network order) into peerOut when given.
    SOCKET Accept(uint32_t* peerOut = nullptr);
    uint32_t LocalAddress();  // network order; all ones on failure
    uint16_t LocalPort();     // host order; 0 on failure
    uint32_t PeerAddress();   // network order; all ones on failure

    SOCKET handle;
    Socket* next;
};

// A socket whose events arrive at its own hidden window and drive its chain;
// outcomes go to the owner window.
class AsyncSocket : public Socket {
public:
    // conversation: the session this socket serves (a data connection's
    // control connection); null for a session itself, which then keeps the
    // conversation's idle clock.
    AsyncSocket(HWND owner, SOCKET given = INVALID_SOCKET, AsyncSocket* conversation = nullptr,
                uint32_t bindAddress = 0);
    ~AsyncSocket() override;

    uint16_t Connect(uint32_t address, uint16_t port) override;
    uint16_t Close() override;
    Command* CurrentCommand() override { return chain.Current(); }
    AsyncSocket* AsAsync() override { return this; }
    virtual void OnSocketEvent(uint16_t event, uint16_t error) = 0;
    virtual void OnLookupDone(HANDLE lookup, uint16_t error, LPARAM lengthAndError);
    // The size the server announced for the file under way (a session
    // answers for its data connections); all ones when none.
    virtual uint64_t AnnouncedSize() const { return ~0ull; }
    // A data connection of this conversation was ended by the library
    // before the server finished it (a listing cut short): the server's
    // refusal of that transfer is expected, not a failure.
    virtual void DataEndedEarly() {}
    // The data side of a store has ended (a session answers for its data
    // connections). Default: one cut short fails the conversation (code 0).
    virtual void StoreDataEnded(uint16_t outcome);
    // The conversation's work was given up: nothing is awaited any more.
    virtual bool Stopped() const { return false; }

    // Asks for events (0: none); a socket adds what it needs itself.
    uint16_t SelectEvents(uint16_t events);
    // Handles the queued socket events of this window now, dropping those
    // that carry only events in mask.
    void DrainEvents(uint16_t mask);

    // The chain moves on: code 1 when it ran past its tail, 0 when the next
    // command did not start.
    void CompleteStep();
    // A ResolveCommand unless host is dotted, then a ConnectCommand.
    void AppendConnect(const char* host, uint16_t port);
    void PostToOwner(WPARAM code, LPARAM value = 0);
    LRESULT SendToOwner(WPARAM code, LPARAM value);

    // The idle limit of the conversation: while it has work under way and
    // no byte has come from the server (on any of its connections) for this
    // many seconds, it fails (code 0) with timedOut set. 0: no limit.
    void SetIdleLimit(uint32_t seconds);
    // Something came from the server: the conversation's clock starts anew.
    void NoteActivity();
    // Once a second (a session's timer): fails a conversation that has been
    // silent too long; ends one waiting only for the answer to QUIT.
    void CheckIdle();

    CommandChain chain;
    HWND owner;
    HWND window;
    AsyncSocket* conversation;  // not owned; this socket itself for a session
    uint32_t idleLimit;         // ms; 0 none
    DWORD lastHeard;            // tick count of the last activity
    uint16_t timedOut;

protected:
    // Events this socket needs besides those its commands ask for.
    virtual uint16_t ExtraEvents() const { return 0; }

private:
    // True while this conversation waits for something from the server.
    bool AwaitingServer() const;
};

// Seconds of silence after which a conversation fails, unless the Options
// say otherwise; and how long the answer to QUIT is waited for once the work
// is done.
constexpr uint32_t kDefaultIdleSeconds = 60;
constexpr DWORD kQuitWait = 3000;

// Makes the command that sends the GET and stores the answer; null until the
// HTTP code provides it.
typedef Command* (*HttpGetCommandMaker)(AsyncSocket* session, const char* path, const char* localPath);
extern HttpGetCommandMaker MakeHttpGetCommand;

class TlsChannel;

// Where one HTTP request goes.
struct HttpRoute {
    const char* host;  // the server, or the proxy
    uint16_t port;
    const char* path;  // the request target
    // https: the server whose certificate must carry this name; null for
    // http. Through a proxy (tunnel 1) a CONNECT to it comes first.
    const char* secureHost;
    uint16_t securePort;
    uint16_t tunnel;
};

// One HTTP request.
class HttpSession : public AsyncSocket {
public:
    explicit HttpSession(HWND owner);
    ~HttpSession() override;
    void OnSocketEvent(uint16_t event, uint16_t error) override;
    // Through the TLS channel once it is up.
    int Recv(char* buffer, int length, int flags) override;
    int Send(const char* data, uint32_t length) override;

    uint16_t StartHttpRequest(const char* host, const char* path, const char* localPath, uint16_t port);
    uint16_t StartHttpRequest(const HttpRoute& route, const char* localPath);
    // Resolve (unless dotted), connect, then request; takes request over.
    uint16_t StartRequestChain(const char* host, uint16_t port, Command* request);

    // A new TLS channel for this connection (the session owns it).
    TlsChannel* StartTls();
    // The message the owner shows for a failure this session understood:
    // messageId filled with the texts (the host first). The first one stays.
    void SetFailure(uint16_t messageId, const char* host, const char* second = nullptr, const char* third = nullptr);

    TlsChannel* tls;  // owned; null for http
    TextBuffer failureText;

protected:
    uint16_t ExtraEvents() const override;
};

// Makes the step that opens a tunnel through a proxy (CONNECT host:port);
// null until the HTTP code provides it.
typedef Command* (*TunnelCommandMaker)(HttpSession* session, const char* host, uint16_t port);
extern TunnelCommandMaker MakeTunnelCommand;

// Head of the list of every live socket object.
extern Socket* SocketList;

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
