#ifndef ORBNET_UI_FILEDIALOG_FILE_DIALOG_H
#define ORBNET_UI_FILEDIALOG_FILE_DIALOG_H

#include <windows.h>
#include <cstdint>

#include "frame/core/byte_buffer.h"
#include "frame/orbnet_api.h"
#include "frame/core/text_buffer.h"
#include "transfer/directory_listing.h"
#include "transfer/web_fetch.h"
#include "ui/filedialog/core/file_rules.h"
#include "ui/filedialog/core/remote_location.h"
#include "ui/filedialog/file_dialog_ids.h"
#include "ui/framework/painters.h"

class FtpSession;
class HostEntry;
class AsyncSocket;

// The host a connection is made for, copied from the host list when the
// person chose it: the list may change or lose the entry (the host dialog,
// NETOptions) while the dialog is connected.
class HostChoice {
public:
    HostChoice();
    // From entry (null: a host the list does not hold, logged in to
    // anonymously).
    void Take(const HostEntry* entry, const char* hostName);
    void Clear();

    bool listed;  // the host list held an entry for it
    uint16_t flags;
    TextBuffer description;
    TextBuffer hostName;
    TextBuffer userName;
    TextBuffer password;  // empty: asked for at the login
    TextBuffer initialDirectory;
};

// Controls of the Internet file dialogs (ui/filedialog/file_dialog_ids.h).
enum FileDialogControl : int {
    kFdHostLabel = ORB_FD_HOST_LABEL,
    kFdNameLabel = ORB_FD_NAME_LABEL,
    kFdName = ORB_FD_NAME,
    kFdEntries = ORB_FD_ENTRIES,
    kFdTypes = ORB_FD_TYPES,
    kFdHosts = ORB_FD_HOSTS,
    kFdConnect = ORB_FD_CONNECT,
    kFdLevels = ORB_FD_LEVELS,
    kFdEditHosts = ORB_FD_EDIT_HOSTS,
    kFdDirectory = ORB_FD_DIRECTORY,
    kFdConnection = ORB_FD_CONNECTION,
    kFdStatus = ORB_FD_STATUS,
    kFdBrowseNote = ORB_FD_BROWSE_NOTE,
    kFdHostNames = ORB_FD_HOST_NAMES,
    kFdUseProxy = ORB_FD_USE_PROXY,
    kFdProxyPort = ORB_FD_PROXY_PORT,
    kFdServerLabel = ORB_FD_SERVER_LABEL,
    kFdTypeExtensions = ORB_FD_TYPE_EXTENSIONS,
    kFdAction = ORB_FD_ACTION,
    kFdBanner = ORB_FD_BANNER,
    kFdFtp = ORB_FD_FTP,
    kFdWeb = ORB_FD_WEB,
    kFdUrl = ORB_FD_URL,
    kFdGlobe = ORB_FD_GLOBE,
    kFdNewFolder = ORB_FD_NEW_FOLDER,
    kFdByDescription = ORB_FD_BY_DESCRIPTION,
    kFdProxyLabel = ORB_FD_PROXY_LABEL,
    kFdPortLabel = ORB_FD_PORT_LABEL,
    kFdProxies = ORB_FD_PROXIES,
    kFdEditProxies = ORB_FD_EDIT_PROXIES,
    kFdSaveWebLabel = ORB_FD_SAVE_WEB_LABEL,
    kFdUrlLabel = ORB_FD_URL_LABEL,
    kFdProxyNote = ORB_FD_PROXY_NOTE,
    kFdTypesLabel = ORB_FD_TYPES_LABEL,
    kFdGraphics = ORB_FD_GRAPHICS,
    kFdUp = ORB_FD_UP,
    kFdStatusLabel = ORB_FD_STATUS_LABEL,
    kFdFolderEdit = ORB_FD_FOLDER_EDIT,
};

// Conversation states.
enum FileDialogState : uint16_t {
    kStateIdle = 0,
    kStateConnecting = 1,
    kStateClosing = 2,
    kStateLoggingIn = 3,
    kStateListing = 4,
    kStateTransferring = 5,
    kStateHalfFetched = 6,  // a fetch reported the first of its two completions
    kStateSwitching = 7,
    kStateWebFetch = 50,
};

// Why the current listing runs.
enum ListPurpose : uint16_t { kListOrdinary = 0, kListAgain = 4, kListTypedName = 5 };

constexpr uint16_t kOpenTemplate = ORB_FD_OPEN_TEMPLATE;
constexpr uint16_t kSaveTemplate = ORB_FD_SAVE_TEMPLATE;

// Posted to itself: a listing put off by ListSoon starts.
constexpr UINT kListSoonMessage = WM_APP + 54;

