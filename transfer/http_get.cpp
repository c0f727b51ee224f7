#include "transfer/http_get.h"

#include <cstring>

#include "frame/strings.h"
#include "net/protocol_log.h"
#include "net/socket.h"
#include "net/socket_library.h"
#include "net/tls_channel.h"
#include "transfer/file_transfer.h"
#include "transfer/http_tunnel.h"
#include "transfer/progress_dialog.h"
#include "transfer/core/redirect_rules.h"
#include "transfer/core/url_parts.h"

namespace {

constexpr uint16_t kReadAndClose = FD_READ | FD_CLOSE;
// What the log shows in place of a password.
constexpr char kMaskedPassword[] = "xxxxx";

// Plugs the GET step into HttpSession when this code is linked in.
const bool kMakerSet = (MakeHttpGetCommand = MakeHttpGet, MakeTunnelCommand = MakeHttpTunnel, true);

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char a = *text, b = *prefix;
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

}  // namespace

Command* MakeHttpGet(AsyncSocket* session, const char* target, const char* localPath) {
    return new HttpGetCommand(session, localPath, target);
}

HttpGetCommand::HttpGetCommand(AsyncSocket* owner_, const char* localPath_, const char* target_)
    : Command(owner_, kHttpGetCommand),
      progress(nullptr),
      file(nullptr),
      bytesReceived(0),
      windowReleased(0),
      closed(0),
      asking(0),
      closePending(0),
      connectionLost(0),
      readBuffer_(nullptr),
      readSize_(0) {
    (void)kMakerSet;
    localPath.Assign(localPath_ ? localPath_ : "");
    target.Assign(target_ ? target_ : "");
}

HttpGetCommand::~HttpGetCommand() {
    if (file) fclose(file);
    file = nullptr;
    ReleaseWindow();
    delete[] readBuffer_;
}

void HttpGetCommand::ReleaseWindow() {
    if (!progress) return;
    if (!windowReleased) windowReleased = 1;
    progress->command = nullptr;
    delete progress;
    progress = nullptr;
}

uint16_t HttpGetCommand::RequestHost(TextBuffer& host, uint16_t* port) const {
    // Over TLS the host is the one whose certificate was checked.
    if (const Command* found = FindPrevious(kTlsHandshakeCommand)) {
        const TlsHandshakeCommand* handshake = static_cast<const TlsHandshakeCommand*>(found);
        host.Assign(handshake->serverName.Text(), handshake->serverName.length);
        *port = handshake->port;
        return !host.Empty();
    }
    if (StartsWithNoCase(target.Text(), "http://") &&
        SplitHttpUrlHost(target.Text(), target.length, host, port))
        return 1;
    const ConnectCommand* connect = static_cast<const ConnectCommand*>(FindPrevious(kConnectCommand));
    if (!connect || connect->host.Empty()) return 0;
    host.Assign(connect->host.Text(), connect->host.length);
    *port = connect->port;
    return 1;
}

void HttpGetCommand::ShownTarget(TextBuffer& shown, bool forLog) const {
    // A path is shown as it is; an absolute URL (through a proxy) may carry
    // a login, whose password the log masks as it masks PASS.
    if (target.Text()[0] == '/') shown.Assign(target.Text(), target.length);
    else if (forLog) UrlWithMaskedPassword(target.Text(), kMaskedPassword, shown);
    else UrlWithoutPassword(target.Text(), shown);
}

