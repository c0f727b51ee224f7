#ifndef ORBNET_TRANSFER_WEB_FETCH_H
#define ORBNET_TRANSFER_WEB_FETCH_H

#include <windows.h>
#include <cstdint>

#include "frame/core/byte_buffer.h"
#include "frame/core/text_buffer.h"
#include "transfer/core/redirect_rules.h"
#include "transfer/core/web_route.h"
#include "transfer/received_file.h"

class AsyncSocket;
class HttpSession;

// Posted to the owner window, which hands them to WebFetch::OnPosted: a
// redirect taken is followed, and sessions and files let go are deleted,
// once no socket code is on the stack.
constexpr UINT kWebFetchFollowMessage = WM_APP + 61;
constexpr UINT kWebFetchCleanUpMessage = WM_APP + 62;

// What a Web fetch tells the dialog that holds it.
class WebFetchSink {
public:
    virtual ~WebFetchSink() {}
    // The document is whole in the local file (said once per fetch).
    virtual void OnWebFetched() = 0;
    // The person cancelled in the progress window; the local file is gone.
    virtual void OnWebCancelled() = 0;
    // The fetch failed. why: the message the fetch has for it (the
    // session's own, a redirect refused or not started); empty when the
    // dialog's usual message is to be shown.
    virtual void OnWebFailed(const char* why) = 0;
    // A Last-Modified value of the answer.
    virtual void OnWebDate(const char* value) = 0;
    // The proxy that a redirect to url goes through: its name into host
    // (left empty: straight to the server) and its port.
    virtual void ProxyForRedirect(const char* url, TextBuffer& host, uint16_t* port) = 0;
    // A redirect is followed: Url() and Server() name where the fetch went.
    virtual void OnWebRedirected() = 0;
};

// One fetch of a Web document into a local file, as the retrieve dialog and
// the file dialog's World Wide Web mode run it: the request on its route
// (straight, through a proxy, through a proxy's tunnel for https), the
// redirects with their bounds, the local file from its making to its keeping
// or deleting, and the message of a failure. The owner window gets the
// sessions' notifications and hands those of this fetch to OnNotify; the
// outcomes come back through the sink.
class WebFetch {
public:
    // window: the dialog's, which owns the sessions and gets the messages.
    WebFetch(HWND window, WebFetchSink& sink);
    ~WebFetch();  // deletes the sessions, then the local file unless kept
    WebFetch(const WebFetch&) = delete;
    WebFetch& operator=(const WebFetch&) = delete;

    // A new fetch, first its local file: the wanted name (empty: a
    // temporary file with extension, or the system's own when none). 0 when
    // no file could be made.
    uint16_t PrepareFile(const char* wanted, const char* extension);
    // Then its request: target.url is what is fetched (redirects are taken
    // against it), target's route where the request goes. 0 when it did not
    // start (the local file is gone then).
    uint16_t Start(const WebTarget& target);

    // A SocketEventMessage code sent or posted by this fetch's session; the
    // answer for the sender (kCodeRedirect when a redirect was taken).
    LRESULT OnNotify(WPARAM code, LPARAM value);
    // kWebFetchFollowMessage or kWebFetchCleanUpMessage.
    void OnPosted(UINT message);

    // The document is whole: the local file takes its place and stays. 0
    // when it cannot.
    uint16_t Keep();
    // Gives the fetch up: a redirect waiting is dropped, the session goes
    // (once no socket code is on the stack), the local file too unless kept.
    void Stop();

    bool Active() const { return session_ != nullptr; }
    // The session gave up because the server fell silent.
    bool TimedOut() const;
    const char* Url() const { return trail_.Url(); }
    // The URL's host part as the person knows it (name and port).
    const char* Server() const { return server_.Text(); }
    // Where the request went: the server's name, or the proxy's.
    const char* ConnectHost() const { return connectHost_.Text(); }
    const char* LocalPath() const { return file_.Path(); }

private:
    // A new session and the request of target on it, into the local file.
    uint16_t Request(const WebTarget& target);
    // The redirect taken, once no socket code is on the stack.
    void Follow();
    void Fail(const char* why);
    void Refuse(uint16_t messageId, const char* argument);
    // Sessions and files are deleted only when no socket code is on the stack.
    void Retire(HttpSession*& session);
    void DeleteRetired();
    void DiscardFile();
    void DeleteLeftovers();

    HWND window_;
    WebFetchSink& sink_;
    HttpSession* session_;  // owned
    AsyncSocket* retired_[16];
    RedirectTrail trail_;
    TextBuffer server_;
    TextBuffer connectHost_;
    ReceivedFile file_;
    ByteBuffer leftovers_;  // zero-terminated paths of files still held open
    uint16_t delivered_;    // the sink heard of the document
};

#endif
