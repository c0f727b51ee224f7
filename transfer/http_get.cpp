#include "transfer/http_get.h"

#include <cstring>

#include "frame/strings.h"
#include "net/protocol_log.h"
#include "net/socket.h"
#include "net/socket_library.h"
#include "transfer/file_transfer.h"
#include "transfer/progress_dialog.h"

namespace {

constexpr uint16_t kReadAndClose = FD_READ | FD_CLOSE;

// Plugs the GET step into HttpSession when this code is linked in.
const bool kMakerSet = (MakeHttpGetCommand = MakeHttpGet, true);

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
      failed(0),
      asking(0),
      closePending(0),
      connectionLost(0),
      writeFailed_(0),
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
    if (StartsWithNoCase(target.Text(), "http://") &&
        SplitHttpUrlHost(target.Text(), target.length, host, port))
        return 1;
    const ConnectCommand* connect = static_cast<const ConnectCommand*>(FindPrevious(kConnectCommand));
    if (!connect || connect->host.Empty()) return 0;
    host.Assign(connect->host.Text(), connect->host.length);
    *port = connect->port;
    return 1;
}

uint16_t HttpGetCommand::Start() {
    if (!owner || localPath.Empty() || target.Empty()) return 0;
    TextBuffer host;
    uint16_t port = 80;
    TextBuffer request(256);
    if (!RequestHost(host, &port) ||
        !BuildHttpRequest(request, target.Text(), target.length, host.Text(), host.length, port))
        return 0;
    readBuffer_ = AllocateTransferBlock(kReadSize, kSmallestReadSize, &readSize_);
    if (!readBuffer_) return 0;
    --readSize_;  // room for a terminator after a full read
    owner->SetBufferSizes(1024 * 1024, 0);

    file = fopen(localPath.Text(), "wb");
    if (!file) return 0;
    progress = new ProgressDialog(this);
    if (!progress->Schedule(owner->owner, kMsgReceiving, target.Text())) {
        delete progress;
        progress = nullptr;
        fclose(file);
        file = nullptr;
        remove(localPath.Text());
        return 0;
    }
    owner->SelectEvents(kReadAndClose);
    return owner->SendLine(request.Text(), request.length, nullptr, 1);
}

uint16_t HttpGetCommand::OnRead() {
    if (closed || failed) return 0;
    owner->SelectEvents(FD_CLOSE);
    int32_t last = ReadAvailable(0);
    if (last == 0 || closed || failed) return 0;  // a close follows, or the fetch ended
    owner->SelectEvents(kReadAndClose);
    return 1;
}

int32_t HttpGetCommand::ReadAvailable(uint16_t toTheEnd) {
    char* buffer = readBuffer_;
    if (!buffer) return -1;
    for (;;) {
        int count = owner->Recv(buffer, static_cast<int>(readSize_), 0);
        if (count < 0 && SocketFunctions.WSAGetLastError &&
            SocketFunctions.WSAGetLastError() != WSAEWOULDBLOCK)
            connectionLost = 1;
        if (count <= 0) return count;
        buffer[count] = 0;
        int32_t header = parser.Feed(buffer, static_cast<uint32_t>(count), *this);
        if (header == HttpResponseParser::kStopped) {
            Abandon(!writeFailed_);
            return -1;
        }
        uint32_t body = static_cast<uint32_t>(count) - static_cast<uint32_t>(header);
        if (body) {
            bytesReceived += body;
            if (progress) progress->ShowCount(kMsgBytesReceived, bytesReceived);
        }
        if (!toTheEnd && (static_cast<uint32_t>(count) < readSize_ || body != readSize_)) return count;
    }
}

uint16_t HttpGetCommand::OnReply(const char*) {
    if (asking && !cancelled) {
        // Settled once the Cancel question is answered; the step ends then.
        closePending = 1;
        return 0;
    }
    owner->DrainEvents(FD_CLOSE);
    if (closed) return 1;
    if (!cancelled && !failed && file) {
        // Bytes that came before the close but were not read yet.
        ReadAvailable(1);
        if (closed) return 1;
        if (connectionLost && !failed) {
            // Reset: the document may be cut short, so it is not saved.
            failed = 1;
            owner->PostToOwner(kCodeFailed, 0);
        }
    }
    closed = 1;
    owner->Close();
    if (!cancelled && !failed && file) {
        // A status or header line without a line end is judged now.
        parser.Finish(*this);
        if (parser.Stopped() || writeFailed_) {
            failed = 1;
            if (writeFailed_) owner->PostToOwner(kCodeFailed, 0);
        } else if (parser.BodyShort()) {
            // Fewer bytes than the header announced: the document was cut.
            failed = 1;
            owner->PostToOwner(kCodeFailed, 0);
        }
    }
    const bool hadFile = file != nullptr;
    if (file) fclose(file);
    file = nullptr;
    if (cancelled || failed) {
        if (hadFile) remove(localPath.Text());
    } else {
        if (progress) progress->ShowCount(kMsgBytesReceived, bytesReceived, true);
        owner->PostToOwner(hadFile ? kCodeTransferDone : kCodeFailed, hadFile ? 1 : 0);
    }
    ReleaseWindow();
    return 1;
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
    if (answer == IDYES) {
        cancelled = 1;
        owner->Close();
        owner->PostToOwner(kCodeTransferDone, 0);
        OnReply(nullptr);
    } else if (closePending) {
        if (OnReply(nullptr)) owner->CompleteStep();
    } else {
        owner->SelectEvents(kReadAndClose);
    }
    return 1;
}

void HttpGetCommand::Abandon(uint16_t ownerTold) {
    failed = 1;
    owner->Close();
    if (!ownerTold) owner->PostToOwner(kCodeFailed, 0);
    OnReply(nullptr);
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
    failed = 1;
    owner->SendToOwner(kCodeFailed, reinterpret_cast<LPARAM>(statusText));
}

void HttpGetCommand::OnNoStatusCode() {
    failed = 1;
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
    if (WriteLocal(bytes, length) != length) {
        writeFailed_ = 1;
        return 0;
    }
    return 1;
}
