// The Open (and Browse) and Save As dialogs: what each does with the name or
// address the user chose.
#include <cstring>
#include <new>

#include "frame/strings.h"
#include "ftp/data_connection.h"
#include "ftp/ftp_session.h"
#include "net/network.h"
#include "net/protocol_log.h"
#include "net/socket.h"
#include "settings/settings.h"
#include "transfer/temp_file.h"
#include "transfer/core/url_parts.h"
#include "ui/filedialog/file_dialog.h"
#include "ui/framework/dialog_items.h"

namespace {

constexpr uint16_t kOpenHelp = 4900;
constexpr uint16_t kSaveHelp = 4901;
constexpr uint16_t kPathSize = 256;

void SelectHostDescription(HWND window, const HostEntry* entry) {
    if (!entry) return;
    uint16_t at;
    if (FindComboStringExact(window, kFdHosts, entry->description.Text(), &at)) {
        SetComboSelection(window, kFdHosts, at);
        SetComboSelection(window, kFdHostNames, at);
    }
}

bool FileSize(const char* path, uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Whether the further files a prepare callback returned in a GlobalAlloc
// block end (with their empty entry) inside that block.
bool ListEndsInside(const char* list) {
    if (!list) return true;
    HGLOBAL block = GlobalHandle(list);
    SIZE_T size = block ? GlobalSize(block) : 0;
    if (size == 0) return true;  // another allocator: the host vouches for it
    const char* end = list + size;
    for (const char* p = list; p < end; ++p) {
        if (*p) continue;
        if (p == list || p[-1] == '\0') return true;  // the empty entry
    }
    return false;
}

}  // namespace

// ---- OpenDialog

OpenDialog::OpenDialog(OrbFilterCallback filter, uint16_t browse, uint16_t flags)
    : FileDialog(filter, kOpenTemplate),
      browseOnly(browse),
      callerFlags(flags) {
    helpId = kOpenHelp;
}

void OpenDialog::Initialize() {
    FileDialog::Initialize();
    if (browseOnly) ShowAsBrowser();
    if (Options && Hosts) SelectHostDescription(window, Hosts->FindByDescription(Options->openHost.Text()));
    if (Options && (Options->flags & kOptionAutoOpen)) {
        ConnectToHost();
    } else if (callerFlags == 0) {
        CheckRadioButton(window, kFdFtp, kFdWeb, kFdFtp);
        ShowItem(window, kFdWeb, false);
        SetFtpMode();
    }
    RefreshConnectButton();
    SetUpPanel();
}

void OpenDialog::Activate() {
    if (state_ == kStateTransferring || state_ == kStateHalfFetched || state_ == kStateWebFetch) return;
    if (IsItemChecked(window, kFdFtp)) OpenFtp();
    else if (IsItemChecked(window, kFdWeb)) OpenWeb();
}

void OpenDialog::OpenFtp() {
    TextBuffer name(256);
    if (!TakeTypedName(name)) return;
    // Browse returns the name as typed; Open fetches it with the type's
    // extension.
    if (!browseOnly) ApplyExtensionRule(name, kExtensionOpen);
    TextBuffer url(128);
    if (!NameFits(name.Text(), name.length)) return;
    if (!RemoteUrl(name.Text(), url)) {
        SetStatus(kStatusTransferFailed);
        return;
    }
    if (browseOnly) {
        resultUrl.Assign(url.Text());
        Finish();
        return;
    }
    char extension[40];
    FileNameExtension(name.Text(), extension, sizeof extension);
    char temporary[kPathSize];
    if (!MakeTempFileName(kMsgTempPrefix, temporary, sizeof temporary, extension[0] ? extension : nullptr)) {
        SetStatus(kStatusTransferFailed);
        return;
    }
    if (!session->RetrieveFile(name.Text(), temporary, PassiveFlag())) {
        DeleteFileA(temporary);
        SetStatus(kStatusTransferFailed);
        return;
    }
    DiscardTemporary(fetchFile.Text());
    fetchFile.Assign(temporary);
    localPath.Assign(temporary);
    resultUrl.Assign(url.Text());
    fileDate.Clear();
    ListingCopy::Walk walk(listingCopy);
    ListedEntry entry;
    while (walk.Next(&entry)) {
        if (entry.kind == kEntryFile && std::strcmp(entry.name, name.Text()) == 0) {
            fileDate.Assign(listingCopy.RawLine(entry.rawIndex));
            break;
        }
    }
    SetStatus(kStatusFetching);
    SetState(kStateTransferring);
    // A fetch that ends well ends the dialog with success, whatever an
    // earlier attempt left in the end code.
    endCode = kEndOk;
    EnableItem(window, kFdAction, false);
}

void OpenDialog::OpenWeb() {
    if (StartNetwork() != 1) return;
    char url[512];
    GetItemText(window, kFdUrl, url, sizeof url);
    if (!url[0]) return;
    const bool throughProxy = IsItemChecked(window, kFdUseProxy);
    char proxyName[128] = "";
    if (throughProxy) GetItemText(window, kFdProxies, proxyName, sizeof proxyName);
    // Messages and the URL list never name a login.
    TextBuffer shown(128);
    UrlWithoutLogin(url, shown);
    if (browseOnly) {
        resultUrl.Assign(url);
        Finish();
        if (Urls) Urls->Record(shown.Text(), throughProxy ? proxyName : nullptr);
        return;
    }
    if (!webFetch) webFetch = new (std::nothrow) WebFetch(window, webEvents_);
    if (!webFetch) return;
    BOOL translated = FALSE;
    UINT proxyPort = GetDlgItemInt(window, kFdProxyPort, &translated, FALSE);
    if (!translated || proxyPort == 0 || proxyPort > 65535) proxyPort = kHttpPort;
    WebTarget target;
    WebTargetResult parsed =
        ParseWebTarget(url, throughProxy ? proxyName : nullptr, static_cast<uint16_t>(proxyPort), target);
    if (parsed == kWebTargetUnsupportedScheme) {
        SetStatus(kMsgCannotConnect, shown.Text());
        return;
    }
    if (parsed != kWebTargetOk) return;
    webProxy_.Assign(throughProxy ? proxyName : "");
    webProxyPort_ = static_cast<uint16_t>(proxyPort);
    char extension[40];
    UrlExtension(target.url.Text(), extension, sizeof extension);
    if (!webFetch->PrepareFile(nullptr, extension)) {
        SetStatus(kMsgLoadFailed, shown.Text());
        return;
    }
    OpenProtocolLog();
    if (!webFetch->Start(target)) {
        SetStatus(kMsgLoadFailed, shown.Text());
        CloseProtocolLog();
        return;
    }
    DiscardTemporary(fetchFile.Text());
    fileDate.Clear();
    SetStatus(kStatusFetching);
    SetState(kStateWebFetch);
    endCode = kEndOk;
    EnableItem(window, kFdAction, false);
    resultUrl.Assign(target.url.Text());
    localPath.Assign(webFetch->LocalPath());
}

bool OpenDialog::FetchComplete() const {
    if (!session || session->announcedSize == kUnknownSize || fetchFile.Empty()) return true;
    uint64_t size;
    return FileSize(fetchFile.Text(), &size) && size == session->announcedSize;
}

void OpenDialog::Finish() {
    if (state_ == kStateTransferring) {
        SetState(kStateHalfFetched);
        return;
    }
    if (state_ == kStateHalfFetched && !FetchComplete()) {
        // Fewer or more bytes than the server announced: no document.
        Disconnect(0);
        DiscardTemporary(fetchFile.Text());
        SetStatus(kStatusTransferFailed);
        return;
    }
    if (state_ == kStateWebFetch) {
        // The document is the person's now.
        if (webFetch) webFetch->Keep();
        Disconnect(1);
        char proxy[128] = "";
        const bool throughProxy = IsItemChecked(window, kFdUseProxy);
        if (throughProxy) GetItemText(window, kFdProxies, proxy, sizeof proxy);
        if (WwwProxies) WwwProxies->defaultProxy.Assign(proxy);
        if (Urls) Urls->Record(resultUrl.Text(), throughProxy ? proxy : nullptr);
    } else {
        Disconnect(0);
    }
    SetState(kStateIdle);
    StoreServerChoice();
    EndWithCode();
}

// ---- SaveAsDialog

SaveAsDialog::SaveAsDialog(const char* name, const char* localFile, const char* further, OrbFilterCallback filter,
                           OrbPrepareStoreCallback prepare, uint16_t flags)
    : FileDialog(filter, kSaveTemplate),
      prepareCallback(prepare),
      saveFlags(flags),
      suggestedName(64),
      furtherText(further),
      storing_(64),
      storeFailed_(false),
      failureShown_(false) {
    helpId = kSaveHelp;
    resultUrl.Assign(name);
    localPath.Assign(localFile);
    if ((flags & kSaveNameFollows) && localFile) suggestedName.Assign(localFile + std::strlen(localFile) + 1);
}

SaveAsDialog::~SaveAsDialog() {}

void SaveAsDialog::Initialize() {
    FileDialog::Initialize();
    ShowItem(window, kFdServerLabel, false);
    ShowItem(window, kFdFtp, false);
    ShowItem(window, kFdWeb, false);
    TextBuffer suggested(64);
    if (!suggestedName.Empty()) SetItemText(window, kFdName, suggestedName.Text());
    else if (SuggestedFileName(localPath.Text(), suggested)) SetItemText(window, kFdName, suggested.Text());
    TextBuffer host(64);
    const HostEntry* entry = nullptr;
    if (Hosts) {
        if (FtpUrlHost(resultUrl.Text(), host)) entry = Hosts->FindByHostName(host.Text());
        else if (Options) entry = Hosts->FindByDescription(Options->saveHost.Text());
    }
    SelectHostDescription(window, entry);
    const uint16_t flags = Options ? Options->flags : 0;
    CheckDlgButton(window, kFdGraphics, (flags & kOptionSaveHtmlGraphics) ? BST_CHECKED : BST_UNCHECKED);
    if (flags & kOptionAutoSave) ConnectToHost();
    if (!(saveFlags & kSaveShowGraphics)) ShowItem(window, kFdGraphics, false);
    RefreshConnectButton();
    SetUpPanel();
}

void SaveAsDialog::Activate() {
    if (state_ == kStateTransferring || state_ == kStateHalfFetched) return;
    SaveFtp();
}

void SaveAsDialog::Cancel() {
    // A store failed and the person gives up: the document was not saved.
    if (storeFailed_ && endCode == kEndCancelled && state_ != kStateTransferring) endCode = kEndFailed;
    FileDialog::Cancel();
}

void SaveAsDialog::StoreFailed() {
    if (storing_.Empty() || failureShown_) return;
    failureShown_ = true;
    storeFailed_ = true;
    TextBuffer message(128), shown(64);
    ShownName(storing_.Text(), shown);
    const char* server = currentHost.Empty() ? host.hostName.Text() : currentHost.Text();
    // The session may know why the server did not get the whole file.
    const uint16_t why = session ? session->storeFailure : static_cast<uint16_t>(kStoreFailureNone);
    uint16_t id = kMsgTransferFailed;
    if (why == kStoreAnsweredEarly) id = kMsgStoreAnsweredEarly;
    else if (why == kStoreDataCut) id = kMsgStoreDataCut;
    AppendFormatted(message, id, 1, shown.Text(), server);
    if (!ended) ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
}

void SaveAsDialog::SaveFtp() {
    TextBuffer name(256);
    if (!TakeTypedName(name)) return;
    ApplyExtensionRule(name, (saveFlags & kSaveKnownTypes) ? kExtensionKnownTypes : kExtensionSaveAs);
    if (!NameFits(name.Text(), name.length)) return;
    TextBuffer remote(128);
    if (!RemoteUrl(name.Text(), remote)) {
        SetStatus(kStatusTransferFailed);
        return;
    }
    if (listingCopy.HasFileNamed(name.Text())) {
        // As every Save As: replacing a document is the person's choice.
        TextBuffer question(128), shown(64);
        ShownName(name.Text(), shown);
        AppendFormatted(question, kMsgReplaceDocument, 1, shown.Text());
        if (ShowDialogMessage(question.Text(), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES || ended) return;
    }
    char* list = nullptr;
    if (prepareCallback) {
        SetStatus(kStatusPreparing);
        char path[kPathSize];
        std::strncpy(path, localPath.Text(), sizeof path - 1);
        path[sizeof path - 1] = '\0';
        char description[64];
        std::strncpy(description, filterDescription.Text(), sizeof description - 1);
        description[sizeof description - 1] = '\0';
        const WORD graphics = (saveFlags & kSaveShowGraphics) && IsItemChecked(window, kFdGraphics) ? 1 : 0;
        const WORD go = prepareCallback(path, kPathSize, description, graphics, &list, remote.Text());
        path[sizeof path - 1] = '\0';
        if (!go) {
            if (!(saveFlags & kSaveCallerKeepsList) && list) GlobalFree(GlobalHandle(list));
            SetStatusText("");
            return;
        }
        localPath.Assign(path);
    }
    // Every file is looked at before anything is sent: a STOR of a missing
    // file would empty the server's copy.
    const char* missing = nullptr;
    if (!(saveFlags & kSaveCallerKeepsList) && !ListEndsInside(list)) missing = "";
    else if (!LocalFileReadable(localPath.Text())) missing = localPath.Text();
    for (const char* p = list; !missing && p && *p; p += std::strlen(p) + 1)
        if (!LocalFileReadable(p)) missing = p;
    uint16_t started = 0;
    if (missing) {
        TextBuffer text(128);
        AppendFormatted(text, kMsgTransferFailed, 1, missing[0] ? missing : "/", currentHost.Text());
        SetStatusText("");
        ShowDialogMessage(text.Text(), MB_OK | MB_ICONEXCLAMATION);
    } else {
        started = session->StoreFiles(name.Text(), localPath.Text(), PassiveFlag(), list);
    }
    if (started) {
        resultUrl.Assign(remote.Text());
        storing_.Assign(name.Text());
        failureShown_ = false;
        SetStatus(kStatusStoring);
        SetState(kStateTransferring);
        endCode = kEndOk;
        EnableItem(window, kFdAction, false);
    } else if (!missing) {
        SetStatus(kStatusTransferFailed);
    }
    if (!(saveFlags & kSaveCallerKeepsList) && list) GlobalFree(GlobalHandle(list));
}

void SaveAsDialog::Finish() {
    // A store is done when every file's reply has come and the chain has
    // ended, not when the first file's bytes are out.
    if (state_ != kStateTransferring || handling != kCodeChainDone) return;
    Disconnect(0);
    SetState(kStateIdle);
    if (Options) {
        uint16_t flags = Options->flags;
        flags = static_cast<uint16_t>(flags & ~(kOptionListByDescription | kOptionSaveHtmlGraphics));
        if (IsItemChecked(window, kFdByDescription)) flags |= kOptionListByDescription;
        if (IsItemChecked(window, kFdGraphics)) flags |= kOptionSaveHtmlGraphics;
        Options->flags = flags;
    }
    EndWithCode();
}
