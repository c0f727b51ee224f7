#include "transfer/web_fetch.h"

#include <cstring>
#include <new>

#include "frame/strings.h"
#include "net/handler_scope.h"
#include "net/protocol_log.h"
#include "net/socket.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t kLeftoverLimit = 1u << 16;

// Seconds of silence after which a fetch is given up ("Timeout").
uint32_t IdleSeconds() { return Options ? Options->idleTimeout : kDefaultIdleSeconds; }

// The protocol log names the server whose identity is checked.
void LogSecureRoute(const WebTarget& target) {
    TextBuffer note(96);
    char port[8];
    wsprintfA(port, ":%u", unsigned(target.securePort));
    note.Append("--- secure connection to ");
    note.Append(target.secureHost.Text());
    note.Append(port);
    note.Append(target.tunnel ? " through the proxy\r\n" : "\r\n");
    WriteLog(note.Text(), note.length);
}

}  // namespace

WebFetch::WebFetch(HWND window, WebFetchSink& sink)
    : window_(window),
      sink_(sink),
      session_(nullptr),
      retired_{},
      server_(64),
      connectHost_(64),
      leftovers_(kLeftoverLimit),
      delivered_(0) {}

WebFetch::~WebFetch() {
    // Sessions first: they close the file they write.
    delete session_;
    session_ = nullptr;
    for (AsyncSocket*& socket : retired_) {
        delete socket;
        socket = nullptr;
    }
    file_.Discard(&leftovers_);
    DeleteLeftovers();
}

uint16_t WebFetch::PrepareFile(const char* wanted, const char* extension) {
    DiscardFile();
    return file_.Prepare(wanted, extension);
}

uint16_t WebFetch::Start(const WebTarget& target) {
    trail_.Drop();
    Retire(session_);
    delivered_ = 0;
    if (!trail_.Begin(target.url.Text()) || !server_.Assign(target.server.Text()) || !Request(target)) {
        Retire(session_);
        DiscardFile();
        return 0;
    }
    return 1;
}

uint16_t WebFetch::Request(const WebTarget& target) {
    if (file_.Kept() || !*file_.WritePath()) return 0;
    session_ = new (std::nothrow) HttpSession(window_);
    if (!session_) return 0;
    session_->SetIdleLimit(IdleSeconds());
    connectHost_.Assign(target.host.Text());
    const char* secureHost = target.secureHost.Empty() ? nullptr : target.secureHost.Text();
    HttpRoute route = {target.host.Text(), target.port, target.path.Text(), secureHost, target.securePort,
                       target.tunnel};
    if (secureHost) LogSecureRoute(target);
    return session_->StartHttpRequest(route, file_.WritePath());
}

LRESULT WebFetch::OnNotify(WPARAM code, LPARAM value) {
    switch (code) {
    case kCodeRedirect: {
        const RedirectNotice* notice = reinterpret_cast<const RedirectNotice*>(value);
        if (!session_ || !notice || !notice->location) return 0;
        TextBuffer shown(64);
        if (uint16_t refused = trail_.Take(notice->location, notice->whole, shown)) {
            Refuse(refused, shown.Text());
        } else {
            // The session that answered still has its code on the stack.
            PostWhenIdle(window_, kWebFetchFollowMessage);
        }
        return kCodeRedirect;
    }
    case kCodeHeaderValue:
        sink_.OnWebDate(value ? reinterpret_cast<const char*>(value) : "");
        return 0;
    case kCodeTransferDone:
        if (value == 0) {
            DiscardFile();
            sink_.OnWebCancelled();
            return 0;
        }
        [[fallthrough]];
    case kCodeChainDone:
        // The document is saved (104 with 1), and then the chain ends (1):
        // whichever comes first.
        if (!delivered_) {
            delivered_ = 1;
            sink_.OnWebFetched();
        }
        return 0;
    case kCodeFailed:
        // A session that knows why it failed (the server's identity, the
        // secure connection, a proxy's refusal) says so.
        Fail(session_ ? session_->failureText.Text() : "");
        return 0;
    default:
        return 0;
    }
}