// The Internet file dialog: one FTP control connection kept open while the
// user moves through directories, and a World Wide Web fetch. Socket
// notifications arrive as SocketEventMessage; those of the Web fetch go to
// it while it runs.
class FileDialog : public ListingDialog {
public:
    // dialogTemplate: kOpenTemplate or kSaveTemplate (its banner).
    FileDialog(OrbFilterCallback filter, uint16_t dialogTemplate);
    ~FileDialog() override;

    // The family's slots.
    virtual void Initialize();
    virtual void Cancel();
    virtual void Finish() {}
    virtual void Activate() {}
    virtual void FtpAction() {}
    virtual void WebAction() {}
    void RefreshFolderButtons() override;
    // The directory the first listing after the login goes to: the host
    // entry's initial directory.
    virtual void StartDirectory(TextBuffer& directory);
    // The store under way has failed: says so once (the name and the host)
    // and makes a later Cancel end with 2. Save As only.
    virtual void StoreFailed() {}

    // The conversation.
    void ConnectToHost();
    void ToggleConnection();
    void Disconnect(uint16_t kind);  // 0 FTP, 1 World Wide Web
    void ConfirmHostChange();
    void RefreshConnectButton();
    // Whether the host at that position of the lists is another than the
    // one connected to.
    bool IsOtherHost(uint16_t at);
    void LogInToHost();
    void ChangeDirectory(uint16_t fromLevels);
    uint16_t EnterOrCreateFolder();
    void OnSessionNotification(WPARAM code, LPARAM text);
    void ShowDirectoryPath(const char* text);
    // The conversation's state; changed only by SetState, which writes each
    // change to the protocol log.
    uint16_t State() const { return state_; }

    DialogPictures pictures;  // banner, globes, folders, icons
    FtpSession* session;      // owned; null while not connected
    WebFetch* webFetch;       // owned; made by the first World Wide Web fetch
    HostChoice host;          // the host connected to; not listed when none
    RemoteLocation location;  // where the session stands on it
    TextBuffer localPath;
    TextBuffer resultUrl;
    TextBuffer currentHost;
    TextBuffer filterDescription;
    TextBuffer fileDate;
    TextBuffer actionCaption;
    TextBuffer newFolderName;
    uint16_t connected;
    uint16_t listPurpose;
    OrbFilterCallback filterCallback;

protected:
    void SetState(uint16_t next);
    // The notifications, one handler each (they switch on the state).
    void OnOperationDone();
    void OnOperationFailed(const char* text);
    void OnConnectionClosed();
    void OnListing(const char* text);
    void OnDirectory(const char* text);
    void OnTransferDone(bool whole);
    // What they do.
    void EndAfterQuit();
    void ShowLoggedIn();
    void EndListing();
    bool FolderRefused(const char* text);  // MKD refused: said, true
    void TellListingFailed();
    void FailConnection();
    void FailLogin(const char* text);
    void ListAgainAfter(uint16_t purpose);
    void FailTransfer(const char* text);
    uint16_t state_;

    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    static INT_PTR CALLBACK FileDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    bool IsSaveTemplate() const { return templateId == kSaveTemplate; }
    // A notification that goes to the Web fetch: one its session sends
    // while the fetch runs.
    bool IsWebFetchCode(WPARAM code) const;
    void SetFtpMode();
    void SetWebMode();
    void ShowHostList();
    // The chosen host by the host-list rule: its name and entry (null when
    // the list has none).
    // In host-name mode the entry is the one at the chosen position (two
    // entries may name the same host).
    void ChosenHost(TextBuffer& hostName, HostEntry** entry);
    void ApplyFileType();
    // The default extension of the chosen file type applied to name.
    void ApplyExtensionRule(TextBuffer& name, ExtensionRule rule);
    // The URL of a name in the current directory (null: of the directory);
    // 0 when none can be written (out empty).
    uint16_t RemoteUrl(const char* name, TextBuffer& out);
    uint16_t PassiveFlag() const;
    // Lists directory (empty: the current one), remembering it so that the
    // location follows once the server has changed there.
    uint16_t ListIn(const char* directory);
    // ListIn, put off until no socket code is on the stack when some is;
    // 1 when it started or will.
    uint16_t ListSoon(const char* directory);
    void StartListingSoon();
    TextBuffer soonDirectory_;
    // 1 when a name of this length may be sent; else says it is too long
    // (showing its head) and returns 0.
    uint16_t NameFits(const char* name, uint32_t length);
    // A name as messages show it: its head only when it is long.
    static void ShownName(const char* name, TextBuffer& out);
    void SetStatus(uint16_t id, const char* argument = nullptr);
    void SetStatusText(const char* text);
    // Message box with the dialog's title as caption.
    int ShowDialogMessage(const char* text, UINT style, const char* caption = nullptr);
    void StoreServerChoice();
    // Ends the dialog with endCode and closes the protocol log; a modeless
    // dialog only ends its run (RunEnded).
    void EndWithCode();
    virtual void RunEnded() {}
    void StartNewFolder();
    void EndFolderEdit();
    // Drops the placeholder entry that the in-place edit lies over.
    void RemoveFolderEntry();
    void FillHostLists();
    void FillFileTypes();
    void SelectDefaultWebProxy();
    void ShowProxyPort();
    void EnableProxyControls();
    void ChooseHistoryUrl();
    // The action button says OK, the title names browsing.
    void ShowAsBrowser();
    // The host and proxy dialogs, the lists refilled afterwards.
    void EditHosts();
    void EditProxies();
    // A temporary file that a fetch that did not end well leaves: deleted
    // once no session can hold it open any more.
    void DiscardTemporary(const char* path);
    // The temporary file of the fetch under way (empty when none).
    TextBuffer fetchFile;
    // The first steps that OpenFtp and SaveFtp share; 1 with the typed name
    // when a transfer is to follow, 0 when they handled the action.
    uint16_t TakeTypedName(TextBuffer& name);
    // The directory of the listing under way, until PWD has answered.
    TextBuffer pendingDirectory_;
    bool directoryPending_;
    // Why the last listing was cut (ListingCollector's reason; 0 none).
    uint16_t listingCut_;
    void ShowListingCut();
    // The folder MKD was sent for, until its listing ends.
    TextBuffer makingFolder_;
    // The notification being handled (Finish tells a chain's end from the
    // end of a data transfer by it).
    WPARAM handling;
    uint16_t ended;         // EndDialog was called
    // Compact: the window shrinks to the rows the World Wide Web needs and
    // the status line and note panel move up under them.
    void ArrangeRows(bool compact);

