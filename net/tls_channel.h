#ifndef ORBNET_NET_TLS_CHANNEL_H
#define ORBNET_NET_TLS_CHANNEL_H

#include "net/security_library.h"

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "net/command.h"

// TLS over one non-blocking socket through the platform's security
// provider: the handshake, the server's certificate judged against the
// system's trusted roots and the name asked for, then records both ways.
// Nothing here blocks; the socket's events drive it.
class TlsChannel {
public:
    enum Step : uint16_t { kMore = 0, kDone = 1, kFailed = 2 };

    TlsChannel();
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Starts the handshake with serverName (the name the certificate must
    // carry) and sends the first message.
    Step Begin(SOCKET socket, const char* serverName);
    // Takes what the server sent during the handshake; kDone once the
    // channel is up and the certificate passed.
    Step Continue(SOCKET socket);
    bool Established() const { return established_ != 0; }

    // Plaintext as recv gives it: a count, 0 once the server closed (TCP or
    // TLS), SOCKET_ERROR with WSAEWOULDBLOCK when nothing whole has come,
    // with WSAECONNRESET for a record that does not decrypt.
    int Receive(SOCKET socket, char* buffer, int length);
    // Encrypts and sends all of data (what the socket does not take now
    // waits for Flush); the length, or SOCKET_ERROR.
    int Send(SOCKET socket, const char* data, uint32_t length);
    // Sends what waits; false on a socket error.
    bool Flush(SOCKET socket);
    bool HasPendingOutput() const { return outLength_ != 0; }
    // Plaintext or a whole record is held that the socket will not announce
    // (a record still cut is announced by the rest of it arriving).
    bool HasBufferedInput() const;

    // Why the channel failed: a message id (kMsgSecureFailed, or one of the
    // certificate messages).
    uint16_t failure;

    // Records of a TLS connection are at most this long.
    static constexpr uint32_t kInputSize = 64 * 1024 + 2048;

private:
    Step Negotiate(SOCKET socket);
    Step Fail(uint16_t messageId);
    // Judges the server's certificate; 0 when it passed, else the message.
    uint16_t CheckServer();
    // One call of the handshake on the input held; its answer is queued.
    // extra: how many bytes at the end of the input it left.
    SECURITY_STATUS HandshakeCall(bool* queued, uint32_t* extra);
    // Keeps only the last extra bytes of the input.
    void KeepLast(uint32_t extra);
    bool Queue(const char* data, uint32_t length);
    // Reads what the socket holds into the input; 1 read, 0 closed, -1
    // nothing now, -2 an error.
    int ReadRaw(SOCKET socket);
    // Decrypts the first record of the input into dest (room bytes; given
    // gets the count), the rest of it into plain_; false when no whole record
    // is there (or the channel ended: see peerClosed_).
    bool DecryptOne(char* dest, uint32_t room, uint32_t* given);

    CredHandle credentials_;
    CtxtHandle context_;
    bool haveCredentials_;
    bool haveContext_;
    uint16_t established_;
    uint16_t peerClosed_;
    uint16_t broken_;
    TextBuffer serverName_;
    SecPkgContext_StreamSizes sizes_;

    char* in_;  // owned; kInputSize bytes, those held from inStart_ on
    uint32_t inStart_;
    uint32_t inLength_;
    char* plain_;  // owned; kInputSize bytes: decrypted, not yet handed out
    uint32_t plainStart_;
    uint32_t plainLength_;
    char* out_;  // owned; encrypted, not yet sent
    uint32_t outLength_;
    uint32_t outCapacity_;
};

class HttpSession;

// A chain step: the TLS handshake on the session's connection. It fails
// with the session's failure text set (the message naming the host).
class TlsHandshakeCommand : public Command {
public:
    TlsHandshakeCommand(HttpSession* session, const char* serverName, uint16_t port);
    uint16_t Start() override;
    uint16_t OnRead() override;
    uint16_t OnWrite() override;
    // The server closed during the handshake.
    uint16_t OnReply(const char* reply) override;

    TextBuffer serverName;
    uint16_t port;

private:
    void Advance(TlsChannel::Step step);
    HttpSession* session_;
    uint16_t done_;
};

#endif
