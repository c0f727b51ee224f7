#include "ftp/ftp_session.h"

#include <cstring>

#include "ftp/data_connection.h"
#include "ftp/ftp_commands.h"
#include "net/protocol_log.h"
#include "net/socket_library.h"
#include "transfer/file_transfer.h"

namespace {
constexpr int kReplyBufferSize = 1024;
constexpr uint16_t kReadClose = FD_READ | FD_CLOSE;

constexpr char kDirectoryMark = '\x01';

bool IsEmpty(const char* text) { return !text || !*text; }

// The part of a local path after its last backslash.
const char* NameOfPath(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}
}  // namespace

class FtpSession::LogSink : public ReplyLogSink {
public:
    explicit LogSink(FtpSession* session) : session_(session) {}
    void OnReplyLogLine(const char* line, uint32_t length) override {
        LogIncomingLine(line, static_cast<uint16_t>(length > 65535 ? 65535 : length));
        if (length > 0 && line[0] == '1') session_->OnPreliminary(line, length);
    }

private:
    FtpSession* session_;
};

FtpSession::FtpSession(HWND owner)
    : AsyncSocket(owner),
      AwaitTransferReply(0),
      announcedSize(kUnknownSize),
      storeFailure(kStoreFailureNone),
      storeName(64),
      refused_(false),
      heldReply_(false),
      dataEndedEarly_(false),
      storeState_(kNoStore),
      halted_(false),
      owedReplies_(0) {}

void FtpSession::OnPreliminary(const char* line, uint32_t length) {
    Command* current = CurrentCommand();
    if (!current || (current->type != kRetrPassiveCommand && current->type != kRetrActiveCommand)) return;
    // "150 Opening BINARY mode data connection for a.bin (3145728 bytes)."
    uint64_t size = ParseTransferSize(line, length);
    if (size != kUnknownSize) announcedSize = size;
}

FtpSession::~FtpSession() {}

void FtpSession::BeginChain() {
    chain.Clear();
    refused_ = false;
    dataEndedEarly_ = false;
    halted_ = false;
    storeState_ = kNoStore;
    storeFailure = kStoreFailureNone;
}

void FtpSession::StoreBegins(const char* remoteName) {
    storeState_ = kStoreSending;
    storeName.Assign(remoteName ? remoteName : "");
}

bool FtpSession::StoreUnderWay() const {
    const Command* current = chain.Current();
    return current && (current->type == kStorActiveCommand || current->type == kStorPassiveCommand);
}

void FtpSession::StopDataSide() {
    for (Socket* s = SocketList; s; s = s->next) {
        AsyncSocket* data = s->AsAsync();
        if (!data || data == this || data->conversation != this) continue;
        Command* current = data->CurrentCommand();
        if (current && current->type == kSendFileCommand) static_cast<SendFileCommand*>(current)->Abort();
        else if (data->HasSocket()) data->Close();  // still listening or connecting
    }
}

bool FtpSession::DataSideGone() {
    for (Socket* s = SocketList; s; s = s->next) {
        AsyncSocket* data = s->AsAsync();
        if (!data || data == this || data->conversation != this || !data->HasSocket()) continue;
        Command* current = data->CurrentCommand();
        if (!current || current->type != kSendFileCommand) continue;
        char probe;
        int n = data->Recv(&probe, 1, MSG_PEEK);
        if (n == 0) return true;  // closed
        if (n < 0 && SocketFunctions.WSAGetLastError && SocketFunctions.WSAGetLastError() != WSAEWOULDBLOCK)
            return true;  // reset
    }
    return false;
}

void FtpSession::HaltStore(uint16_t why) {
    halted_ = true;
    storeState_ = kNoStore;
    storeFailure = why;
    StopDataSide();
}

void FtpSession::StoreDataEnded(uint16_t outcome) {
    if (halted_) return;
    if (outcome == kDataSentWhole) {
        if (storeState_ == kStoreSending) storeState_ = kStoreSent;
        return;
    }
    // The server still owes the store's final reply.
    ++owedReplies_;
    HaltStore(outcome == kDataCutShort ? kStoreDataCut : kStoreFailureNone);
    if (outcome == kDataCutShort) {
        WriteLog("--- the data connection ended before the whole file was sent\r\n", 0);
        PostToOwner(kCodeFailed);
    }
}

void FtpSession::Add(Command* command) {
    if (!command) {
        refused_ = true;
        return;
    }
    chain.Append(command);
}

void FtpSession::AddLine(FtpLineCommand* command) {
    if (command && !command->Sendable()) refused_ = true;
    Add(command);
}

uint16_t FtpSession::StartChain() {
    if (refused_) {
        chain.Clear();
        return 0;
    }
    return chain.Advance();
}

void FtpSession::AddListing(uint16_t passive) {
    if (passive) {
        AddLine(new PasvCommand(this));
        Add(new ListPassiveCommand(this));
    } else {
        Add(new PortCommand(this, kListActiveCommand, nullptr, nullptr));
        AddLine(new ListActiveCommand(this));
    }
}

