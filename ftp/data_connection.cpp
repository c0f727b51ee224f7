#include "ftp/data_connection.h"

#include "frame/strings.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_text.h"
#include "net/socket_library.h"
#include "transfer/file_transfer.h"

namespace {
constexpr int kListingBufferSize = 4096;

// The kept data chain of a connecting socket: connect, then `work`.
uint16_t StartConnectingChain(DataSocket* data, uint32_t address, uint16_t port, Command* work) {
    if (!data->HasSocket() || address == kNoAddress || !work) {
        delete work;
        return 0;
    }
    data->chain.Clear();
    data->chain.Append(new ConnectCommand(data, address, port, nullptr));
    data->chain.Append(work);
    return data->chain.Advance();
}
}  // namespace

DataSocket::DataSocket(HWND owner, SOCKET given) : AsyncSocket(owner, given) {}

void DataSocket::OnSocketEvent(uint16_t event, uint16_t error) {
    Command* current = CurrentCommand();
    if (!current) return;
    bool failed = false;
    switch (event) {
    case FD_READ:
        current->OnRead();
        return;
    case FD_WRITE:
        if (!current->OnWrite()) return;  // wait for the next write event
        failed = !current->OnReply(nullptr);
        break;
    case FD_ACCEPT:
        if (current->type != kAcceptWait) return;
        failed = !current->OnReply(nullptr);
        break;
    case FD_CONNECT:
        if (current->type != kConnectCommand) return;
        failed = error != 0 || !current->OnReply(nullptr);
        break;
    case FD_CLOSE:
        if (error && current->type == kReceiveFileCommand) {
            // A reset: what arrived is not the whole file.
            static_cast<ReceiveFileCommand*>(current)->ConnectionLost();
            return;
        }
        current->OnReply(nullptr);
        break;
    default:
        return;
    }
    if (!failed) {
        if (chain.Advance() || !chain.Current()) return;
    }
    PostToOwner(kCodeFailed);
}

ListingReader::ListingReader(AsyncSocket* owner) : Command(owner, kListingReader) {}

uint16_t ListingReader::Start() { return owner->SelectEvents(FD_READ | FD_CLOSE); }

uint16_t ListingReader::OnRead() {
    char* buffer = new char[kListingBufferSize];
    owner->SelectEvents(FD_CLOSE);
    int n;
    while ((n = owner->Recv(buffer, kListingBufferSize - 1, 0)) > 0) collector.Feed(buffer, static_cast<uint32_t>(n));
    if (n == 0) {
        // The server closed: finish through the close event.
        PostMessageA(owner->window, SocketEventMessage, static_cast<WPARAM>(owner->handle), FD_CLOSE);
    } else {
        owner->SelectEvents(FD_READ | FD_CLOSE);
    }
    delete[] buffer;
    return 1;
}

uint16_t ListingReader::OnReply(const char*) {
    owner->DrainEvents(FD_CLOSE);
    collector.Finish();
    owner->SendToOwner(kCodeListing, reinterpret_cast<LPARAM>(collector.Listing().Text()));
    return 1;
}

PassiveDataCommand::PassiveDataCommand(AsyncSocket* owner, uint16_t type, uint16_t keywordId, const char* argument)
    : FtpLineCommand(owner, type, keywordId, argument), address(kNoAddress), port(0), dataSocket(nullptr) {}

PassiveDataCommand::~PassiveDataCommand() { delete dataSocket; }

uint16_t PassiveDataCommand::Start() {
    if (address == kNoAddress) {
        PasvCommand* pasv = static_cast<PasvCommand*>(FindPrevious(kPasvCommand));
        if (!pasv) return 0;
        address = pasv->address;
        port = pasv->port;
    }
    // The command goes out before the data connection is opened.
    if (!FtpLineCommand::Start()) return 0;
    delete dataSocket;
    dataSocket = new DataSocket(owner->owner);
    return StartConnectingChain(dataSocket, address, port, MakeDataCommand(dataSocket));
}

ListPassiveCommand::ListPassiveCommand(AsyncSocket* owner)
    : PassiveDataCommand(owner, kListPassiveCommand, kStrList, nullptr) {}

Command* ListPassiveCommand::MakeDataCommand(AsyncSocket* data) { return new ListingReader(data); }

RetrPassiveCommand::RetrPassiveCommand(AsyncSocket* owner, const char* remoteName, const char* localPath)
    : PassiveDataCommand(owner, kRetrPassiveCommand, kStrRetr, remoteName), localPath(64) {
    this->localPath.Assign(localPath);
}

Command* RetrPassiveCommand::MakeDataCommand(AsyncSocket* data) {
    return new ReceiveFileCommand(data, localPath.Text(), argument.Text());
}

PortCommand::PortCommand(AsyncSocket* owner, uint16_t kind, const char* localPath, const char* remoteName)
    : Command(owner, kPortCommand), listening(nullptr), kind(kind), localPath(64), remoteName(64) {
    this->localPath.Assign(localPath);
    this->remoteName.Assign(remoteName);
}

PortCommand::~PortCommand() { delete listening; }

uint16_t PortCommand::Start() {
    delete listening;
    listening = new DataSocket(owner->owner);
    if (!listening->HasSocket() || !listening->SelectEvents(FD_ACCEPT) || !listening->Listen(4)) return 0;
    listening->chain.Clear();
    listening->chain.Append(new AcceptWait(listening, kind, localPath.Text(), remoteName.Text()));
    if (!listening->chain.Advance()) return 0;

    TextBuffer argument(64);
    if (!BuildPortArgument(owner->LocalAddress(), listening->LocalPort(), argument)) return 0;
    char keyword[32];
    LoadResourceString(kStrPort, keyword, sizeof keyword);
    TextBuffer line(64);
    if (!BuildCommandLine(line, keyword, argument.Text(), argument.length)) return 0;
    return owner->SendLine(line.Text(), line.length, nullptr, 1);
}

ListActiveCommand::ListActiveCommand(AsyncSocket* owner) : FtpLineCommand(owner, kListActiveCommand, kStrList, nullptr) {}

RetrActiveCommand::RetrActiveCommand(AsyncSocket* owner, const char* remoteName)
    : FtpLineCommand(owner, kRetrActiveCommand, kStrRetr, remoteName) {}

uint16_t RetrActiveCommand::Start() {
    if (!sendable) return 0;
    static_cast<FtpSession*>(owner)->AwaitTransferReply = 1;
    return FtpLineCommand::Start();
}

AcceptWait::AcceptWait(AsyncSocket* owner, uint16_t kind, const char* localPath, const char* remoteName)
    : Command(owner, kAcceptWait), accepted(nullptr), localPath(64), remoteName(64), kind(kind) {
    this->localPath.Assign(localPath);
    this->remoteName.Assign(remoteName);
}

AcceptWait::~AcceptWait() { delete accepted; }

uint16_t AcceptWait::OnReply(const char*) {
    SOCKET s = owner->Accept();
    // A failed accept fails the transfer instead of leaving it waiting.
    if (s == INVALID_SOCKET || s == 0) return 0;
    delete accepted;
    accepted = new DataSocket(owner->owner, s);
    owner->Close();
    Command* work = nullptr;
    switch (kind) {
    case kTransferListing: work = new ListingReader(accepted); break;
    case kTransferReceive: work = new ReceiveFileCommand(accepted, localPath.Text(), remoteName.Text()); break;
    case kTransferSend: work = new SendFileCommand(accepted, localPath.Text(), remoteName.Text()); break;
    default: break;
    }
    if (!work) return 0;
    accepted->chain.Clear();
    accepted->chain.Append(work);
    return accepted->chain.Advance();
}
