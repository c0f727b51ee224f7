#ifndef ORBNET_FTP_FTP_SESSION_H
#define ORBNET_FTP_FTP_SESSION_H

#include <cstdint>

#include "ftp/reply_reader.h"
#include "net/socket.h"

class FtpLineCommand;

// The control connection of one FTP conversation. Each operation builds one
// whole chain and starts it: 1 when its first command started, 0 when it was
// refused (no socket, an empty required text, or a text that would put a
// second command on the wire) or nothing started; a refused operation sends
// nothing.
class FtpSession : public AsyncSocket {
public:
    explicit FtpSession(HWND owner);
    ~FtpSession() override;
    void OnSocketEvent(uint16_t event, uint16_t error) override;

    uint16_t StartConnect(const char* host, uint16_t port);
    uint16_t Login(const char* user, const char* password);
    uint16_t Quit();
    uint16_t ListDirectory(const char* directory, uint16_t passive);
    uint16_t MakeDirectory(const char* directory, uint16_t passive);

    // Set while an active RETR's control reply waits for the data side: a
    // positive reply is held until event 104, a negative one is reported at
    // once.
    uint16_t AwaitTransferReply;

private:
    class LogSink;
    void ReadReply();
    void ActOnReply();
    // Chain building: every line command is checked before anything starts.
    void BeginChain();
    void Add(Command* command);
    void AddLine(FtpLineCommand* command);
    void AddListing(uint16_t passive);
    uint16_t StartChain();

    ReplyReader reader_;
    bool refused_;
    bool heldReply_;
};

#endif
