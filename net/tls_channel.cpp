#include "net/tls_channel.h"

#include <cstring>
#include <new>

#include "frame/core/string_ids.h"
#include "net/socket.h"
#include "net/socket_library.h"

namespace {

constexpr unsigned long kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                        ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                        ISC_REQ_MANUAL_CRED_VALIDATION;

// Chain states that do not make a certificate untrustworthy: revocation
// could not be looked up (no network to its lists), validity not nested.
constexpr DWORD kHarmlessTrustBits =
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION | CERT_TRUST_IS_NOT_TIME_NESTED;

void SetSocketError(int error) {
    if (SocketFunctions.WSASetLastError) SocketFunctions.WSASetLastError(error);
}

int LastSocketError() { return SocketFunctions.WSAGetLastError ? SocketFunctions.WSAGetLastError() : 0; }

}  // namespace

TlsChannel::TlsChannel()
    : failure(0),
      credentials_(),
      context_(),
      haveCredentials_(false),
      haveContext_(false),
      established_(0),
      peerClosed_(0),
      broken_(0),
      serverName_(64),
      sizes_(),
      in_(new (std::nothrow) char[kInputSize]),
      inStart_(0),
      inLength_(0),
      plain_(new (std::nothrow) char[kInputSize]),
      plainStart_(0),
      plainLength_(0),
      out_(nullptr),
      outLength_(0),
      outCapacity_(0) {}

TlsChannel::~TlsChannel() {
    if (haveContext_ && SecurityFunctions.sspi) SecurityFunctions.sspi->DeleteSecurityContext(&context_);
    if (haveCredentials_ && SecurityFunctions.sspi) SecurityFunctions.sspi->FreeCredentialsHandle(&credentials_);
    delete[] in_;
    delete[] plain_;
    delete[] out_;
}

TlsChannel::Step TlsChannel::Fail(uint16_t messageId) {
    if (!failure) failure = messageId;
    broken_ = 1;
    return kFailed;
}

TlsChannel::Step TlsChannel::Begin(SOCKET socket, const char* serverName) {
    if (!SecurityFunctions.sspi) return Fail(kMsgNoSecurityProvider);
    if (!in_ || !plain_ || !serverName || !*serverName || !serverName_.Assign(serverName))
        return Fail(kMsgSecureFailed);
    SCHANNEL_CRED wanted = {};
    wanted.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is judged here, with the name of the URL.
    wanted.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry;
    char package[] = UNISP_NAME_A;
    if (SecurityFunctions.sspi->AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &wanted,
                                                          nullptr, nullptr, &credentials_, &expiry) != SEC_E_OK)
        return Fail(kMsgNoSecurityProvider);
    haveCredentials_ = true;
    return Negotiate(socket);
}

TlsChannel::Step TlsChannel::Continue(SOCKET socket) {
    if (broken_) return kFailed;
    if (established_) return kDone;
    for (;;) {
        int got = ReadRaw(socket);
        if (got == 1) continue;
        if (got == -2) return Fail(kMsgSecureFailed);
        if (got == 0) {
            // Closed before the channel was up: whatever is left is judged
            // once, then it has failed.
            peerClosed_ = 1;
        }
        break;
    }
    if (inLength_ == 0) return peerClosed_ ? Fail(kMsgSecureFailed) : kMore;
    Step step = Negotiate(socket);
    if (step == kMore && peerClosed_) return Fail(kMsgSecureFailed);
    return step;
}

SECURITY_STATUS TlsChannel::HandshakeCall(bool* queued, uint32_t* extra) {
    PSecurityFunctionTableA sspi = SecurityFunctions.sspi;
    SecBuffer input[2] = {};
    input[0].BufferType = SECBUFFER_TOKEN;
    input[0].pvBuffer = in_ + inStart_;
    input[0].cbBuffer = inLength_;
    input[1].BufferType = SECBUFFER_EMPTY;
    SecBufferDesc inputDesc = {SECBUFFER_VERSION, 2, input};
    SecBuffer output[1] = {};
    output[0].BufferType = SECBUFFER_TOKEN;
    SecBufferDesc outputDesc = {SECBUFFER_VERSION, 1, output};
    unsigned long attributes = 0;
    TimeStamp expiry;
    SECURITY_STATUS status = sspi->InitializeSecurityContextA(
        &credentials_, haveContext_ ? &context_ : nullptr, serverName_.data, kContextFlags, 0, 0,
        haveContext_ ? &inputDesc : nullptr, 0, &context_, &outputDesc, &attributes, &expiry);
    // A first call that failed made no context.
    if (!haveContext_) haveContext_ = !FAILED(status);
    // A message to send comes also with a failure (the alert).
    *queued = true;
    if (output[0].pvBuffer) {
        if (output[0].cbBuffer) *queued = Queue(static_cast<const char*>(output[0].pvBuffer), output[0].cbBuffer);
        sspi->FreeContextBuffer(output[0].pvBuffer);
    }
    *extra = input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer <= inLength_ ? input[1].cbBuffer : 0;
    return status;
}