uint16_t FtpSession::StartConnect(const char* host, uint16_t port) {
    if (!HasSocket() || IsEmpty(host)) return 0;
    BeginChain();
    AppendConnect(host, port);
    return StartChain();
}

uint16_t FtpSession::Login(const char* user, const char* password) {
    if (!HasSocket()) return 0;
    BeginChain();
    AddLine(new UserCommand(this, user ? user : ""));
    AddLine(new PassCommand(this, password ? password : ""));
    return StartChain();
}

uint16_t FtpSession::Quit() {
    if (!HasSocket()) return 0;
    BeginChain();
    AddLine(new QuitCommand(this));
    return StartChain();
}

uint16_t FtpSession::ListDirectory(const char* directory, uint16_t passive) {
    if (!HasSocket()) return 0;
    BeginChain();
    if (!IsEmpty(directory)) AddLine(new CwdCommand(this, directory));
    AddLine(new PwdCommand(this));
    AddLine(new TypeCommand(this, 'A', 'N'));
    AddListing(passive);
    return StartChain();
}

uint16_t FtpSession::MakeDirectory(const char* directory, uint16_t passive) {
    if (!HasSocket() || IsEmpty(directory)) return 0;
    BeginChain();
    AddLine(new MkdCommand(this, directory));
    AddListing(passive);
    return StartChain();
}

void FtpSession::AddRetrieve(const char* remoteName, const char* localPath, uint16_t passive) {
    AddLine(new TypeCommand(this, 'I', 0));
    if (passive) {
        AddLine(new PasvCommand(this));
        AddLine(new RetrPassiveCommand(this, remoteName, localPath));
    } else {
        Add(new PortCommand(this, kTransferReceive, localPath, remoteName));
        AddLine(new RetrActiveCommand(this, remoteName));
    }
}

void FtpSession::AddStore(const char* remoteName, const char* localPath, uint16_t passive) {
    if (IsEmpty(localPath) || IsEmpty(remoteName)) refused_ = true;
    if (passive) {
        AddLine(new PasvCommand(this));
        AddLine(new StorPassiveCommand(this, remoteName, localPath));
    } else {
        Add(new PortCommand(this, kTransferSend, localPath, remoteName));
        AddLine(new StorActiveCommand(this, remoteName));
    }
}

void FtpSession::AddConnectAndLogin(const char* host, uint16_t port, const char* user, const char* password,
                                    const char* directory) {
    AppendConnect(host, port);
    AddLine(new UserCommand(this, user ? user : ""));
    AddLine(new PassCommand(this, password ? password : ""));
    AddLine(new CwdCommand(this, directory ? directory : ""));
}

uint16_t FtpSession::RetrieveFile(const char* remoteName, const char* localPath, uint16_t passive) {
    if (!HasSocket() || IsEmpty(remoteName) || IsEmpty(localPath)) return 0;
    BeginChain();
    AddRetrieve(remoteName, localPath, passive);
    AddLine(new QuitCommand(this));
    return StartChain();
}

uint16_t FtpSession::StoreFiles(const char* remoteName, const char* localPath, uint16_t passive,
                                const char* moreFiles) {
    if (!HasSocket() || IsEmpty(remoteName) || IsEmpty(localPath)) return 0;
    BeginChain();
    AddLine(new TypeCommand(this, 'I', 0));
    AddStore(remoteName, localPath, passive);
    if (moreFiles) {
        for (const char* path = moreFiles; *path; path += std::strlen(path) + 1) {
            AddStore(NameOfPath(path), path, passive);
        }
    }
    AddLine(new QuitCommand(this));
    return StartChain();
}

uint16_t FtpSession::ConnectAndRetrieve(const char* host, uint16_t port, const char* user, const char* password,
                                        const char* directory, const char* remoteName, const char* localPath,
                                        uint16_t passive) {
    if (!HasSocket() || IsEmpty(host) || IsEmpty(remoteName) || IsEmpty(localPath)) return 0;
    BeginChain();
    AddConnectAndLogin(host, port, user, password, directory);
    AddRetrieve(remoteName, localPath, passive);
    AddLine(new QuitCommand(this));
    return StartChain();
}

uint16_t FtpSession::ConnectAndStore(const char* host, uint16_t port, const char* user, const char* password,
                                     const char* directory, const char* remoteName, const char* localPath,
                                     uint16_t passive) {
    if (!HasSocket() || IsEmpty(host) || IsEmpty(remoteName) || IsEmpty(localPath)) return 0;
    BeginChain();
    AddConnectAndLogin(host, port, user, password, directory);
    AddLine(new TypeCommand(this, 'I', 0));
    AddStore(remoteName, localPath, passive);
    AddLine(new QuitCommand(this));
    return StartChain();
}

