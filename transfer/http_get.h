#ifndef ORBNET_TRANSFER_HTTP_GET_H
#define ORBNET_TRANSFER_HTTP_GET_H

#include <windows.h>
#include <cstdint>
#include <cstdio>

#include "frame/text_buffer.h"
#include "net/command.h"
#include "transfer/http_text.h"

class ProgressDialog;

// Sends one HTTP/1.0 GET and saves the answer's body in a local file while
// the progress window shows the byte count. Outcomes go to the session's
// owner window:
//   105 (sent)    a Last-Modified value
//   0 (sent)      a status that is not 2xx, with its text; or 0 when the
//                 status line has no code (then message 1291 is shown)
//   104, 1        the connection closed after the document was saved
//   104, 0        the user cancelled
//   0, 0 (posted) the local file could not be written completely, the
//                 connection was reset, or it closed with no local file open
// A failure (status, missing code, short write, reset) ends the fetch and
// deletes the local file: nothing is left that looks saved.
class HttpGetCommand : public Command, private HttpResponseSink {
public:
    HttpGetCommand(AsyncSocket* owner, const char* localPath, const char* target);
    ~HttpGetCommand() override;

    uint16_t Start() override;
    uint16_t OnRead() override;
    uint16_t OnReply(const char* reply) override;
    // Cancel from the progress window: asks first.
    uint16_t Finish() override;

    // Receives go into a block of this size (smaller while memory is short).
    static constexpr uint32_t kReadSize = 256 * 1024;
    static constexpr uint32_t kSmallestReadSize = 4096;

    ProgressDialog* progress;  // owned; null when none
    TextBuffer localPath;
    TextBuffer target;
    FILE* file;
    uint32_t bytesReceived;
    uint16_t windowReleased;
    uint16_t closed;
    uint16_t failed;       // the fetch failed; the owner has been told or will be
    uint16_t asking;       // the Cancel question is up
    uint16_t closePending; // the connection closed while the question was up
    uint16_t connectionLost; // a receive failed: the connection was reset
    HttpResponseParser parser;

protected:
    // Writes to the local file; the count written.
    virtual uint32_t WriteLocal(const char* bytes, uint32_t count);

private:
    void OnLogText(const char* text, uint32_t length) override;
    void OnLastModified(const char* value, uint32_t length) override;
    void OnFailureStatus(const char* statusText, uint32_t length) override;
    void OnNoStatusCode() override;
    uint16_t OnFileBytes(const char* bytes, uint32_t length) override;

    // Host and port for the Host line: from an absolute http:// target, else
    // from the connect step of the chain. 0 when neither gives one.
    uint16_t RequestHost(TextBuffer& host, uint16_t* port) const;
    // Ends a failed fetch: closes the connection, deletes the file, tells the
    // owner (code 0) unless it was told already.
    void Abandon(uint16_t ownerTold);
    void ReleaseWindow();
    // Reads and handles what has arrived: up to the first read that is not a
    // full block of body (all of it when toTheEnd). The last receive count:
    // 0 when the peer closed, negative when nothing more is there now or
    // the fetch failed.
    int32_t ReadAvailable(uint16_t toTheEnd);

    uint16_t writeFailed_;
    char* readBuffer_;  // owned; one byte longer than readSize_
    uint32_t readSize_;
};

// The GET step of StartHttpRequest.
Command* MakeHttpGet(AsyncSocket* session, const char* target, const char* localPath);

#endif