uint16_t HttpGetCommand::Start() {
    if (!owner || localPath.Empty() || target.Empty()) return 0;
    TextBuffer host;
    uint16_t port = 80;
    TextBuffer request(256);
    const uint16_t defaultPort = FindPrevious(kTlsHandshakeCommand) ? 443 : 80;
    if (!RequestHost(host, &port) ||
        !BuildHttpRequest(request, target.Text(), target.length, host.Text(), host.length, port, defaultPort))
        return 0;
    TextBuffer shown(256);
    ShownTarget(shown);
    readBuffer_ = AllocateTransferBlock(kReadSize, kSmallestReadSize, &readSize_);
    if (!readBuffer_) return 0;
    --readSize_;  // room for a terminator after a full read
    owner->SetBufferSizes(1024 * 1024, 0);

    file = fopen(localPath.Text(), "wb");
    if (!file) return 0;
    progress = new ProgressDialog(this);
    if (!progress->Schedule(owner->owner, kMsgReceiving, shown.Text())) {
        delete progress;
        progress = nullptr;
        fclose(file);
        file = nullptr;
        remove(localPath.Text());
        return 0;
    }
    progress->ShowCount(kMsgBytesReceived, 0);
    owner->SelectEvents(kReadAndClose);
    // The log shows the request as it goes out, a login's password masked.
    TextBuffer logged(256), loggedTarget(256);
    ShownTarget(loggedTarget, true);
    if (BuildHttpRequest(logged, loggedTarget.Text(), loggedTarget.length, host.Text(), host.length, port,
                         defaultPort))
        LogOutgoingLine(logged.Text(), logged.length);
    return owner->SendLine(request.Text(), request.length, nullptr, 0);
}

uint16_t HttpGetCommand::OnRead() {
    if (closed) return 0;
    owner->SelectEvents(FD_CLOSE);
    ReadEnd end = ReadAvailable(false);
    if (closed) return 0;
    if (end == kPeerClosed) {
        if (asking) closePending = 1;
        else SettleAtClose();
        return 0;
    }
    owner->SelectEvents(kReadAndClose);
    return 1;
}

HttpGetCommand::ReadEnd HttpGetCommand::ReadAvailable(bool toTheEnd) {
    char* buffer = readBuffer_;
    if (!buffer) return kNothingNow;
    for (;;) {
        int count = owner->Recv(buffer, static_cast<int>(readSize_), 0);
        if (count < 0) {
            if (SocketFunctions.WSAGetLastError && SocketFunctions.WSAGetLastError() != WSAEWOULDBLOCK) {
                // Reset: the document may be cut anywhere.
                connectionLost = 1;
                return kPeerClosed;
            }
            return toTheEnd ? kPeerClosed : kNothingNow;
        }
        if (count == 0) return kPeerClosed;
        buffer[count] = 0;
        int32_t header = parser.Feed(buffer, static_cast<uint32_t>(count), *this);
        if (closed) return kSettled;
        if (header == HttpResponseParser::kStopped) {
            Settle(kFailed, ParserToldOwner());
            return kSettled;
        }
        bytesReceived = parser.BodyBytes();
        if (progress) {
            progress->SetTotal(parser.LengthKnown() ? parser.ContentLength() : kNoTotal);
            progress->ShowCount(kMsgBytesReceived, bytesReceived);
        }
        if (parser.BodyComplete()) {
            // Content-Length bytes or the last chunk: the document is whole,
            // whether or not the server closes now.
            Settle(kSaved);
            return kSettled;
        }
        if (!toTheEnd && static_cast<uint32_t>(count) < readSize_) return kNothingNow;
    }
}

void HttpGetCommand::SettleAtClose() {
    if (closed) return;
    if (ReadAvailable(true) == kSettled || closed) return;
    if (connectionLost) {
        Settle(kFailed);
        return;
    }
    // A status or header line without a line end is judged now; a body that
    // runs to the close ends here.
    parser.Finish(*this);
    if (closed) return;
    if (parser.Stopped()) {
        Settle(kFailed, ParserToldOwner());
    } else {
        // No bytes, a header without its end, a body shorter than announced
        // or without its last chunk: not a document.
        Settle(parser.Complete() ? kSaved : kFailed);
    }
}

bool HttpGetCommand::ParserToldOwner() const {
    // The sink calls for these reported the outcome themselves.
    const uint16_t reason = parser.StopReasonOf();
    return reason == HttpResponseParser::kStatusRefused || reason == HttpResponseParser::kNoCode ||
           reason == HttpResponseParser::kRedirected;
}