uint16_t FtpSession::ConnectAndStoreMany(const char* host, uint16_t port, const char* user, const char* password,
                                         const char* directory, const char* files, uint16_t count,
                                         uint16_t passive) {
    if (!HasSocket() || IsEmpty(host) || IsEmpty(files)) return 0;
    BeginChain();
    AddConnectAndLogin(host, port, user, password, directory);
    AddLine(new TypeCommand(this, 'I', 0));
    const char* entry = files;
    for (uint16_t done = 0; done < count && *entry; ++done, entry += std::strlen(entry) + 1) {
        const char* path = entry;
        bool inDirectory = entry[0] == kDirectoryMark;
        if (inDirectory) {
            const char* end = std::strchr(entry + 1, kDirectoryMark);
            if (!end) {
                refused_ = true;
                break;
            }
            TextBuffer remoteDirectory(64);
            if (entry[1] != '/') remoteDirectory.Append("/");
            if (end > entry + 1) remoteDirectory.Append(entry + 1, static_cast<uint32_t>(end - entry - 1));
            AddLine(new CwdCommand(this, remoteDirectory.Text()));
            path = end + 1;
        }
        AddLine(new TypeCommand(this, 'I', 0));
        AddStore(NameOfPath(path), path, passive);
        if (inDirectory) AddLine(new CwdCommand(this, directory ? directory : ""));
    }
    AddLine(new QuitCommand(this));
    return StartChain();
}

void FtpSession::ReadReply() {
    char buffer[kReplyBufferSize];
    int n = Recv(buffer, kReplyBufferSize - 1, 0);
    if (n == SOCKET_ERROR || n < 0) return;
    buffer[n] = '\0';
    LogSink sink(this);
    if (!reader_.Feed(buffer, static_cast<uint32_t>(n), &sink)) {
        if (reader_.TooLong()) {
            // A reply without end: give up instead of reading on for ever.
            SelectEvents(0);
            WriteLog("--- the reply has no end: the conversation is given up\r\n", 0);
            PostToOwner(kCodeFailed);
        }
        return;
    }
    if (owedReplies_) {
        // The answer to a store given up earlier.
        --owedReplies_;
        return;
    }
    if (halted_) return;
    if (IsNegativeReply(reader_.Reply(), reader_.ReplyLength())) {
        Command* current = CurrentCommand();
        // "426 Connection closed; transfer aborted." to a listing the
        // library itself cut short: the listing so far has been shown.
        const bool cutListing = dataEndedEarly_ && current &&
                                (current->type == kListPassiveCommand || current->type == kListActiveCommand);
        if (current && !AwaitTransferReply && (cutListing || current->OnNegativeReply(reader_.Reply()))) {
            dataEndedEarly_ = false;
            CompleteStep();
            return;
        }
        AwaitTransferReply = 0;
        heldReply_ = false;
        if (storeState_ != kNoStore) HaltStore(kStoreFailureNone);
        SendToOwner(kCodeFailed, reinterpret_cast<LPARAM>(reader_.Reply()));
        return;
    }
    if (StoreUnderWay()) {
        if (storeState_ != kStoreSent) {
            // The server takes the file as whole while bytes of it have not
            // gone (or no connection of its own ever came).
            const bool gone = DataSideGone();
            HaltStore(gone ? kStoreDataCut : kStoreAnsweredEarly);
            WriteLog(gone ? "--- the data connection ended before the whole file was sent\r\n"
                          : "--- the server answered before the whole file was sent\r\n",
                     0);
            SendToOwner(kCodeFailed, reinterpret_cast<LPARAM>(reader_.Reply()));
            return;
        }
        storeState_ = kNoStore;  // stored
    }
    if (AwaitTransferReply) {
        // The transfer's reply counts only once the data side is done.
        heldReply_ = true;
        return;
    }
    ActOnReply();
}

void FtpSession::ActOnReply() {
    Command* current = CurrentCommand();
    if (!current) return;
    if (!current->OnReply(reader_.Reply())) {
        SendToOwner(kCodeFailed, reinterpret_cast<LPARAM>(reader_.Reply()));
        return;
    }
    CompleteStep();
}

void FtpSession::OnSocketEvent(uint16_t event, uint16_t error) {
    if (event == FD_CLOSE) {
        // A store whose data side is still at work cannot be confirmed any
        // more: it stops here.
        if (!halted_ && storeState_ != kNoStore) HaltStore(kStoreFailureNone);
        PostToOwner(kCodeControlClosed);
        return;
    }
    if (!CurrentCommand()) return;
    switch (event) {
    case FD_READ:
        ReadReply();
        break;
    case FD_CONNECT:
        if (error) {
            PostToOwner(kCodeFailed);
        } else {
            // The greeting completes the connect.
            SelectEvents(kReadClose);
        }
        break;
    case kEventTransferDone:
        if (AwaitTransferReply) {
            AwaitTransferReply = 0;
            if (heldReply_) {
                heldReply_ = false;
                ActOnReply();
            }
        }
        break;
    default:
        break;
    }
}
