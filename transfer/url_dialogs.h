#ifndef ORBNET_TRANSFER_URL_DIALOGS_H
#define ORBNET_TRANSFER_URL_DIALOGS_H

#include <windows.h>
#include <cstdint>

#include "frame/orbnet_api.h"
#include "frame/core/text_buffer.h"
#include "transfer/transfer_dialog_ids.h"
#include "transfer/received_file.h"
#include "transfer/web_fetch.h"
#include "ui/framework/dialog_object.h"

class FtpSession;

// Control ids of the status dialog.
enum : int { kStatusServer = ORB_STATUS_SERVER, kStatusText = ORB_STATUS_TEXT };

// The small status dialog under which a transfer by URL runs. It names the
// server, and its Cancel gives up a transfer that has not reached its
// progress window (end code 1). The transfer's notifications arrive as
// SocketEventMessage and go to OnNotify.
class StatusDialog : public DialogObject {
public:
    StatusDialog();
    ~StatusDialog() override;

protected:
    // Runs when the window exists; false ends the dialog with endCode.
    virtual bool Initialize() = 0;
    virtual void OnNotify(WPARAM code, LPARAM value) = 0;

    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Ends the dialog once with code and closes the protocol log. Once a
    // failure is on its way, a success no longer ends it; a cancel does.
    void End(uint32_t code);
    // The transfer failed: once no socket code is on the stack any more,
    // the connections are closed, the user is told that failedName (empty:
    // "/") could not be moved, and the dialog ends with 2.
    void Fail();
    // As Fail, with message messageId formatted with argument instead.
    void FailWith(uint16_t messageId, const char* argument);
    // As Fail, with this message (empty: the usual one).
    void FailWithText(const char* text);
    // Closes the connections (and the files they write).
    virtual void DropSessions() = 0;
    // A session gave up because the server fell silent.
    virtual bool TimedOut() const = 0;
    // 1 when the user typed a password for serverName (into password).
    uint16_t AskPassword(TextBuffer& password);

    TextBuffer serverName;  // the URL's host, as the user knows it
    TextBuffer failedName;  // what the failure message names
    uint16_t ended;
    uint16_t failing;  // Fail was called; the report is on its way

private:
    void Close(uint32_t code);
    void ReportFailure();

    TextBuffer failureText_;  // the message of FailWith; empty: the usual one
};

class RetrieveDialog : public StatusDialog {
public:
    RetrieveDialog(const char* url, const char* localFile, const OrbProxyInfo* proxy, const OrbLoginInfo* login);
    ~RetrieveDialog() override;

    TextBuffer url;
    TextBuffer localFile;
    TextBuffer host;
    TextBuffer directory;
    TextBuffer fileName;
    TextBuffer secondResult;
    uint16_t port;
    TextBuffer userName;
    TextBuffer password;
    uint16_t passive;
    FtpSession* ftpSession;  // owned
    WebFetch* webFetch;      // owned; every scheme but ftp
    uint16_t completions;
    uint16_t scheme;
    TextBuffer path;

protected:
    bool Initialize() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnNotify(WPARAM code, LPARAM value) override;
    void DropSessions() override;
    bool TimedOut() const override;

private:
    // What the Web fetch tells this dialog.
    class WebEvents : public WebFetchSink {
    public:
        explicit WebEvents(RetrieveDialog& dialog) : dialog_(dialog) {}
        void OnWebFetched() override;
        void OnWebCancelled() override;
        void OnWebFailed(const char* why) override;
        void OnWebDate(const char*) override {}
        void ProxyForRedirect(const char* url, TextBuffer& host, uint16_t* port) override;
        void OnWebRedirected() override;

    private:
        RetrieveDialog& dialog_;
    };

    void CountCompletion();
    // The document is whole: it takes the caller's file's place and the
    // dialog ends with 0, or the retrieve fails.
    void Deliver();
    // Where a Web request for url goes: straight to its host, through the
    // caller's proxy, or through the one the settings choose.
    void RouteWeb(const OrbProxyInfo* proxy);
    // The proxy a Web URL goes through by the same choice: the caller's, or
    // the one the settings give for it (empty: none).
    void ChooseProxy(const OrbProxyInfo* proxy, const char* forUrl, TextBuffer& proxyHost, uint16_t* proxyPort);
    // Starts the Web request of the route RouteWeb chose.
    uint16_t StartWebRequest();
    // An ftp URL fetched through a Web proxy: the login chosen goes to the
    // proxy in the URL (path), the password asked for when there is none.
    // False, after a message, when it cannot be carried.
    bool CarryLoginToProxy();
    // Makes the local file (see ReceivedFile) and names it in localFile.
    bool PrepareLocalFile();
    // False when the server announced a size and the file has another.
    bool ReceivedAsAnnounced() const;

    WebEvents webEvents_;
    ReceivedFile ftpFile_;   // the local file of an FTP retrieve
    uint16_t refused_;       // the URL decodes to a name that cannot be sent
    TextBuffer shownUrl_;    // the URL as messages name it
    const OrbProxyInfo* callerProxy_;  // the caller's, for the redirects too
    TextBuffer secureHost_;  // https: the server whose identity is checked
    uint16_t securePort_;
    uint16_t tunnel_;        // https through a proxy: CONNECT first
    uint16_t ftpThroughWebProxy_;  // an ftp URL through a Web proxy
};

class StoreDialog : public StatusDialog {
public:
    // fileCount 0: localFiles is one path; otherwise a list of that many
    // zero-terminated entries (fewer when an empty one ends it first).
    StoreDialog(const char* url, const char* localFiles, uint16_t fileCount, const OrbProxyInfo* proxy,
                const OrbLoginInfo* login);
    ~StoreDialog() override;

    TextBuffer url;
    TextBuffer localFiles;
    TextBuffer host;
    TextBuffer directory;
    TextBuffer fileName;
    uint16_t port;
    TextBuffer userName;
    TextBuffer password;
    uint16_t passive;
    FtpSession* ftpSession;  // owned
    uint16_t fileCount;

protected:
    bool Initialize() override;
    void OnNotify(WPARAM code, LPARAM value) override;
    void DropSessions() override;
    bool TimedOut() const override;

private:
    // The first local file that cannot be read, or null.
    const char* UnreadableFile() const;
    uint16_t listComplete_;  // every local name fitted, and the URL can be sent
};

#endif
