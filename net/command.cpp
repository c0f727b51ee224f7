#include "net/command.h"

#include <cstring>

#include "net/socket.h"
#include "net/socket_library.h"

Command::Command(AsyncSocket* owner_, uint16_t type_)
    : previous(nullptr), next(nullptr), owner(owner_), type(type_), cancelled(0) {}

Command::~Command() {}

uint16_t Command::OnRead() {
    char scratch[512];
    if (owner) owner->Recv(scratch, sizeof scratch, 0);
    return 1;
}

uint16_t Command::OnWrite() { return 1; }
uint16_t Command::OnReply(const char*) { return 1; }
uint16_t Command::OnNegativeReply(const char*) { return 0; }
HANDLE Command::AsyncHandle() { return nullptr; }
uint16_t Command::Finish() { return OnReply(nullptr); }
void Command::ConnectionLost() { OnReply(nullptr); }

Command* Command::FindPrevious(uint16_t wanted) const {
    for (Command* c = previous; c; c = c->previous)
        if (c->type == wanted) return c;
    return nullptr;
}

CommandChain::CommandChain() : head(nullptr), current(nullptr), tail(nullptr) {}

CommandChain::~CommandChain() { Clear(); }

void CommandChain::Append(Command* command) {
    if (!command) return;
    command->next = nullptr;
    command->previous = tail;
    if (tail) tail->next = command;
    else head = command;
    tail = command;
}

uint16_t CommandChain::Advance() {
    current = current ? current->next : head;
    return current ? current->Start() : 0;
}

void CommandChain::Clear() {
    Command* c = head;
    head = current = tail = nullptr;
    while (c) {
        Command* after = c->next;
        delete c;
        c = after;
    }
}

ResolveCommand::ResolveCommand(AsyncSocket* owner_, const char* name)
    : Command(owner_, kResolveCommand), host(64), lookup(nullptr), address(0), answered(false) {
    host.Append(name);
    std::memset(hostEntry, 0, sizeof hostEntry);
}

ResolveCommand::~ResolveCommand() {
    // The socket library must not write into this buffer after it is gone.
    if (lookup && !answered && SocketFunctions.WSACancelAsyncRequest)
        SocketFunctions.WSACancelAsyncRequest(lookup);
}

uint16_t ResolveCommand::Start() {
    if (!owner || !owner->window || !SocketFunctions.WSAAsyncGetHostByName || host.Empty()) return 0;
    answered = false;
    lookup = SocketFunctions.WSAAsyncGetHostByName(owner->window, LookupDoneMessage, host.Text(),
                                                   hostEntry, kHostEntrySize);
    return lookup ? 1 : 0;
}

uint16_t ResolveCommand::OnReply(const char*) {
    answered = true;
    const hostent* entry = reinterpret_cast<const hostent*>(hostEntry);
    if (entry->h_length < 4 || !entry->h_addr_list || !entry->h_addr_list[0]) return 0;
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    return 1;
}

ConnectCommand::ConnectCommand(AsyncSocket* owner_, uint32_t address_, uint16_t port_, const char* name)
    : Command(owner_, kConnectCommand), address(address_), port(port_), host(64) {
    host.Append(name);
}

uint16_t ConnectCommand::Start() {
    if (!owner || !owner->SelectEvents(FD_CONNECT)) return 0;
    uint32_t target = address;
    if (target == kAddressFromLookup) {
        if (Command* lookup = FindPrevious(kResolveCommand))
            target = static_cast<ResolveCommand*>(lookup)->address;
    }
    return owner->Connect(target, port);
}