void TlsChannel::KeepLast(uint32_t extra) {
    inStart_ = extra ? inStart_ + (inLength_ - extra) : 0;
    inLength_ = extra;
}

TlsChannel::Step TlsChannel::Negotiate(SOCKET socket) {
    for (int round = 0;; ++round) {
        // A server that keeps asking for more of the same is given up.
        if (round > 16) return Fail(kMsgSecureFailed);
        bool queued = true;
        uint32_t extra = 0;
        SECURITY_STATUS status = HandshakeCall(&queued, &extra);
        const bool sent = queued && Flush(socket);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            if (inLength_ >= kInputSize) return Fail(kMsgSecureFailed);
            return kMore;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS)
            return Fail(kMsgSecureFailed);
        if (!sent) return Fail(kMsgSecureFailed);
        if (extra) KeepLast(extra);
        else if (status != SEC_I_INCOMPLETE_CREDENTIALS) KeepLast(0);
        if (status == SEC_E_OK) {
            uint16_t refused = CheckServer();
            if (refused) return Fail(refused);
            PSecurityFunctionTableA sspi = SecurityFunctions.sspi;
            if (sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
                sizes_.cbMaximumMessage == 0 || sizes_.cbMaximumMessage > 64 * 1024 || sizes_.cbHeader > 1024 ||
                sizes_.cbTrailer > 1024)
                return Fail(kMsgSecureFailed);
            established_ = 1;
            return kDone;
        }
        // Continue needed: go on with what is left of the input, or wait.
        if (inLength_ == 0 && status != SEC_I_INCOMPLETE_CREDENTIALS) return kMore;
    }
}

uint16_t TlsChannel::CheckServer() {
    PCCERT_CONTEXT certificate = nullptr;
    if (SecurityFunctions.sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
            SEC_E_OK ||
        !certificate)
        return kMsgServerNotVerified;
    LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH), const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                      const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 3;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    uint16_t verdict = kMsgServerNotVerified;
    if (SecurityFunctions.CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0,
                                                  nullptr, &chain) &&
        chain) {
        WCHAR name[256];
        int n = MultiByteToWideChar(CP_ACP, 0, serverName_.Text(), -1, name, 256);
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = name;
        CERT_CHAIN_POLICY_PARA policy = {};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS status = {};
        status.cbSize = sizeof status;
        const DWORD trust = chain->TrustStatus.dwErrorStatus;
        if (n > 0 &&
            SecurityFunctions.CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
            const DWORD error = status.dwError;
            if (error == DWORD(CERT_E_UNTRUSTEDROOT) || error == DWORD(CERT_E_CHAINING) ||
                (trust & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)))
                verdict = kMsgUntrustedServer;
            else if (error == DWORD(CERT_E_EXPIRED) || (trust & CERT_TRUST_IS_NOT_TIME_VALID))
                verdict = kMsgCertificateDates;
            else if (error == DWORD(CERT_E_CN_NO_MATCH))
                verdict = kMsgServerNameMismatch;
            else if (error == 0 && (trust & ~kHarmlessTrustBits) == 0)
                verdict = 0;
        }
        SecurityFunctions.CertFreeCertificateChain(chain);
    }
    SecurityFunctions.CertFreeCertificateContext(certificate);
    return verdict;
}

bool TlsChannel::Queue(const char* data, uint32_t length) {
    if (length > outCapacity_ - outLength_) {
        if (length > 1024 * 1024 - outLength_) return false;
        uint32_t capacity = outLength_ + length + 4096;
        char* grown = new (std::nothrow) char[capacity];
        if (!grown) return false;
        if (outLength_) std::memcpy(grown, out_, outLength_);
        delete[] out_;
        out_ = grown;
        outCapacity_ = capacity;
    }
    std::memcpy(out_ + outLength_, data, length);
    outLength_ += length;
    return true;
}

