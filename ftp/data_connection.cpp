#include "ftp/data_connection.h"

#include <cstdio>
#include <cstring>
#include <share.h>

#include "frame/strings.h"
#include "ftp/ftp_session.h"
#include "ftp/core/ftp_text.h"
#include "net/protocol_log.h"
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

// "a.b.c.d:port" of an address in network order.
void FormatAddress(uint32_t address, uint16_t port, char* out, size_t size) {
    unsigned char b[4];
    std::memcpy(b, &address, 4);
    if (port) std::snprintf(out, size, "%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], unsigned(port));
    else std::snprintf(out, size, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

void LogNote(const char* text) { WriteLog(text, 0); }

}  // namespace

uint16_t LocalFileReadable(const char* path) {
    if (!path || !*path) return 0;
    FILE* file = _fsopen(path, "rb", _SH_DENYNO);
    if (!file) return 0;
    std::fclose(file);
    return 1;
}

DataSocket::DataSocket(HWND owner, AsyncSocket* control, SOCKET given, uint32_t bindAddress)
    : AsyncSocket(owner, given, control, bindAddress) {}

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
        if (!failed && !static_cast<AcceptWait*>(current)->accepted) return;  // a stranger, turned away
        break;
    case FD_CONNECT:
        if (current->type != kConnectCommand) return;
        failed = error != 0 || !current->OnReply(nullptr);
        break;
    case FD_CLOSE:
        if (error) {
            // A reset: a file that arrived so far is not the whole file.
            current->ConnectionLost();
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

ListingReader::ListingReader(AsyncSocket* owner)
    : Command(owner, kListingReader), started_(0), delivered_(false) {}

uint16_t ListingReader::Start() {
    if (!owner->SelectEvents(FD_READ | FD_CLOSE)) return 0;
    started_ = GetTickCount();
    // A listing that came whole before the events were chosen is read now.
    PostMessageA(owner->window, SocketEventMessage, static_cast<WPARAM>(owner->handle), FD_READ);
    return 1;
}

uint16_t ListingReader::OnRead() {
    if (delivered_) return 1;
    char* buffer = new char[kListingBufferSize];
    owner->SelectEvents(FD_CLOSE);
    int n = 0;
    while (!collector.Truncated() && (n = owner->Recv(buffer, kListingBufferSize - 1, 0)) > 0) {
        collector.Feed(buffer, static_cast<uint32_t>(n));
        if (GetTickCount() - started_ > kListingTimeLimit) collector.Stop(ListingCollector::kCutTime);
    }
    delete[] buffer;
    if (collector.Truncated()) {
        // Enough: the rest is not read (an endless listing ends here).
        char note[96];
        std::snprintf(note, sizeof note, "--- the listing was cut short (%u lines kept)\r\n",
                      static_cast<unsigned>(collector.Lines()));
        LogNote(note);
        if (owner->conversation) owner->conversation->DataEndedEarly();
        owner->SelectEvents(0);
        owner->SendToOwner(kCodeListingCut, collector.Reason());
        Deliver();
        owner->Close();
        return 1;
    }
    if (n == 0) {
        // The server closed: finish through the close event.
        PostMessageA(owner->window, SocketEventMessage, static_cast<WPARAM>(owner->handle), FD_CLOSE);
    } else {
        owner->SelectEvents(FD_READ | FD_CLOSE);
    }
    return 1;
}

void ListingReader::Deliver() {
    if (delivered_) return;
    delivered_ = true;
    collector.Finish();
    owner->SendToOwner(kCodeListing, reinterpret_cast<LPARAM>(collector.Text()));
}

uint16_t ListingReader::OnReply(const char*) {
    if (delivered_) return 1;
    owner->DrainEvents(FD_CLOSE);
    Deliver();
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
    // A reply that named no usable address, or a file that cannot be sent:
    // nothing goes out, so the server neither waits nor empties a file.
    if (address == kNoAddress || port == 0 || !Ready()) return 0;
    // The data connection goes to the server we talk to, whatever address
    // the reply named (a server behind NAT names a private one; a hostile
    // one any host at all).
    uint32_t server = owner->PeerAddress();
    if (server == kNoAddress) return 0;
    char named[32], used[32], note[128];
    FormatAddress(address, port, named, sizeof named);
    FormatAddress(server, port, used, sizeof used);
    std::snprintf(note, sizeof note, "--- data connection to %s (the reply named %s)\r\n", used, named);
    LogNote(note);
    // The command goes out before the data connection is opened.
    if (!FtpLineCommand::Start()) return 0;
    delete dataSocket;
    dataSocket = new DataSocket(owner->owner, owner);
    return StartConnectingChain(dataSocket, server, port, MakeDataCommand(dataSocket));
}

ListPassiveCommand::ListPassiveCommand(AsyncSocket* owner)
    : PassiveDataCommand(owner, kListPassiveCommand, kStrList, nullptr) {}

Command* ListPassiveCommand::MakeDataCommand(AsyncSocket* data) { return new ListingReader(data); }

RetrPassiveCommand::RetrPassiveCommand(AsyncSocket* owner, const char* remoteName, const char* localPath)
    : PassiveDataCommand(owner, kRetrPassiveCommand, kStrRetr, remoteName), localPath(64) {
    this->localPath.Assign(localPath);
}

uint16_t RetrPassiveCommand::Start() {
    static_cast<FtpSession*>(owner)->announcedSize = kUnknownSize;
    return PassiveDataCommand::Start();
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
    if (kind == kTransferSend) {
        if (!LocalFileReadable(localPath.Text())) return 0;
        static_cast<FtpSession*>(owner)->StoreBegins(remoteName.Text());
    }
    // Listen where the server reaches us, not on every address, and take
    // the connection from the server alone.
    uint32_t local = owner->LocalAddress();
    uint32_t server = owner->PeerAddress();
    if (local == kNoAddress || server == kNoAddress) return 0;
    delete listening;
    listening = new DataSocket(owner->owner, owner, INVALID_SOCKET, local);
    if (!listening->HasSocket() || !listening->SelectEvents(FD_ACCEPT) || !listening->Listen(4)) return 0;
    listening->chain.Clear();
    listening->chain.Append(new AcceptWait(listening, kind, localPath.Text(), remoteName.Text(), server));
    if (!listening->chain.Advance()) return 0;

    TextBuffer argument(64);
    if (!BuildPortArgument(local, listening->LocalPort(), argument)) return 0;
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
    FtpSession* session = static_cast<FtpSession*>(owner);
    session->announcedSize = kUnknownSize;
    session->AwaitTransferReply = 1;
    return FtpLineCommand::Start();
}

AcceptWait::AcceptWait(AsyncSocket* owner, uint16_t kind, const char* localPath, const char* remoteName,
                       uint32_t peer)
    : Command(owner, kAcceptWait), accepted(nullptr), localPath(64), remoteName(64), kind(kind), peer(peer) {
    this->localPath.Assign(localPath);
    this->remoteName.Assign(remoteName);
}

AcceptWait::~AcceptWait() { delete accepted; }

uint16_t AcceptWait::OnReply(const char*) {
    uint32_t from = kNoAddress;
    SOCKET s = owner->Accept(&from);
    // A failed accept fails the transfer instead of leaving it waiting.
    if (s == INVALID_SOCKET || s == 0) return 0;
    if (from != peer) {
        // Someone else: the file must neither come from nor go to them.
        if (SocketFunctions.closesocket) SocketFunctions.closesocket(s);
        char who[32], note[96];
        FormatAddress(from, 0, who, sizeof who);
        std::snprintf(note, sizeof note, "--- a data connection from %s was refused\r\n", who);
        LogNote(note);
        return 1;
    }
    delete accepted;
    accepted = new DataSocket(owner->owner, owner->conversation, s);
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
