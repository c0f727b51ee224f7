#ifndef ORBNET_TRANSFER_HTTP_GET_H
#define ORBNET_TRANSFER_HTTP_GET_H

#include <windows.h>
#include <cstdint>
#include <cstdio>

#include "frame/core/text_buffer.h"
#include "net/command.h"
#include "transfer/core/http_text.h"

class ProgressDialog;

// Sends one HTTP/1.0 GET and saves the answer's body in a local file while
// the progress window shows the byte count. Outcomes go to the session's
// owner window:
//   105 (sent)    a Last-Modified value
//   0 (sent)      a status that is not 2xx, with its text; or 0 when the
//                 status line has no code (then message 1291 is shown)
//   104, 1        the whole document was saved: its Content-Length or last
//                 chunk arrived, or, with neither, the server closed; the
//                 step ends then (code 1 follows)
//   104, 0        the user cancelled
//   0, 0 (posted) anything else: no bytes, a header cut off or without end,
//                 a body shorter than announced, a reset, a short write
// A fetch that does not end saved deletes its local file: nothing is left
// that looks like a document.
class HttpGetCommand : public Command, private HttpResponseSink {
public:
    HttpGetCommand(AsyncSocket* owner, const char* localPath, const char* target);
    ~HttpGetCommand() override;

    uint16_t Start() override;
    uint16_t OnRead() override;
    // The server closed. The fetch settles here (or once the Cancel
    // question is answered) and ends the step itself: always 0.
    uint16_t OnReply(const char* reply) override;
    // Cancel from the progress window: asks first.
    uint16_t Finish() override;
    void ConnectionLost() override;

    // Receives go into a block of this size (smaller while memory is short).
    static constexpr uint32_t kReadSize = 256 * 1024;
    static constexpr uint32_t kSmallestReadSize = 4096;

    ProgressDialog* progress;  // owned; null when none
    TextBuffer localPath;
    TextBuffer target;
    FILE* file;
    uint64_t bytesReceived;  // document bytes written
    uint16_t windowReleased;
    uint16_t closed;         // settled: saved, failed or cancelled
    uint16_t asking;         // a question or message box is up
    uint16_t closePending;   // the connection ended while it was up
    uint16_t connectionLost; // the connection was reset
    HttpResponseParser parser;

protected:
    // Writes to the local file; the count written.
    virtual uint32_t WriteLocal(const char* bytes, uint32_t count);

private:
    enum Outcome { kSaved, kFailed, kCancelled };
    enum ReadEnd { kNothingNow, kPeerClosed, kSettled };

    void OnLogText(const char* text, uint32_t length) override;
    void OnLastModified(const char* value, uint32_t length) override;
    void OnFailureStatus(const char* statusText, uint32_t length) override;
    void OnNoStatusCode() override;
    void OnRedirect(const char* statusText, uint32_t statusLength, const char* location, uint32_t locationLength,
                    uint16_t whole) override;
    uint16_t OnFileBytes(const char* bytes, uint32_t length) override;

    // Host and port for the Host line: from an absolute http:// target, else
    // from the connect step of the chain. 0 when neither gives one.
    uint16_t RequestHost(TextBuffer& host, uint16_t* port) const;
    // The target as the progress window shows it, without the password of
    // a URL's login; for the log, with the password masked.
    void ShownTarget(TextBuffer& shown, bool forLog = false) const;
    void ReleaseWindow();
    // Reads and parses what has arrived (all of it when toTheEnd); settles
    // the fetch when the parser stopped or the body is complete.
    ReadEnd ReadAvailable(bool toTheEnd);
    // The server has closed: reads the rest and judges the response.
    void SettleAtClose();
    // The parser stopped at a status, a line without code or a redirect,
    // whose sink calls told the owner already.
    bool ParserToldOwner() const;
    // Ends the fetch once: closes the connection and the file (deleting it
    // unless saved) and tells the owner (code 0 unless ownerTold).
    void Settle(Outcome outcome, bool ownerTold = false);

    char* readBuffer_;  // owned; one byte longer than readSize_
    uint32_t readSize_;
};

// The GET step of StartHttpRequest.
Command* MakeHttpGet(AsyncSocket* session, const char* target, const char* localPath);

#endif
