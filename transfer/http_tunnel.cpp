#include "transfer/http_tunnel.h"

#include <cstring>

#include "frame/strings.h"
#include "net/protocol_log.h"
#include "net/socket.h"
#include "net/socket_library.h"

Command* MakeHttpTunnel(HttpSession* session, const char* host, uint16_t port) {
    return new TunnelCommand(session, host, port);
}

TunnelCommand::TunnelCommand(HttpSession* session, const char* host_, uint16_t port_)
    : Command(session, kTunnelCommand), host(64), port(port_), session_(session), replyLength_(0), done_(0) {
    host.Assign(host_ ? host_ : "");
}

uint16_t TunnelCommand::Start() {
    TextBuffer request(128);
    if (!BuildConnectRequest(request, host.Text(), port)) return 0;
    LogOutgoingLine(request.Text(), request.length);
    session_->SelectEvents(FD_READ | FD_CLOSE);
    return session_->SendLine(request.Text(), request.length, nullptr, 0);
}

void TunnelCommand::Refuse(uint16_t messageId, const char* status) {
    done_ = 1;
    const ConnectCommand* connect = static_cast<const ConnectCommand*>(FindPrevious(kConnectCommand));
    const char* proxy = connect && !connect->host.Empty() ? connect->host.Text() : "";
    TextBuffer target(80);
    target.Assign(host.Text());
    char portText[8];
    wsprintfA(portText, ":%u", unsigned(port));
    target.Append(portText);
    if (messageId == kMsgProxyRefusedTunnel) session_->SetFailure(messageId, proxy, target.Text(), status);
    else session_->SetFailure(messageId, host.Text());
    session_->SelectEvents(0);
    session_->PostToOwner(kCodeFailed);
}

bool TunnelCommand::Judge(bool closed) {
    uint32_t headerLength = 0;
    TextBuffer status(64), line(64);
    TunnelReply verdict = ReadTunnelReply(reply_, replyLength_, &headerLength, status, line);
    if (verdict == kTunnelIncomplete && !closed) return false;
    if (!line.Empty()) LogIncomingLine(line.Text(), line.length);
    if (verdict == kTunnelOpen && headerLength == replyLength_ && !closed) {
        // The server speaks only after the client's hello: nothing may
        // follow the answer yet.
        done_ = 1;
        session_->CompleteStep();
        return true;
    }
    if (verdict == kTunnelRefused) Refuse(kMsgProxyRefusedTunnel, status.Text());
    else Refuse(kMsgSecureFailed, nullptr);
    return true;
}

uint16_t TunnelCommand::OnRead() {
    if (done_) return 0;
    // Up to the reply's end, so that no byte of the tunnel is taken.
    for (;;) {
        if (replyLength_ >= sizeof reply_) {
            Judge(false);
            return 1;
        }
        int got = session_->Recv(reply_ + replyLength_, 1, 0);
        if (got <= 0) {
            if (got == 0 || (SocketFunctions.WSAGetLastError && SocketFunctions.WSAGetLastError() != WSAEWOULDBLOCK))
                Judge(true);
            return 1;
        }
        ++replyLength_;
        if (reply_[replyLength_ - 1] == '\n' && Judge(false)) return 1;
    }
}

uint16_t TunnelCommand::OnReply(const char*) {
    if (!done_) {
        OnRead();
        if (!done_) Judge(true);
    }
    return 0;
}