bool TlsChannel::Flush(SOCKET socket) {
    uint32_t done = 0;
    while (done < outLength_) {
        int sent = SocketFunctions.send ? SocketFunctions.send(socket, out_ + done, int(outLength_ - done), 0)
                                        : SOCKET_ERROR;
        if (sent == SOCKET_ERROR) {
            if (LastSocketError() != WSAEWOULDBLOCK) return false;
            break;
        }
        done += uint32_t(sent);
    }
    if (done) {
        std::memmove(out_, out_ + done, outLength_ - done);
        outLength_ -= done;
    }
    return true;
}

int TlsChannel::ReadRaw(SOCKET socket) {
    // What is held (the start of a record at most, while data flows) moves
    // to the front only when more is read.
    if (inStart_) {
        std::memmove(in_, in_ + inStart_, inLength_);
        inStart_ = 0;
    }
    if (inLength_ >= kInputSize || !SocketFunctions.recv) return -1;
    int got = SocketFunctions.recv(socket, in_ + inLength_, int(kInputSize - inLength_), 0);
    if (got > 0) {
        inLength_ += uint32_t(got);
        return 1;
    }
    if (got == 0) return 0;
    return LastSocketError() == WSAEWOULDBLOCK ? -1 : -2;
}

bool TlsChannel::DecryptOne(char* dest, uint32_t room, uint32_t* given) {
    *given = 0;
    if (inLength_ == 0 || broken_ || peerClosed_) return false;
    SecBuffer buffers[4] = {};
    buffers[0].BufferType = SECBUFFER_DATA;
    buffers[0].pvBuffer = in_ + inStart_;
    buffers[0].cbBuffer = inLength_;
    for (int i = 1; i < 4; ++i) buffers[i].BufferType = SECBUFFER_EMPTY;
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = SecurityFunctions.sspi->DecryptMessage(&context_, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
        if (inLength_ >= kInputSize) broken_ = 1;
        return false;
    }
    if (status == SEC_I_CONTEXT_EXPIRED) {
        // The server's close_notify: the end of the data.
        peerClosed_ = 1;
        KeepLast(0);
        return false;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) {
        broken_ = 1;
        return false;
    }
    // Into the caller's buffer; what does not fit waits in plain_.
    plainStart_ = 0;
    plainLength_ = 0;
    for (int i = 0; i < 4; ++i) {
        if (buffers[i].BufferType != SECBUFFER_DATA || !buffers[i].pvBuffer) continue;
        const char* data = static_cast<const char*>(buffers[i].pvBuffer);
        uint32_t length = buffers[i].cbBuffer;
        uint32_t direct = length < room - *given ? length : room - *given;
        std::memcpy(dest + *given, data, direct);
        *given += direct;
        length -= direct;
        if (length > kInputSize - plainLength_) {
            broken_ = 1;
            return false;
        }
        std::memcpy(plain_ + plainLength_, data + direct, length);
        plainLength_ += length;
    }
    uint32_t extra = 0;
    for (int i = 0; i < 4; ++i)
        if (buffers[i].BufferType == SECBUFFER_EXTRA) extra = buffers[i].cbBuffer < inLength_ ? buffers[i].cbBuffer : 0;
    KeepLast(extra);
    if (status == SEC_I_RENEGOTIATE) {
        // A message of the handshake protocol after it (a new session
        // ticket, a key update): the provider takes it through the
        // handshake call (its answer goes out with the next send). A server
        // asking for a new handshake is refused.
        bool queued = true;
        uint32_t left = 0;
        if (HandshakeCall(&queued, &left) != SEC_E_OK || !queued) {
            broken_ = 1;
            return false;
        }
        KeepLast(left);
    }
    return true;
}

bool TlsChannel::HasBufferedInput() const {
    if (plainLength_ != 0) return true;
    if (broken_ || peerClosed_ || inLength_ < 5) return false;
    // A whole record: its header (type, version, length) and that length.
    const unsigned char* header = reinterpret_cast<const unsigned char*>(in_ + inStart_);
    const uint32_t record = 5u + (uint32_t(header[3]) << 8) + header[4];
    return record <= inLength_;
}

