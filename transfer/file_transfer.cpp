#include "transfer/file_transfer.h"

#include <windows.h>

#include <io.h>

#include <cstdio>
#include <new>
#include <share.h>

#include "frame/core/string_ids.h"
#include "frame/strings.h"
#include "ftp/ftp_session.h"
#include "net/socket.h"
#include "net/socket_library.h"
#include "transfer/progress_dialog.h"

namespace {
// Large blocks keep the calls per megabyte few; each size halves while
// memory is short.
constexpr uint32_t kLargestReceive = 256 * 1024;
constexpr uint32_t kSmallestReceive = 4096;
constexpr uint32_t kLargestChunk = 256 * 1024;
constexpr uint32_t kSmallestChunk = 128;
// Kernel buffers asked for on data connections.
constexpr int kDataSocketBuffer = 1024 * 1024;
constexpr uint16_t kReadClose = FD_READ | FD_CLOSE;
constexpr uint16_t kWriteClose = FD_WRITE | FD_CLOSE;

int LastSocketError() { return SocketFunctions.WSAGetLastError ? SocketFunctions.WSAGetLastError() : 0; }

// The progress window under the owner window, which it disables while it
// exists; it appears once the transfer has run a moment. Null when it could
// not be arranged.
ProgressDialog* OpenProgress(Command* command, uint16_t actionId, const char* remoteName) {
    ProgressDialog* progress = new (std::nothrow) ProgressDialog(command);
    if (!progress) return nullptr;
    if (!progress->Schedule(command->owner->owner, actionId, remoteName)) {
        delete progress;
        return nullptr;
    }
    return progress;
}

void CloseProgressOf(ProgressDialog*& progress) {
    if (!progress) return;
    progress->command = nullptr;
    delete progress;
    progress = nullptr;
}

// Yes when the user confirms cancelling the transfer.
bool ConfirmCancel(ProgressDialog* progress) {
    HWND window = progress ? progress->window : nullptr;
    char caption[128] = "";
    if (window) GetWindowTextA(window, caption, sizeof caption);
    return ShowMessageById(kMsgCancelTransfer, caption, MB_YESNO | MB_ICONQUESTION, window) == IDYES;
}
enum CancelAnswer { kGoOn, kCancel, kEndedMeanwhile };

// Asks whether to cancel while only a close can arrive on the socket.
CancelAnswer AskToCancel(AsyncSocket* socket, ProgressDialog* progress, bool* asking, const bool* done) {
    socket->SelectEvents(FD_CLOSE);
    *asking = true;
    bool yes = ConfirmCancel(progress);
    *asking = false;
    if (*done) return kEndedMeanwhile;
    return yes ? kCancel : kGoOn;
}
}  // namespace

char* AllocateTransferBlock(uint32_t largest, uint32_t smallest, uint32_t* size) {
    for (uint32_t n = largest; n >= smallest && n != 0; n /= 2) {
        char* block = new (std::nothrow) char[n];
        if (block) {
            *size = n;
            return block;
        }
    }
    *size = 0;
    return nullptr;
}

ReceiveFileCommand::ReceiveFileCommand(AsyncSocket* owner, const char* localPath, const char* remoteName)
    : Command(owner, kReceiveFileCommand),
      progress(nullptr),
      localPath(64),
      remoteName(64),
      file(nullptr),
      bytesReceived(0),
      buffer(nullptr),
      bufferSize(0),
      done_(false),
      asking_(false),
      closeWhileAsking_(false),
      lost_(false) {
    this->localPath.Assign(localPath);
    this->remoteName.Assign(remoteName);
}

ReceiveFileCommand::~ReceiveFileCommand() {
    CloseProgress();
    if (file) std::fclose(file);
    delete[] buffer;
}

void ReceiveFileCommand::CloseProgress() { CloseProgressOf(progress); }

uint16_t ReceiveFileCommand::Start() {
    if (localPath.length == 0) return 0;
    buffer = AllocateTransferBlock(kLargestReceive, kSmallestReceive, &bufferSize);
    if (!buffer) return 0;
    owner->SetBufferSizes(kDataSocketBuffer, 0);
    file = std::fopen(localPath.Text(), "wb");
    if (!file) return 0;
    // Unbuffered: a write the disk cannot take shows at once.
    std::setvbuf(file, nullptr, _IONBF, 0);
    progress = OpenProgress(this, kMsgReceiving, remoteName.Text());
    if (!progress) return 0;
    progress->SetTotal(AnnouncedTotal());
    progress->ShowCount(kMsgBytesReceived, 0);
    if (!owner->SelectEvents(kReadClose)) return 0;
    // What came before the events were chosen (a whole file and a reset,
    // which raises no event afterwards) is read at once.
    PostMessageA(owner->window, SocketEventMessage, static_cast<WPARAM>(owner->handle), FD_READ);
    return 1;
}

