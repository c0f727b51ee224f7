#ifndef ORBNET_TRANSFER_FILE_TRANSFER_H
#define ORBNET_TRANSFER_FILE_TRANSFER_H

#include <cstdint>
#include <cstdio>

#include "frame/core/text_buffer.h"
#include "ftp/data_connection.h"
#include "ftp/ftp_commands.h"
#include "net/command.h"

class ProgressDialog;

// A block of the largest size that can be had (new[]), halving down to
// smallest; null when even that fails. size receives its size.
char* AllocateTransferBlock(uint32_t largest, uint32_t smallest, uint32_t* size);

// Writes everything that arrives on a data connection into a new local file,
// with a progress window under the owner window. A file that cannot be
// written in full is deleted and the receive reported as failed (code 0).
class ReceiveFileCommand : public Command {
public:
    ReceiveFileCommand(AsyncSocket* owner, const char* localPath, const char* remoteName);
    ~ReceiveFileCommand() override;
    uint16_t Start() override;
    uint16_t OnRead() override;
    uint16_t OnReply(const char* reply) override;
    uint16_t Finish() override;
    // The data connection was reset: the receive fails.
    void ConnectionLost() override;

    ProgressDialog* progress;  // owned
    TextBuffer localPath;
    TextBuffer remoteName;
    FILE* file;
    uint64_t bytesReceived;
    char* buffer;  // owned; receives go here
    uint32_t bufferSize;

private:
    void CloseProgress();
    // Deletes the partial file and reports the receive as failed.
    void Fail();
    int ReadAvailable();
    uint64_t AnnouncedTotal() const;
    bool done_;
    bool asking_;            // the Cancel question is up
    bool closeWhileAsking_;  // the connection ended meanwhile
    bool lost_;              // ... with a reset
};

// Reads a local file and sends it on a data connection in chunks of at most
// kLargestChunk bytes (fewer when memory is short); OnWrite is true once the
// whole file has gone out. How the send ended goes to the session
// (StoreDataEnded): whole once every byte was handed over and the connection
// closed; cut short when the server ended the connection first or a read or
// send failed (the connection is then reset, so that the server cannot take
// what it got for the whole file); cancelled.
class SendFileCommand : public Command {
public:
    SendFileCommand(AsyncSocket* owner, const char* localPath, const char* remoteName);
    ~SendFileCommand() override;
    uint16_t Start() override;
    uint16_t OnWrite() override;
    // After OnWrite was true: the file has gone. Otherwise the connection
    // ended early.
    uint16_t OnReply(const char* reply) override;
    uint16_t Finish() override;
    // The session gave the store up: the connection is reset and the send
    // ends without a report (after the Cancel question, when it is up).
    void Abort();

    ProgressDialog* progress;  // owned
    TextBuffer localPath;
    TextBuffer remoteName;
    FILE* file;
    uint64_t bytesSent;
    uint16_t endOfFile;
    char* chunk;  // owned
    uint32_t chunkLength;
    uint32_t chunkPosition;
    uint32_t chunkSize;

private:
    void CloseProgress();
    // The send failed on the data side: reset, ended, reported cut short.
    void Fail();
    void Stop();
    bool done_;
    bool asking_;
    bool sentAll_;             // every byte was handed to the connection
    bool failedWhileAsking_;   // the connection ended while the question was up
    bool abortedWhileAsking_;  // ... or the session gave the store up
};

// STOR on an active connection: the PORT before it placed the send.
class StorActiveCommand : public FtpLineCommand {
public:
    StorActiveCommand(AsyncSocket* owner, const char* remoteName);
};

// STOR on a passive connection: sends the line, then connects to the
// address of the PASV before it and sends the file.
class StorPassiveCommand : public PassiveDataCommand {
public:
    StorPassiveCommand(AsyncSocket* owner, const char* remoteName, const char* localPath);
    uint16_t Start() override;

    TextBuffer localPath;

protected:
    Command* MakeDataCommand(AsyncSocket* data) override;
    uint16_t Ready() override;
};

#endif