void HttpGetCommand::Settle(Outcome outcome, bool ownerTold) {
    if (closed) return;
    closed = 1;
    owner->Close();
    const bool hadFile = file != nullptr;
    if (file) fclose(file);
    file = nullptr;
    if (outcome == kSaved && hadFile) {
        if (progress) progress->ShowCount(kMsgBytesReceived, bytesReceived, true);
        owner->PostToOwner(kCodeTransferDone, 1);
    } else {
        if (hadFile) remove(localPath.Text());
        if (outcome == kCancelled) owner->PostToOwner(kCodeTransferDone, 0);
        else if (!ownerTold) owner->PostToOwner(kCodeFailed, 0);
    }
    ReleaseWindow();
    if (outcome == kSaved && hadFile) owner->CompleteStep();
}

uint16_t HttpGetCommand::OnReply(const char*) {
    if (closed) return 0;
    if (asking) {
        // Settled once the question is answered.
        closePending = 1;
        return 0;
    }
    SettleAtClose();
    return 0;
}

void HttpGetCommand::ConnectionLost() {
    if (closed) return;
    connectionLost = 1;
    if (asking) {
        closePending = 1;
        return;
    }
    // The session tells the owner.
    Settle(kFailed, true);
}

uint16_t HttpGetCommand::Finish() {
    if (closed || asking) return 1;
    owner->SelectEvents(FD_CLOSE);
    char caption[256] = "";
    if (progress && progress->window) GetWindowTextA(progress->window, caption, sizeof caption);
    asking = 1;
    int answer = ShowMessageById(kMsgCancelTransfer, caption, MB_YESNO | MB_ICONQUESTION,
                                 progress ? progress->window : owner->owner);
    asking = 0;
    if (closed) return 1;
    if (answer == IDYES) {
        // The user's Yes wins, whatever came meanwhile.
        cancelled = 1;
        Settle(kCancelled);
    } else if (closePending) {
        SettleAtClose();
    } else {
        owner->SelectEvents(kReadAndClose);
    }
    return 1;
}

uint32_t HttpGetCommand::WriteLocal(const char* bytes, uint32_t count) {
    if (!file) return 0;
    return static_cast<uint32_t>(fwrite(bytes, 1, count, file));
}

void HttpGetCommand::OnLogText(const char* text, uint32_t length) {
    while (length > 0) {
        uint16_t piece = length > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(length);
        WriteLog(text, piece);
        text += piece;
        length -= piece;
    }
}

void HttpGetCommand::OnLastModified(const char* value, uint32_t) {
    owner->SendToOwner(kCodeHeaderValue, reinterpret_cast<LPARAM>(value));
}

void HttpGetCommand::OnFailureStatus(const char* statusText, uint32_t) {
    owner->SendToOwner(kCodeFailed, reinterpret_cast<LPARAM>(statusText));
}

void HttpGetCommand::OnRedirect(const char* statusText, uint32_t statusLength, const char* location, uint32_t,
                                uint16_t whole) {
    // An owner that follows redirects takes it; to any other it is a status
    // that failed.
    RedirectNotice notice = {location, whole};
    if (owner->SendToOwner(kCodeRedirect, reinterpret_cast<LPARAM>(&notice)) == LRESULT(kCodeRedirect)) return;
    OnFailureStatus(statusText, statusLength);
}

void HttpGetCommand::OnNoStatusCode() {
    owner->SendToOwner(kCodeFailed, 0);
    const ConnectCommand* connect = static_cast<const ConnectCommand*>(FindPrevious(kConnectCommand));
    TextBuffer host;
    if (connect && !connect->host.Empty()) host.Assign(connect->host.Text(), connect->host.length);
    else LoadStringInto(kStrHost, host);
    TextBuffer text(256);
    AppendFormatted(text, kMsgCannotConnect, 1, host.Text());
    char caption[256] = "";
    if (owner->owner) GetWindowTextA(owner->owner, caption, sizeof caption);
    asking = 1;  // a close while the box is up waits for it
    ShowMessage(text.Text(), caption, MB_OK | MB_ICONEXCLAMATION,
                progress && progress->window ? progress->window : owner->owner);
    asking = 0;
}

uint16_t HttpGetCommand::OnFileBytes(const char* bytes, uint32_t length) {
    return WriteLocal(bytes, length) == length ? 1 : 0;
}
