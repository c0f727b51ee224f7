// The socket layer on Wine's own socket library, with TCP peers on 127.0.0.1
// made here with plain blocking sockets.
#include <winsock2.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/module.h"
#include "frame/strings.h"
#include "message_box_answerer.h"
#include "net/network.h"
#include "net/socket.h"
#include "net/socket_library.h"

namespace {

constexpr DWORD kWaitMs = 10000;

// The library's strings and the English texts, from the built DLLs in the
// working folder.
class NetEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryA("OrbNetN01.dll");
        language = LoadLibraryA("orbntenn1.dll");
        ASSERT_TRUE(library);
        ASSERT_TRUE(language);
        ModuleInstance = library;
        ResourceModule = language;
    }
    void TearDown() override {
        ModuleInstance = nullptr;
        ResourceModule = nullptr;
        if (language) FreeLibrary(language);
        if (library) FreeLibrary(library);
    }
    HMODULE library = nullptr;
    HMODULE language = nullptr;
};

// A listening peer on 127.0.0.1 and a free port.
struct Peer {
    Peer() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        ::bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local);
        int size = sizeof local;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &size);
        port = ntohs(local.sin_port);
        ::listen(listener, 4);
    }
    ~Peer() {
        Shut();
        ::WSACleanup();
    }
    void Shut() {
        if (listener != INVALID_SOCKET) ::closesocket(listener);
        listener = INVALID_SOCKET;
    }
    // Takes the pending connection and hangs up.
    void AcceptAndClose() {
        SOCKET s = ::accept(listener, nullptr, nullptr);
        if (s != INVALID_SOCKET) ::closesocket(s);
    }
    SOCKET listener = INVALID_SOCKET;
    uint16_t port = 0;
};

// The last step of the test chains: notes its calls.
class Probe : public Command {
public:
    struct Calls {
        int starts = 0;
        int replies = 0;
        int deleted = 0;
    };
    Probe(AsyncSocket* owner_, Calls* calls_, uint16_t startResult = 1, HANDLE lookup_ = nullptr)
        : Command(owner_, kHttpGetCommand), calls(calls_), result(startResult), lookup(lookup_) {}
    ~Probe() override { ++calls->deleted; }
    uint16_t Start() override {
        ++calls->starts;
        return result;
    }
    uint16_t OnReply(const char*) override {
        ++calls->replies;
        return 1;
    }
    HANDLE AsyncHandle() override { return lookup; }
    Calls* calls;
    uint16_t result;
    HANDLE lookup;
};

// Notes the events routed to it.
class Recorder : public AsyncSocket {
public:
    explicit Recorder(HWND owner_) : AsyncSocket(owner_) {}
    void OnSocketEvent(uint16_t event, uint16_t error) override { events.push_back(MAKELONG(event, error)); }
    std::vector<LONG> events;
};

class Transport : public NetEnvironment {
protected:
    void SetUp() override {
        NetEnvironment::SetUp();
        ASSERT_EQ(StartNetwork(), 1);
        owner = CreateWindowExA(0, "STATIC", "owner", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(owner);
    }
    void TearDown() override {
        EXPECT_EQ(StopNetwork(0), 1);
        EXPECT_FALSE(SocketList);
        EXPECT_FALSE(GetModuleHandleA("wsock32.dll"));
        WNDCLASSA info;
        EXPECT_FALSE(GetClassInfoA(ModuleInstance, "ORBNETAsyncSocketWindow", &info));
        if (owner) DestroyWindow(owner);
        NetEnvironment::TearDown();
    }
    // Pumps messages until a code reaches the owner (the code), or until the
    // time limit or done() (-1).
    long WaitForCode(DWORD ms, const std::function<bool()>& done = nullptr) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            if (done && done()) return -1;
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                Sleep(5);
                continue;
            }
            if (msg.hwnd == owner && msg.message == SocketEventMessage) return static_cast<long>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return -1;
    }
    void ExpectNoMoreCodes() { EXPECT_EQ(WaitForCode(200), -1) << "an extra code reached the owner"; }
    HWND owner = nullptr;
};