    // Sessions are deleted only when no socket code is on the stack.
    void Retire(AsyncSocket* socket);

    // What the Web fetch tells this dialog.
    class WebEvents : public WebFetchSink {
    public:
        explicit WebEvents(FileDialog& dialog) : dialog_(dialog) {}
        void OnWebFetched() override;
        void OnWebCancelled() override;
        void OnWebFailed(const char* why) override;
        void OnWebDate(const char* value) override;
        void ProxyForRedirect(const char* url, TextBuffer& host, uint16_t* port) override;
        void OnWebRedirected() override;

    private:
        FileDialog& dialog_;
    };
    WebEvents webEvents_;
    TextBuffer webProxy_;  // the proxy of the Web fetch, empty for none
    uint16_t webProxyPort_;

private:
    void DeleteRetired();
    AsyncSocket* retired_[16];
    ByteBuffer staleFiles_;  // zero-terminated paths
    HFONT folderEditFont_;
    int fullHeight_;   // the window's height in FTP mode (pixels)
    int compactHeight_;
};

// NETOpen and NETBrowse.
class OpenDialog : public FileDialog {
public:
    OpenDialog(OrbFilterCallback filter, uint16_t browse, uint16_t flags);

    void Initialize() override;
    void Finish() override;
    void Activate() override;
    void FtpAction() override { OpenFtp(); }
    void WebAction() override { OpenWeb(); }
    void OpenFtp();
    void OpenWeb();

    uint16_t browseOnly;
    uint16_t callerFlags;
    // The fetch delivered the file the server announced.
    bool FetchComplete() const;
};

// NETSaveAs.
class SaveAsDialog : public FileDialog {
public:
    SaveAsDialog(const char* name, const char* localFile, const char* furtherText, OrbFilterCallback filter,
                 OrbPrepareStoreCallback prepare, uint16_t flags);
    ~SaveAsDialog() override;

    void Initialize() override;
    void Finish() override;
    void Activate() override;
    void Cancel() override;
    void FtpAction() override { SaveFtp(); }
    void SaveFtp();
    void StoreFailed() override;

    OrbPrepareStoreCallback prepareCallback;
    uint16_t saveFlags;
    TextBuffer suggestedName;
    // The host's own value: kept, never read (it may be no text at all).
    const char* furtherText;

private:
    TextBuffer storing_;   // the name being stored
    bool storeFailed_;     // a store failed: a Cancel ends with 2
    bool failureShown_;    // the failure of the store under way was told
};

// Bits of the Save As flags.
enum SaveFlag : uint16_t {
    kSaveShowGraphics = 1,
    kSaveKnownTypes = 2,
    kSaveNameFollows = 4,
    kSaveCallerKeepsList = 8,
};

#endif
