#ifndef ORBNET_TRANSFER_HTTP_TUNNEL_H
#define ORBNET_TRANSFER_HTTP_TUNNEL_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "net/command.h"
#include "transfer/core/http_text.h"

class HttpSession;

// Asks the proxy the session is connected to for a tunnel (CONNECT
// host:port) and ends its step once the proxy opened it. A refusal fails
// with the proxy's status in the session's failure text.
class TunnelCommand : public Command {
public:
    TunnelCommand(HttpSession* session, const char* host, uint16_t port);
    uint16_t Start() override;
    uint16_t OnRead() override;
    // The proxy closed before it answered.
    uint16_t OnReply(const char* reply) override;

    TextBuffer host;
    uint16_t port;

private:
    // Judges what came; true once the step has ended either way.
    bool Judge(bool closed);
    void Refuse(uint16_t messageId, const char* status);

    HttpSession* session_;
    char reply_[kMaxTunnelReply];
    uint32_t replyLength_;
    uint16_t done_;
};

Command* MakeHttpTunnel(HttpSession* session, const char* host, uint16_t port);

#endif