TEST_F(Transport, ChainConnectsAndCompletes) {
    struct Case {
        const char* host;
        bool resolves;
    } cases[] = {{"localhost", true}, {"127.0.0.1", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        Peer peer;
        HttpSession session(owner);
        Probe::Calls calls;
        ASSERT_EQ(session.StartRequestChain(c.host, peer.port, new Probe(&session, &calls)), 1);
        Command* first = session.chain.head;
        ASSERT_TRUE(first);
        EXPECT_EQ(first->type, c.resolves ? kResolveCommand : kConnectCommand);
        Command* connect = c.resolves ? first->next : first;
        ASSERT_TRUE(connect);
        EXPECT_EQ(connect->type, kConnectCommand);
        EXPECT_EQ(static_cast<ConnectCommand*>(connect)->address,
                  c.resolves ? kAddressFromLookup : ::inet_addr("127.0.0.1"));
        EXPECT_EQ(static_cast<ConnectCommand*>(connect)->port, peer.port);
        EXPECT_EQ(connect->next, session.chain.tail);

        // Connected: the request step starts; the peer's hang-up completes it.
        EXPECT_EQ(WaitForCode(kWaitMs, [&] { return calls.starts > 0; }), -1);
        ASSERT_EQ(calls.starts, 1) << "the request step never started";
        if (c.resolves) {
            EXPECT_EQ(static_cast<ResolveCommand*>(first)->address, ::inet_addr("127.0.0.1"));
        }
        peer.AcceptAndClose();
        EXPECT_EQ(WaitForCode(kWaitMs), 1);
        EXPECT_EQ(calls.replies, 1);
        EXPECT_FALSE(session.chain.Current());
        ExpectNoMoreCodes();
    }
}

TEST_F(Transport, FailedConnectOrLookupPostsFailure) {
    Peer closed;
    uint16_t closedPort = closed.port;
    closed.Shut();
    struct Case {
        const char* host;
        uint16_t port;
        uint16_t stopsAt;
    } cases[] = {
        {"127.0.0.1", closedPort, kConnectCommand},
        {"no-such-host.invalid", 80, kResolveCommand},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        HttpSession session(owner);
        Probe::Calls calls;
        ASSERT_EQ(session.StartRequestChain(c.host, c.port, new Probe(&session, &calls)), 1);
        EXPECT_EQ(WaitForCode(kWaitMs), 0);
        ASSERT_TRUE(session.chain.Current());
        EXPECT_EQ(session.chain.Current()->type, c.stopsAt);  // the chain stays at the failed step
        EXPECT_EQ(calls.starts, 0);
        ExpectNoMoreCodes();
    }
}

TEST_F(Transport, BuilderRefusesWithoutHostOrSocket) {
    HttpSession session(owner);
    Probe::Calls calls;
    EXPECT_EQ(session.StartRequestChain("", 80, new Probe(&session, &calls)), 0);
    EXPECT_EQ(session.StartRequestChain("127.0.0.1", 80, nullptr), 0);
    ASSERT_EQ(session.Close(), 1);
    EXPECT_EQ(session.StartRequestChain("127.0.0.1", 80, new Probe(&session, &calls)), 0);
    EXPECT_EQ(calls.deleted, 2);  // refused requests are not leaked
    EXPECT_EQ(calls.starts, 0);
    EXPECT_TRUE(session.chain.Empty());
    // No GET command is plugged in yet.
    EXPECT_EQ(session.StartHttpRequest("127.0.0.1", "/", "C:\\x", 80), 0);
}

TEST_F(Transport, ChainAdvancesAndCompletes) {
    HttpSession session(owner);
    Probe::Calls calls;
    // Empty chain.
    EXPECT_EQ(session.chain.Advance(), 0);
    EXPECT_FALSE(session.chain.Current());

    Probe* a = new Probe(&session, &calls);
    Probe* b = new Probe(&session, &calls);
    session.chain.Append(a);
    session.chain.Append(b);
    EXPECT_FALSE(session.chain.Current());  // appending does not move
    EXPECT_EQ(a->previous, nullptr);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->previous, a);
    EXPECT_EQ(session.chain.Advance(), 1);
    EXPECT_EQ(session.chain.Current(), a);
    session.CompleteStep();  // b starts; nothing to tell
    EXPECT_EQ(session.chain.Current(), b);
    EXPECT_EQ(calls.starts, 2);
    session.CompleteStep();  // past the tail
    EXPECT_FALSE(session.chain.Current());
    EXPECT_EQ(WaitForCode(kWaitMs), 1);

    // The next step fails to start: code 0, and the chain stays on it.
    session.chain.Clear();
    EXPECT_EQ(calls.deleted, 2);
    Probe* c = new Probe(&session, &calls);
    Probe* refuses = new Probe(&session, &calls, 0);
    session.chain.Append(c);
    session.chain.Append(refuses);
    EXPECT_EQ(session.chain.Advance(), 1);
    session.CompleteStep();
    EXPECT_EQ(session.chain.Current(), refuses);
    EXPECT_EQ(WaitForCode(kWaitMs), 0);
    ExpectNoMoreCodes();

    // FindPrevious looks back only.
    ResolveCommand* lookup = new ResolveCommand(&session, "h");
    ConnectCommand* connect = new ConnectCommand(&session, kAddressFromLookup, 21, "h");
    session.chain.Clear();
    session.chain.Append(lookup);
    session.chain.Append(new Probe(&session, &calls));
    session.chain.Append(connect);
    EXPECT_EQ(connect->FindPrevious(kResolveCommand), lookup);
    EXPECT_EQ(connect->FindPrevious(kConnectCommand), nullptr);
    EXPECT_EQ(lookup->FindPrevious(kResolveCommand), nullptr);
}

