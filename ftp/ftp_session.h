#ifndef ORBNET_FTP_FTP_SESSION_H
#define ORBNET_FTP_FTP_SESSION_H

#include <cstdint>

#include "ftp/core/ftp_text.h"
#include "ftp/core/reply_reader.h"
#include "net/socket.h"

class FtpLineCommand;

// Why a store failed when the server did not refuse it with a negative
// reply: it answered before every byte had gone, or it ended the data
// connection first.
enum StoreFailure : uint16_t { kStoreFailureNone = 0, kStoreAnsweredEarly = 1, kStoreDataCut = 2 };

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
    uint64_t AnnouncedSize() const override { return announcedSize; }
    // The reply line being acted on is the head of a longer line.
    bool ReplyWasCut() const { return reader_.ReplyCut() != 0; }
    void DataEndedEarly() override { dataEndedEarly_ = true; }
    void StoreDataEnded(uint16_t outcome) override;
    bool Stopped() const override { return halted_; }

    uint16_t StartConnect(const char* host, uint16_t port);
    uint16_t Login(const char* user, const char* password);
    uint16_t Quit();
    uint16_t ListDirectory(const char* directory, uint16_t passive);
    uint16_t MakeDirectory(const char* directory, uint16_t passive);

    // File transfers; each ends with QUIT. moreFiles and files are lists of
    // zero-terminated entries ended by an empty one; an entry of files may
    // also be 0x01, a remote directory, 0x01 and the local path. At most
    // count entries of files are stored.
    uint16_t RetrieveFile(const char* remoteName, const char* localPath, uint16_t passive);
    uint16_t StoreFiles(const char* remoteName, const char* localPath, uint16_t passive, const char* moreFiles);
    uint16_t ConnectAndRetrieve(const char* host, uint16_t port, const char* user, const char* password,
                                const char* directory, const char* remoteName, const char* localPath,
                                uint16_t passive);
    uint16_t ConnectAndStore(const char* host, uint16_t port, const char* user, const char* password,
                             const char* directory, const char* remoteName, const char* localPath, uint16_t passive);
    uint16_t ConnectAndStoreMany(const char* host, uint16_t port, const char* user, const char* password,
                                 const char* directory, const char* files, uint16_t count, uint16_t passive);

    // Set while an active RETR's control reply waits for the data side: a
    // positive reply is held until event 104, a negative one is reported at
    // once.
    uint16_t AwaitTransferReply;
    // The size the preliminary reply to the last RETR announced, or
    // kUnknownSize.
    uint64_t announcedSize;

    // A store's data side is being set up (PORT for a store, or a passive
    // STOR) for the file remoteName. Its final reply counts only once the
    // data side has handed over every byte on the server's connection and
    // closed it; a positive one before that fails the store at once.
    void StoreBegins(const char* remoteName);
    // Set with the code 0 of a failed store (kStoreFailureNone for a
    // negative reply or anything else), and the remote name of that file.
    uint16_t storeFailure;
    TextBuffer storeName;

private:
    class LogSink;
    void ReadReply();
    void ActOnReply();
    // A preliminary reply line (1xx) of the current command.
    void OnPreliminary(const char* line, uint32_t length);
    // Chain building: every line command is checked before anything starts.
    void BeginChain();
    void Add(Command* command);
    void AddLine(FtpLineCommand* command);
    void AddListing(uint16_t passive);
    void AddRetrieve(const char* remoteName, const char* localPath, uint16_t passive);
    void AddStore(const char* remoteName, const char* localPath, uint16_t passive);
    void AddConnectAndLogin(const char* host, uint16_t port, const char* user, const char* password,
                            const char* directory);
    uint16_t StartChain();
    // The current command is a STOR.
    bool StoreUnderWay() const;
    // A store failed: the chain stops where it is, the data side is reset.
    void HaltStore(uint16_t why);
    void StopDataSide();
    // The server has already ended the data connection of the store.
    bool DataSideGone();

    ReplyReader reader_;
    bool refused_;
    bool heldReply_;
    bool dataEndedEarly_;
    enum : uint16_t { kNoStore, kStoreSending, kStoreSent };
    uint16_t storeState_;
    // The chain was stopped by a failed store: later replies only go to the
    // log until the next operation.
    bool halted_;
    // Final replies still due to stores given up before they came; each is
    // passed over when it comes, the next operation's included.
    uint16_t owedReplies_;
};

#endif
