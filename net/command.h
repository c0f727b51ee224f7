#ifndef ORBNET_NET_COMMAND_H
#define ORBNET_NET_COMMAND_H

#include <windows.h>
#include <cstdint>

#include "frame/core/text_buffer.h"

class AsyncSocket;

enum CommandType : uint16_t {
    kConnectCommand = 1,
    kResolveCommand = 2,
    kUserCommand = 3,
    kPassCommand = 4,
    kQuitCommand = 5,
    kPasvCommand = 6,
    kTypeCommand = 7,
    kListPassiveCommand = 8,
    kListingReader = 9,
    kPwdCommand = 10,
    kCwdCommand = 11,
    kRetrActiveCommand = 13,
    kReceiveFileCommand = 14,
    kPortCommand = 15,
    kListActiveCommand = 16,
    kAcceptWait = 17,
    kStorActiveCommand = 19,
    kSendFileCommand = 20,
    kRetrPassiveCommand = 21,
    kStorPassiveCommand = 22,
    kHttpGetCommand = 23,
    kTlsHandshakeCommand = 24,
    kTunnelCommand = 25,
    kMkdCommand = 28,
};

constexpr uint32_t kAddressFromLookup = 0xFFFFFFFFu;
constexpr int kHostEntrySize = 1024;  // MAXGETHOSTSTRUCT

// One step of a conversation. Its chain owns it; `owner` is the socket object
// it talks through.
class Command {
public:
    Command(AsyncSocket* owner, uint16_t type);
    virtual ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // Begins the step; false when it cannot.
    virtual uint16_t Start() = 0;
    // Default: reads up to 512 bytes and drops them.
    virtual uint16_t OnRead();
    virtual uint16_t OnWrite();
    // What the step waits for has come: the final reply line for a control
    // command, null for a lookup, connect, accept or close. Default: accepted.
    virtual uint16_t OnReply(const char* reply);
    // A negative final reply (4xx, 5xx) to this step: 1 when the step takes
    // it and the chain goes on; default 0, the conversation has failed.
    virtual uint16_t OnNegativeReply(const char* reply);
    // The asynchronous lookup this step waits for, or null.
    virtual HANDLE AsyncHandle();
    // Ends the step at once (the transfer commands cancel here).
    virtual uint16_t Finish();
    // The connection ended with an error (a reset). Default: as a close.
    virtual void ConnectionLost();

    // The nearest command of this type before this one, or null.
    Command* FindPrevious(uint16_t wanted) const;

    Command* previous;
    Command* next;
    AsyncSocket* owner;
    uint16_t type;
    uint16_t cancelled;
};

// The steps of one socket object, in order; owns its commands.
class CommandChain {
public:
    CommandChain();
    ~CommandChain();
    CommandChain(const CommandChain&) = delete;
    CommandChain& operator=(const CommandChain&) = delete;

    void Append(Command* command);
    Command* Current() const { return current; }
    // Moves to the next command (the head when none is current) and starts it;
    // false when there is none or it did not start.
    uint16_t Advance();
    void Clear();
    bool Empty() const { return head == nullptr; }

    Command* head;
    Command* current;
    Command* tail;
};

// Looks the host name up asynchronously; the answer lands in hostEntry.
class ResolveCommand : public Command {
public:
    ResolveCommand(AsyncSocket* owner, const char* host);
    ~ResolveCommand() override;
    uint16_t Start() override;
    // Takes the first address of the answer; false when it has none.
    uint16_t OnReply(const char* reply) override;
    HANDLE AsyncHandle() override { return lookup; }

    TextBuffer host;
    char hostEntry[kHostEntrySize];
    HANDLE lookup;
    uint32_t address;  // network order; 0 until known
    bool answered;
};

// Connects the owner. An all-ones address is taken from the ResolveCommand
// before it.
class ConnectCommand : public Command {
public:
    ConnectCommand(AsyncSocket* owner, uint32_t address, uint16_t port, const char* host);
    uint16_t Start() override;

    uint32_t address;  // network order
    uint16_t port;     // host order
    TextBuffer host;
};

#endif