int TlsChannel::Receive(SOCKET socket, char* buffer, int length) {
    if (!buffer || length <= 0) return 0;
    int given = 0;
    while (given < length) {
        if (plainLength_) {
            uint32_t n = plainLength_ < uint32_t(length - given) ? plainLength_ : uint32_t(length - given);
            std::memcpy(buffer + given, plain_ + plainStart_, n);
            given += int(n);
            plainStart_ += n;
            plainLength_ -= n;
            continue;
        }
        uint32_t decrypted = 0;
        const bool decryptedOne = DecryptOne(buffer + given, uint32_t(length - given), &decrypted);
        given += int(decrypted);
        if (decryptedOne) continue;
        if (broken_ || peerClosed_) break;
        int got = ReadRaw(socket);
        if (got == 1) continue;
        if (got == 0) {
            // A close that cuts a record leaves the data unfinished.
            if (inLength_) broken_ = 1;
            else peerClosed_ = 1;
        } else if (got == -2) {
            broken_ = 1;
        }
        break;
    }
    if (given) return given;
    if (broken_) {
        SetSocketError(WSAECONNRESET);
        return SOCKET_ERROR;
    }
    if (peerClosed_) return 0;
    SetSocketError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
}

int TlsChannel::Send(SOCKET socket, const char* data, uint32_t length) {
    if (!established_ || broken_ || !data) return SOCKET_ERROR;
    const uint32_t header = sizes_.cbHeader, trailer = sizes_.cbTrailer, most = sizes_.cbMaximumMessage;
    char* record = new (std::nothrow) char[header + most + trailer];
    if (!record) return SOCKET_ERROR;
    uint32_t done = 0;
    bool ok = true;
    while (ok && done < length) {
        uint32_t piece = length - done < most ? length - done : most;
        std::memcpy(record + header, data + done, piece);
        SecBuffer buffers[4] = {};
        buffers[0].BufferType = SECBUFFER_STREAM_HEADER;
        buffers[0].pvBuffer = record;
        buffers[0].cbBuffer = header;
        buffers[1].BufferType = SECBUFFER_DATA;
        buffers[1].pvBuffer = record + header;
        buffers[1].cbBuffer = piece;
        buffers[2].BufferType = SECBUFFER_STREAM_TRAILER;
        buffers[2].pvBuffer = record + header + piece;
        buffers[2].cbBuffer = trailer;
        buffers[3].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        ok = SecurityFunctions.sspi->EncryptMessage(&context_, 0, &desc, 0) == SEC_E_OK &&
             Queue(record, buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        done += piece;
    }
    delete[] record;
    if (!ok || !Flush(socket)) {
        broken_ = 1;
        return SOCKET_ERROR;
    }
    return int(length > 0x7FFFFFFFu ? 0x7FFFFFFFu : length);
}

// ---- TlsHandshakeCommand

TlsHandshakeCommand::TlsHandshakeCommand(HttpSession* session, const char* serverName_, uint16_t port_)
    : Command(session, kTlsHandshakeCommand), serverName(64), port(port_), session_(session), done_(0) {
    serverName.Assign(serverName_ ? serverName_ : "");
}

uint16_t TlsHandshakeCommand::Start() {
    if (serverName.Empty()) return 0;
    if (!BindSecurityLibrary()) {
        session_->SetFailure(kMsgNoSecurityProvider, serverName.Text());
        return 0;
    }
    TlsChannel* channel = session_->StartTls();
    if (!channel) return 0;
    TlsChannel::Step step = channel->Begin(session_->handle, serverName.Text());
    if (step == TlsChannel::kFailed) {
        session_->SetFailure(channel->failure, serverName.Text());
        return 0;
    }
    session_->SelectEvents(FD_READ | FD_CLOSE);
    return 1;
}

void TlsHandshakeCommand::Advance(TlsChannel::Step step) {
    if (done_) return;
    if (step == TlsChannel::kMore) {
        session_->SelectEvents(FD_READ | FD_CLOSE);
        return;
    }
    done_ = 1;
    if (step == TlsChannel::kDone) {
        session_->CompleteStep();
        return;
    }
    const uint16_t failure = session_->tls && session_->tls->failure ? session_->tls->failure : uint16_t(kMsgSecureFailed);
    session_->SetFailure(failure, serverName.Text());
    session_->SelectEvents(0);
    session_->PostToOwner(kCodeFailed);
}

uint16_t TlsHandshakeCommand::OnRead() {
    if (done_ || !session_->tls) return 0;
    Advance(session_->tls->Continue(session_->handle));
    return 1;
}

uint16_t TlsHandshakeCommand::OnWrite() {
    if (!done_ && session_->tls && !session_->tls->Flush(session_->handle)) Advance(TlsChannel::kFailed);
    return 1;
}

uint16_t TlsHandshakeCommand::OnReply(const char*) {
    if (!done_ && session_->tls) {
        TlsChannel::Step step = session_->tls->Continue(session_->handle);
        Advance(step == TlsChannel::kMore ? TlsChannel::kFailed : step);
    }
    return 0;
}