uint64_t ReceiveFileCommand::AnnouncedTotal() const {
    // The size the control connection's 150 reply named.
    return owner->conversation ? owner->conversation->AnnouncedSize() : kNoTotal;
}

void ReceiveFileCommand::Fail() {
    if (done_) return;
    done_ = true;
    owner->Close();
    if (file) {
        std::fclose(file);
        file = nullptr;
        std::remove(localPath.Text());
    }
    owner->PostToOwner(kCodeFailed);
    CloseProgress();
}

void ReceiveFileCommand::ConnectionLost() {
    if (asking_) {
        closeWhileAsking_ = true;
        lost_ = true;
        return;
    }
    Fail();
}

// Reads what the socket holds into the file. 1 when the peer has closed,
// 0 when nothing more is there now, -1 when the receive failed (a lost
// connection or a write the file did not take).
int ReceiveFileCommand::ReadAvailable() {
    if (!buffer) return -1;
    for (;;) {
        int n = owner->Recv(buffer, static_cast<int>(bufferSize), 0);
        if (n < 0) return LastSocketError() == WSAEWOULDBLOCK ? 0 : -1;
        if (n == 0) return 1;
        bytesReceived += static_cast<uint64_t>(n);
        if (progress) {
            // The 150 reply may come at any time.
            progress->SetTotal(AnnouncedTotal());
            progress->ShowCount(kMsgBytesReceived, bytesReceived);
        }
        if (!file || std::fwrite(buffer, 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) return -1;
    }
}

uint16_t ReceiveFileCommand::OnRead() {
    if (done_) return 1;
    owner->SelectEvents(FD_CLOSE);
    int outcome = ReadAvailable();
    if (outcome < 0) {
        Fail();
        return 0;
    }
    if (outcome > 0) {
        // The peer closed: finish through the close event.
        PostMessageA(owner->window, SocketEventMessage, static_cast<WPARAM>(owner->handle), FD_CLOSE);
    } else if (!asking_) {
        owner->SelectEvents(kReadClose);
    }
    return 1;
}

uint16_t ReceiveFileCommand::OnReply(const char*) {
    if (done_) return 1;
    if (asking_) {
        // The connection ended while the Cancel question is up: settle it
        // once the question is answered.
        closeWhileAsking_ = true;
        return 1;
    }
    owner->DrainEvents(FD_CLOSE);
    if (done_) return 1;
    if (!cancelled && file && owner->HasSocket() && ReadAvailable() < 0) {
        Fail();
        return 1;
    }
    done_ = true;
    // Closed at once: a server may wait for the close before its final
    // reply.
    owner->Close();
    bool wasOpen = file != nullptr;
    if (progress) progress->ShowCount(kMsgBytesReceived, bytesReceived, true);
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    if (!cancelled) {
        owner->PostToOwner(wasOpen ? kCodeTransferDone : kCodeFailed, wasOpen ? 1 : 0);
    } else {
        std::remove(localPath.Text());
    }
    CloseProgress();
    return 1;
}

uint16_t ReceiveFileCommand::Finish() {
    if (done_ || asking_) return 1;
    CancelAnswer answer = AskToCancel(owner, progress, &asking_, &done_);
    if (answer == kEndedMeanwhile) return 1;
    if (answer == kGoOn) {
        if (lost_) {
            Fail();
            return 1;
        }
        if (closeWhileAsking_) return OnReply(nullptr);
        owner->SelectEvents(kReadClose);
        return 1;
    }
    cancelled = 1;
    owner->Close();
    owner->PostToOwner(kCodeTransferDone, 0);
    return OnReply(nullptr);
}

SendFileCommand::SendFileCommand(AsyncSocket* owner, const char* localPath, const char* remoteName)
    : Command(owner, kSendFileCommand),
      progress(nullptr),
      localPath(64),
      remoteName(64),
      file(nullptr),
      bytesSent(0),
      endOfFile(0),
      chunk(nullptr),
      chunkLength(0),
      chunkPosition(0),
      chunkSize(0),
      done_(false),
      asking_(false),
      sentAll_(false),
      failedWhileAsking_(false),
      abortedWhileAsking_(false) {
    this->localPath.Assign(localPath);
    this->remoteName.Assign(remoteName);
}

SendFileCommand::~SendFileCommand() {
    delete[] chunk;
    if (file) std::fclose(file);
    CloseProgress();
}

void SendFileCommand::CloseProgress() { CloseProgressOf(progress); }

uint16_t SendFileCommand::Start() {
    if (localPath.length == 0) return 0;
    chunk = AllocateTransferBlock(kLargestChunk, kSmallestChunk, &chunkSize);
    if (!chunk) return 0;
    owner->SetBufferSizes(0, kDataSocketBuffer);
    chunkLength = chunkSize;
    chunkPosition = chunkSize;
    file = _fsopen(localPath.Text(), "rb", _SH_DENYNO);
    if (!file) {
        delete[] chunk;
        chunk = nullptr;
        return 0;
    }
    progress = OpenProgress(this, kMsgSending, remoteName.Text());
    if (!progress) return 0;
    const int64_t size = _filelengthi64(_fileno(file));
    progress->SetTotal(size >= 0 ? static_cast<uint64_t>(size) : kNoTotal);
    progress->ShowCount(kMsgBytesSent, 0);
    return owner->SelectEvents(kWriteClose);
}

uint16_t SendFileCommand::OnWrite() {
    if (!file || done_ || asking_) return 0;
    for (;;) {
        uint32_t amount;
        if (chunkPosition < chunkLength) {
            amount = chunkLength - chunkPosition;
        } else {
            if (endOfFile) {
                sentAll_ = true;
                if (progress) progress->ShowCount(kMsgBytesSent, bytesSent, true);
                return 1;
            }
            chunkPosition = 0;
            size_t got = std::fread(chunk, 1, chunkLength, file);
            if (got < chunkLength && std::ferror(file)) {
                // The file could not be read to its end.
                Fail();
                return 0;
            }
            if (got < chunkLength) {
                endOfFile = 1;
                chunkLength = static_cast<uint32_t>(got);
            }
            if (got == 0) {
                sentAll_ = true;
                if (progress) progress->ShowCount(kMsgBytesSent, bytesSent, true);
                return 1;
            }
            amount = static_cast<uint32_t>(got);
        }
        int sent = owner->Send(chunk + chunkPosition, amount);
        if (sent == SOCKET_ERROR) {
            // No write event would come after an error.
            if (LastSocketError() != WSAEWOULDBLOCK) Fail();
            return 0;
        }
        uint32_t count = static_cast<uint32_t>(sent) > amount ? amount : static_cast<uint32_t>(sent);
        bytesSent += count;
        chunkPosition += count;
        if (progress) progress->ShowCount(kMsgBytesSent, bytesSent);
    }
}

void SendFileCommand::Stop() {
    done_ = true;
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    CloseProgress();
}

void SendFileCommand::Fail() {
    if (done_) return;
    if (asking_) {
        // Settled once the question is answered: Yes still cancels.
        failedWhileAsking_ = true;
        return;
    }
    owner->SelectEvents(0);
    owner->Reset();
    Stop();
    owner->conversation->StoreDataEnded(kDataCutShort);
}

void SendFileCommand::Abort() {
    if (done_) return;
    owner->SelectEvents(0);
    owner->Reset();
    if (asking_) {
        abortedWhileAsking_ = true;
        return;
    }
    Stop();
}

uint16_t SendFileCommand::OnReply(const char*) {
    if (done_) return 1;
    if (!sentAll_ && !cancelled) {
        // The server ended the connection before the whole file went.
        Fail();
        return 1;
    }
    Stop();
    // After the last byte: the server takes the end of the connection as
    // the end of the file.
    owner->Close();
    if (!cancelled) owner->conversation->StoreDataEnded(kDataSentWhole);
    return 1;
}

uint16_t SendFileCommand::Finish() {
    if (done_ || asking_) return 1;
    CancelAnswer answer = AskToCancel(owner, progress, &asking_, &done_);
    if (answer == kEndedMeanwhile) return 1;
    if (answer == kGoOn) {
        if (abortedWhileAsking_) {
            // The session has reported the failure.
            Stop();
        } else if (failedWhileAsking_) {
            Fail();
        } else {
            owner->SelectEvents(kWriteClose);
        }
        return 1;
    }
    // Reset: a server must not keep what it got as the whole file.
    cancelled = 1;
    owner->SelectEvents(0);
    owner->Reset();
    owner->PostToOwner(kCodeTransferDone, 0);
    owner->conversation->StoreDataEnded(kDataCancelled);
    return OnReply(nullptr);
}

StorActiveCommand::StorActiveCommand(AsyncSocket* owner, const char* remoteName)
    : FtpLineCommand(owner, kStorActiveCommand, kStrStor, remoteName) {}

StorPassiveCommand::StorPassiveCommand(AsyncSocket* owner, const char* remoteName, const char* localPath)
    : PassiveDataCommand(owner, kStorPassiveCommand, kStrStor, remoteName), localPath(64) {
    this->localPath.Assign(localPath);
}

uint16_t StorPassiveCommand::Start() {
    static_cast<FtpSession*>(owner)->StoreBegins(argument.Text());
    return PassiveDataCommand::Start();
}

uint16_t StorPassiveCommand::Ready() { return LocalFileReadable(localPath.Text()); }

Command* StorPassiveCommand::MakeDataCommand(AsyncSocket* data) {
    return new SendFileCommand(data, localPath.Text(), argument.Text());
}