void WebFetch::OnPosted(UINT message) {
    if (HandlerRunning()) {
        // A modal loop below a socket handler brought this message.
        PostWhenIdle(window_, message);
        return;
    }
    if (message == kWebFetchFollowMessage) {
        Follow();
    } else if (message == kWebFetchCleanUpMessage) {
        DeleteRetired();
        DeleteLeftovers();
    }
}

void WebFetch::Follow() {
    TextBuffer next(256), shown(64);
    if (!trail_.TakeWaiting(next)) return;
    ShownRedirectTarget(next.Text(), shown);
    // The redirect's URL is read as a typed one, then routed as the owner
    // chooses for it.
    WebTarget direct, proxied;
    if (ParseWebTarget(next.Text(), nullptr, 0, direct) != kWebTargetOk) {
        Refuse(kMsgRedirectRefused, shown.Text());
        return;
    }
    TextBuffer proxy(64);
    uint16_t proxyPort = kHttpPort;
    sink_.ProxyForRedirect(direct.url.Text(), proxy, &proxyPort);
    const WebTarget* target = &direct;
    if (!proxy.Empty()) {
        if (ParseWebTarget(next.Text(), proxy.Text(), proxyPort, proxied) != kWebTargetOk) {
            Refuse(kMsgRedirectRefused, shown.Text());
            return;
        }
        target = &proxied;
    }
    trail_.Followed(target->url.Text());
    server_.Assign(target->server.Text());
    Retire(session_);
    if (!Request(*target)) {
        Refuse(kMsgLoadFailed, shown.Text());
        return;
    }
    sink_.OnWebRedirected();
}

uint16_t WebFetch::Keep() { return file_.Keep(); }

void WebFetch::Stop() {
    trail_.Drop();
    Retire(session_);
    DiscardFile();
    if (!HandlerRunning()) DeleteLeftovers();
}

bool WebFetch::TimedOut() const { return session_ && session_->timedOut; }

void WebFetch::Fail(const char* why) {
    // The sink may let the session that holds why go.
    TextBuffer text(128);
    text.Assign(why ? why : "");
    DiscardFile();
    sink_.OnWebFailed(text.Text());
}

void WebFetch::Refuse(uint16_t messageId, const char* argument) {
    TextBuffer text(128);
    AppendFormatted(text, messageId, 1, argument ? argument : "");
    Fail(text.Text());
}

void WebFetch::Retire(HttpSession*& session) {
    AsyncSocket* socket = session;
    session = nullptr;
    if (!socket) return;
    if (!HandlerRunning()) {
        delete socket;
        return;
    }
    PostWhenIdle(window_, kWebFetchCleanUpMessage);
    for (AsyncSocket*& slot : retired_) {
        if (!slot) {
            slot = socket;
            return;
        }
    }
    // More sessions let go under one handler than there are slots: this one
    // is left to the module's end (safer than deleting code that may run).
}

void WebFetch::DeleteRetired() {
    for (AsyncSocket*& socket : retired_) {
        delete socket;
        socket = nullptr;
    }
}

void WebFetch::DiscardFile() {
    file_.Discard(&leftovers_);
    if (leftovers_.Length()) PostWhenIdle(window_, kWebFetchCleanUpMessage);
}

void WebFetch::DeleteLeftovers() {
    // Files that a session let go of held open are free now; one still open
    // is tried again later (at the latest when this fetch goes).
    if (!leftovers_.Length()) return;
    ByteBuffer kept(kLeftoverLimit);
    for (const char* path = leftovers_.Text(); *path; path += std::strlen(path) + 1)
        if (!DeleteFileA(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            kept.Append(path, static_cast<uint32_t>(std::strlen(path)) + 1);
    leftovers_.Clear();
    leftovers_.Append(kept.Text(), kept.Length());
}