TEST_F(Transport, WindowRoutesEventsBySocketAndLookupsByHandle) {
    Recorder first(owner), second(owner);
    ASSERT_NE(first.handle, second.handle);
    PostMessageA(second.window, SocketEventMessage, second.handle, MAKELONG(FD_READ, 0));
    PostMessageA(second.window, SocketEventMessage, first.handle, MAKELONG(FD_CLOSE, 10053));
    PostMessageA(second.window, SocketEventMessage, 0x7FFF0, MAKELONG(FD_READ, 0));  // no such socket
    EXPECT_EQ(WaitForCode(200), -1);
    EXPECT_EQ(second.events, std::vector<LONG>({MAKELONG(FD_READ, 0)}));
    EXPECT_EQ(first.events, std::vector<LONG>({MAKELONG(FD_CLOSE, 10053)}));

    // Lookups: by the current command's handle; an error posts 0 without a reply.
    Probe::Calls calls;
    HANDLE handle = reinterpret_cast<HANDLE>(0x4321);
    first.chain.Append(new Probe(&first, &calls, 1, handle));
    ASSERT_EQ(first.chain.Advance(), 1);
    PostMessageA(first.window, LookupDoneMessage, 0x9999, MAKELONG(100, 0));  // not ours
    EXPECT_EQ(WaitForCode(200), -1);
    PostMessageA(second.window, LookupDoneMessage, reinterpret_cast<WPARAM>(handle), MAKELONG(0, 11001));
    EXPECT_EQ(WaitForCode(kWaitMs), 0);
    EXPECT_EQ(calls.replies, 0);
    PostMessageA(first.window, LookupDoneMessage, reinterpret_cast<WPARAM>(handle), MAKELONG(100, 0));
    EXPECT_EQ(WaitForCode(kWaitMs), 1);
    EXPECT_EQ(calls.replies, 1);
    ExpectNoMoreCodes();
}

TEST_F(Transport, DrainEventsRunsReadsAndDropsCloses) {
    Recorder socket(owner);
    Recorder other(owner);
    const LONG queued[] = {FD_CLOSE, FD_READ, FD_READ | FD_CLOSE, FD_CLOSE};
    for (LONG event : queued) PostMessageA(socket.window, SocketEventMessage, socket.handle, event);
    PostMessageA(other.window, SocketEventMessage, other.handle, FD_CLOSE);  // another window's: stays
    socket.DrainEvents(FD_CLOSE);
    EXPECT_EQ(socket.events, std::vector<LONG>({FD_READ, FD_READ | FD_CLOSE}));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, socket.window, SocketEventMessage, SocketEventMessage, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageA(&msg, other.window, SocketEventMessage, SocketEventMessage, PM_NOREMOVE));
}

TEST_F(Transport, HttpSessionEvents) {
    // A connect event with an error fails the chain; without, reads and closes
    // are selected and the next step starts.
    struct Case {
        uint16_t event;
        uint16_t error;
        long code;  // -1: none
        int starts;
        int replies;
    } cases[] = {
        {FD_CONNECT, 10061, 0, 0, 0},
        {FD_CONNECT, 0, -1, 1, 0},
        {FD_CLOSE, 0, -1, 1, 1},
        {FD_CLOSE, 10053, 0, 0, 1},
        {FD_READ, 0, -1, 0, 0},
        {FD_ACCEPT, 0, -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "event " << c.event << " error " << c.error);
        HttpSession session(owner);
        Probe::Calls first, second;
        session.chain.Append(new Probe(&session, &first));
        session.chain.Append(new Probe(&session, &second));
        ASSERT_EQ(session.chain.Advance(), 1);
        session.OnSocketEvent(c.event, c.error);
        EXPECT_EQ(WaitForCode(c.code == -1 ? 200 : kWaitMs), c.code);
        EXPECT_EQ(second.starts, c.starts);
        EXPECT_EQ(first.replies, c.replies);
    }
    // With no current command nothing happens.
    HttpSession idle(owner);
    idle.OnSocketEvent(FD_CONNECT, 0);
    ExpectNoMoreCodes();
}

}  // namespace
