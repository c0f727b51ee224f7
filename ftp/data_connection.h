#ifndef ORBNET_FTP_DATA_CONNECTION_H
#define ORBNET_FTP_DATA_CONNECTION_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "ftp/ftp_commands.h"
#include "ftp/core/listing_collector.h"
#include "net/socket.h"

// What runs on an accepted data connection.
enum TransferKind : uint16_t { kTransferReceive = 13, kTransferListing = 16, kTransferSend = 19 };

// An FTP data connection, passive (connecting) or active (listening, then
// accepted). Its last command reports the end of its work; it never posts 1.
class DataSocket : public AsyncSocket {
public:
    // control: the control connection the data connection serves.
    DataSocket(HWND owner, AsyncSocket* control, SOCKET given = INVALID_SOCKET, uint32_t bindAddress = 0);
    void OnSocketEvent(uint16_t event, uint16_t error) override;
};

// Collects a directory listing until the server closes the connection, then
// sends it to the owner (code 102). A listing that outgrows its bounds
// (lines, bytes, kListingTimeLimit) is cut: the reader closes the
// connection, tells the owner why (code 107) and sends what it has.
class ListingReader : public Command {
public:
    static constexpr DWORD kListingTimeLimit = 180000;  // ms

    explicit ListingReader(AsyncSocket* owner);
    uint16_t Start() override;
    uint16_t OnRead() override;
    uint16_t OnReply(const char* reply) override;

    ListingCollector collector;

private:
    void Deliver();
    DWORD started_;
    bool delivered_;
};

// Connects to the address of the PASV before it (unless given), sends its
// line and builds the data chain: connect, then listing or receive.
class PassiveDataCommand : public FtpLineCommand {
public:
    PassiveDataCommand(AsyncSocket* owner, uint16_t type, uint16_t keywordId, const char* argument);
    ~PassiveDataCommand() override;
    uint16_t Start() override;

    uint32_t address;  // network order; all ones until known
    uint16_t port;
    DataSocket* dataSocket;  // owned

protected:
    // The command that runs on the data connection after the connect.
    virtual Command* MakeDataCommand(AsyncSocket* data) = 0;
    // Checked before the line goes out: false sends nothing (a local file
    // to send that cannot be read).
    virtual uint16_t Ready() { return 1; }
};

class ListPassiveCommand : public PassiveDataCommand {
public:
    explicit ListPassiveCommand(AsyncSocket* owner);

protected:
    Command* MakeDataCommand(AsyncSocket* data) override;
};

class RetrPassiveCommand : public PassiveDataCommand {
public:
    RetrPassiveCommand(AsyncSocket* owner, const char* remoteName, const char* localPath);
    uint16_t Start() override;

    TextBuffer localPath;

protected:
    Command* MakeDataCommand(AsyncSocket* data) override;
};

// Listens on a port of its own and announces it with PORT; the listening
// socket waits for the server's connection (AcceptWait).
class PortCommand : public Command {
public:
    PortCommand(AsyncSocket* owner, uint16_t kind, const char* localPath, const char* remoteName);
    ~PortCommand() override;
    uint16_t Start() override;

    DataSocket* listening;  // owned
    uint16_t kind;
    TextBuffer localPath;
    TextBuffer remoteName;
};

class ListActiveCommand : public FtpLineCommand {
public:
    explicit ListActiveCommand(AsyncSocket* owner);
};

// RETR on an active connection: the control reply waits for the data side.
class RetrActiveCommand : public FtpLineCommand {
public:
    RetrActiveCommand(AsyncSocket* owner, const char* remoteName);
    uint16_t Start() override;
};

// Accepts the server's data connection and starts the listing, receive or
// send on it. Only a connection from the server (peer, the control
// connection's peer address) is taken; any other is closed and the wait
// goes on (accepted stays null).
class AcceptWait : public Command {
public:
    AcceptWait(AsyncSocket* owner, uint16_t kind, const char* localPath, const char* remoteName, uint32_t peer);
    ~AcceptWait() override;
    uint16_t Start() override { return 1; }
    uint16_t OnReply(const char* reply) override;

    DataSocket* accepted;  // owned
    TextBuffer localPath;
    TextBuffer remoteName;
    uint16_t kind;
    uint32_t peer;  // network order
};

// 1 when the local file can be opened for reading (a file to send).
uint16_t LocalFileReadable(const char* path);

#endif
