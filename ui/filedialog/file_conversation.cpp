// The file dialog's conversation with the server: connect, log in, list,
// change directory, make folders, and the reactions to the sessions'
// notifications.
#include <cstring>
#include <new>

#include "frame/strings.h"
#include "ftp/data_connection.h"
#include "ftp/ftp_session.h"
#include "ftp/core/listing_collector.h"
#include "net/handler_scope.h"
#include "net/network.h"
#include "net/protocol_log.h"
#include "net/command.h"
#include "net/socket.h"
#include "settings/settings.h"
#include "transfer/core/url_parts.h"
#include "ui/filedialog/file_dialog.h"
#include "ui/filedialog/password_prompt.h"
#include "ui/framework/dialog_items.h"

namespace {

void Redraw(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control) InvalidateRect(control, nullptr, TRUE);
}

uint32_t IdleSeconds() { return Options ? Options->idleTimeout : kDefaultIdleSeconds; }

struct MeasureContext {
    HDC dc;
    LONG width;
};

bool FitsControl(const char* text, void* context) {
    const MeasureContext* measure = static_cast<const MeasureContext*>(context);
    SIZE size;
    if (!GetTextExtentPoint32A(measure->dc, text, static_cast<int>(std::strlen(text)), &size)) return true;
    return size.cx <= measure->width;
}

const char* StateName(uint16_t state) {
    switch (state) {
    case kStateIdle: return "idle";
    case kStateConnecting: return "connecting";
    case kStateClosing: return "closing";
    case kStateLoggingIn: return "logging in";
    case kStateListing: return "listing";
    case kStateTransferring: return "transferring";
    case kStateHalfFetched: return "fetched, waiting for the reply";
    case kStateSwitching: return "switching hosts";
    case kStateWebFetch: return "fetching from the Web";
    default: return "?";
    }
}

}  // namespace

void FileDialog::SetState(uint16_t next) {
    if (next == state_) return;
    // The log shows where a conversation stood when it failed.
    char line[96];
    wsprintfA(line, "--- file dialog: %s -> %s\r\n", StateName(state_), StateName(next));
    WriteLog(line, 0);
    state_ = next;
}

void FileDialog::ConnectToHost() {
    if (session || StartNetwork() != 1) return;
    endCode = kEndOk;
    session = new (std::nothrow) FtpSession(window);
    TextBuffer hostName(64);
    HostEntry* entry = nullptr;
    ChosenHost(hostName, &entry);
    // A host name may carry its port ("name:2121").
    TextBuffer target(64);
    target.Assign(hostName.Text());
    uint16_t port = kFtpPort;
    SplitHostPort(target, &port);
    if (entry && (entry->hostFlags & kHostUseProxy)) {
        const ProxyList* proxies = IsDlgButtonChecked(window, kFdWeb) == BST_CHECKED ? WwwProxies : FtpProxies;
        const ProxyEntry* proxy = proxies ? proxies->FindByName(entry->proxyName.Text()) : nullptr;
        if (proxy) {
            target.Assign(proxy->name.Text());
            port = proxy->port;
        }
    }
    if (session) session->SetIdleLimit(IdleSeconds());
    // What the login needs is copied now: the list may change meanwhile.
    host.Take(entry, hostName.Text());
    OpenProtocolLog();
    if (!session || hostName.Empty() || !session->StartConnect(target.Text(), port)) {
        CloseProtocolLog();
        Disconnect(0);
        EnableItem(window, kFdConnect, true);
        SetFocus(GetDlgItem(window, kFdConnect));
        TextBuffer text(128);
        if (hostName.Empty()) AppendFormatted(text, kMsgNoHost, 1);
        else AppendFormatted(text, kMsgCannotConnect, 1, hostName.Text());
        ShowDialogMessage(text.Text(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    currentHost.Assign(hostName.Text());
    SetStatus(kStatusConnecting);
    SetState(kStateConnecting);
    SetFocus(GetDlgItem(window, kFdName));
    SelectEditText(window, kFdName, 0, -1);
}

void FileDialog::ToggleConnection() {
    EnableItem(window, kFdConnect, false);
    if (StartNetwork() != 1) return;
    if (!session) {
        ConnectToHost();
        return;
    }
    if (state_ != kStateClosing && state_ != kStateSwitching && session->Quit()) {
        SetStatus(kStatusClosing);
        SetState(kStateSwitching);
        return;
    }
    Disconnect(0);
}

void FileDialog::Disconnect(uint16_t kind) {
    if (kind == 0 && session) {
        Retire(session);
        session = nullptr;
        TextBuffer text(64);
        AppendFormatted(text, kStatusDisconnected, 0);
        SetItemText(window, kFdConnection, text.Text());
        connected = 0;
        Redraw(window, kFdGlobe);
        if (listPurpose == kListOrdinary) SetStatusText("");
        SetItemText(window, kFdDirectory, "");
        currentHost.Clear();
        host.Clear();
        location.Reset();
        directoryPending_ = false;
        makingFolder_.Clear();
        currentDirectory.Clear();
        ResetList(window, kListingEntries);
        ResetCombo(window, kFdLevels);
        ResetList(window, kFdEntries);
        ResetList(window, kListingRaw);
        listingCopy.Clear();
        RefreshFolderButtons();
        EnableItem(window, kFdConnect, true);
        EnableItem(window, kFdAction, true);
        listPurpose = kListOrdinary;
        SetState(kStateIdle);
    } else if (kind == 1 && webFetch && webFetch->Active()) {
        webFetch->Stop();
        SetStatusText("");
        EnableItem(window, kFdConnect, true);
        EnableItem(window, kFdAction, true);
        listPurpose = kListOrdinary;
        SetState(kStateIdle);
    }
}

bool FileDialog::IsOtherHost(uint16_t at) {
    TextBuffer hostName(64), description(64);
    if (at == kNoItem || !GetWholeComboItemText(window, kFdHostNames, at, hostName) || hostName.Empty()) return false;
    if (std::strcmp(hostName.Text(), currentHost.Text()) != 0) return true;
    // Two entries may name the same host (an account and anonymous).
    return session && GetWholeComboItemText(window, kFdHosts, at, description) &&
           std::strcmp(description.Text(), host.description.Text()) != 0;
}

void FileDialog::ConfirmHostChange() {
    uint16_t at;
    TextBuffer description(64);
    bool described = false;
    if (GetComboSelection(window, kFdHosts, &at)) {
        described = GetWholeComboItemText(window, kFdHosts, at, description) != 0;
        if (described && IsOtherHost(at)) {
            TextBuffer text(128);
            AppendFormatted(text, kMsgConnectOther, 1, description.Text());
            if (ShowDialogMessage(text.Text(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
                EnableItem(window, kFdConnect, true);
                return;
            }
            SetItemText(window, kFdHosts, description.Text());
            ToggleConnection();
            return;
        }
    }
    if (described) SetItemText(window, kFdHosts, description.Text());
    RefreshConnectButton();
}

void FileDialog::RefreshConnectButton() {
    uint16_t at;
    if (!GetComboSelection(window, kFdHosts, &at)) {
        // A description typed whole stands for its entry.
        char typed[512];
        GetItemText(window, kFdHosts, typed, sizeof typed);
        if (!typed[0] || !FindComboStringExact(window, kFdHosts, typed, &at)) at = kNoItem;
    }
    EnableItem(window, kFdConnect, IsOtherHost(at));
}

void FileDialog::LogInToHost() {
    // The host chosen when the connection was made, whatever the list
    // holds now.
    TextBuffer user(64), password(64);
    user.Assign(host.userName.Text());
    password.Assign(host.password.Text());
    if (host.listed) {
        if (password.Empty()) {
            PasswordPrompt prompt;
            AppendFormatted(prompt.title, kMsgPasswordTitle, 0);
            AppendFormatted(prompt.message, kMsgPasswordText, 1, currentHost.Text());
            if (prompt.DoModal(window) != PasswordPrompt::kAccepted) {
                SetStatus(kStatusLoginAbandoned);
                return;
            }
            password.Assign(prompt.expected.Text());
        }
        if (host.flags & kHostUseProxy) {
            user.Append("@");
            user.Append(host.hostName.Text());
        }
    }
    if (session && session->Login(user.Text(), password.Text())) {
        SetStatus(kStatusLoggingIn);
        SetState(kStateLoggingIn);
    } else {
        SetState(kStateIdle);
        SetStatusText("");
    }
}

void FileDialog::ChangeDirectory(uint16_t fromLevels) {
    if (!session) return;
    TextBuffer directory(64);
    if (!fromLevels) {
        StartDirectory(directory);
    } else {
        uint16_t at;
        TextBuffer item(64);
        if (!GetComboSelection(window, kFdLevels, &at) || !GetWholeComboItemText(window, kFdLevels, at, item) ||
            item.Empty())
            return;
        if (!LevelDirectory(item.Text(), currentDirectory.Text(), directory)) return;
    }
    if (!NameFits(directory.Text(), directory.length) || !ListIn(directory.Text())) return;
    SetState(kStateListing);
    SetStatus(kStatusListing);
}

uint16_t FileDialog::ListSoon(const char* directory) {
    // Sent from the session's reading of a reply, which touches its chain
    // no more: the chain can be replaced now, and the transfer it ran stops
    // at once. With more below (the Cancel question of a transfer of that
    // chain), not before those have returned.
    if (HandlerDepth() <= 1) return ListIn(directory);
    soonDirectory_.Assign(directory ? directory : "");
    PostWhenIdle(window, kListSoonMessage);
    return 1;
}

void FileDialog::StartListingSoon() {
    if (state_ != kStateListing || !session) return;
    if (!ListIn(soonDirectory_.Text())) {
        listPurpose = kListOrdinary;
        SetState(kStateIdle);
    }
}

uint16_t FileDialog::ListIn(const char* directory) {
    if (!session || !session->ListDirectory(directory, PassiveFlag())) return 0;
    pendingDirectory_.Assign(directory ? directory : "");
    directoryPending_ = true;
    listingCut_ = 0;
    return 1;
}

void FileDialog::StartDirectory(TextBuffer& directory) {
    directory.Clear();
    if (!host.listed) return;
    directory.Assign(host.initialDirectory.Text());
    for (uint16_t i = 0; i < directory.length; ++i)
        if (directory.data[i] == '\\') directory.data[i] = '/';
}

uint16_t FileDialog::EnterOrCreateFolder() {
    if (!session) return 0;
    HWND edit = GetDlgItem(window, kFdFolderEdit);
    if (!edit && newFolderName.Empty()) {
        uint16_t at;
        if (!GetListSelection(window, kFdEntries, &at)) return 0;
        const LRESULT raw = SendDlgItemMessageA(window, kFdEntries, LB_GETITEMDATA, at, 0);
        ListedEntry entry;
        if (raw == LB_ERR || !listingCopy.EntryOfLine(static_cast<uint32_t>(raw), &entry) || entry.kind == kEntryFile)
            return 0;
        // A directory is entered by its name; only a link carries a target.
        const char* chosen = entry.kind == kEntryLink && entry.target ? entry.target : entry.name;
        const uint32_t length =
            chosen == entry.name ? entry.nameLength : static_cast<uint32_t>(std::strlen(chosen));
        if (length == 0) return 0;
        if (!NameFits(chosen, length)) return 1;
        TextBuffer name(64);
        if (!name.Assign(chosen, length) || !ListIn(name.Text())) return 1;
        SetState(kStateListing);
        SetStatus(kStatusListing);
        return 1;
    }
    TextBuffer name(64);
    if (edit) {
        GetWholeItemText(window, kFdFolderEdit, name);
        DestroyWindow(edit);
        RemoveFolderEntry();
    } else {
        name.Assign(newFolderName.Text());
    }
    SetItemText(window, kFdAction, actionCaption.Text());
    newFolderName.Clear();
    if (name.Empty() || !NameFits(name.Text(), name.length)) return 1;
    SetStatus(kStatusCreatingFolder);
    if (session->MakeDirectory(name.Text(), PassiveFlag())) {
        makingFolder_.Assign(name.Text());
        listingCut_ = 0;
        SetState(kStateListing);
        SetStatus(kStatusListing);
    }
    return 1;
}

uint16_t FileDialog::TakeTypedName(TextBuffer& name) {
    if (!connected || StartNetwork() != 1) {
        endCode = kEndFailed;
        return 0;
    }
    if (EnterOrCreateFolder()) return 0;
    if (!GetWholeItemText(window, kFdName, name)) {
        // Longer than any text the dialog carries: its head for the message.
        char head[64];
        GetItemText(window, kFdName, head, sizeof head);
        NameFits(head, TextBuffer::kMaxCapacity);
        return 0;
    }
    if (name.Empty() || !NameFits(name.Text(), name.length)) return 0;
    // A listed name is a name, whatever it holds; a typed pattern lists.
    if (std::strpbrk(name.Text(), "*?") && !listingCopy.HasFileNamed(name.Text())) {
        TextBuffer directory(64), rest(64);
        if (SplitPatternPath(name.Text(), directory, rest)) {
            // "/*.txt": the root, not the current directory.
            if (directory.Empty()) directory.Assign(std::strrchr(name.Text(), '\\') ? "\\" : "/");
            SetItemText(window, kFdName, rest.Text());
            if (ListIn(directory.Text())) {
                SetState(kStateListing);
                SetStatus(kStatusListing);
            }
        } else {
            ShowFilteredEntries(*this);
        }
        return 0;
    }
    return 1;
}

void FileDialog::Cancel() {
    switch (state_) {
    case kStateConnecting:
        Disconnect(0);
        return;
    case kStateTransferring:
    case kStateHalfFetched:
        Disconnect(0);
        DiscardTemporary(fetchFile.Text());
        return;
    case kStateWebFetch:
        Disconnect(1);
        return;
    default:
        break;
    }
    if (!IsSaveTemplate()) StoreServerChoice();
    else if (Options) {
        if (IsDlgButtonChecked(window, kFdByDescription) == BST_CHECKED) Options->flags |= kOptionListByDescription;
        else Options->flags &= static_cast<uint16_t>(~kOptionListByDescription);
    }
    if (session) {
        const uint16_t wasClosing = state_ == kStateClosing;
        if (!wasClosing && session->Quit()) {
            SetStatus(kStatusClosing);
            SetState(kStateClosing);
            return;
        }
        Disconnect(0);
    }
    EndWithCode();
}

// ---- the notifications: one handler per code, each switching on the state

void FileDialog::OnSessionNotification(WPARAM code, LPARAM value) {
    const char* text = reinterpret_cast<const char*>(value);
    switch (code) {
    case kCodeChainDone: OnOperationDone(); return;
    case kCodeFailed: OnOperationFailed(text); return;
    case kCodeControlClosed: OnConnectionClosed(); return;
    case kCodeListingCut: listingCut_ = static_cast<uint16_t>(value); return;
    case kCodeListing: OnListing(text); return;
    case kCodeDirectory: OnDirectory(text); return;
    case kCodeTransferDone: OnTransferDone(value != 0); return;
    case kCodeHeaderValue: fileDate.Assign(text ? text : ""); return;
    default: return;
    }
}

void FileDialog::OnOperationDone() {
    switch (state_) {
    case kStateConnecting: LogInToHost(); return;
    case kStateClosing: EndAfterQuit(); return;
    case kStateLoggingIn: ShowLoggedIn(); return;
    case kStateListing: EndListing(); return;
    case kStateTransferring:
    case kStateHalfFetched: Finish(); return;
    case kStateSwitching:
        Disconnect(0);
        ConnectToHost();
        return;
    default: return;
    }
}

void FileDialog::OnOperationFailed(const char* text) {
    directoryPending_ = false;
    if (FolderRefused(text)) return;
    if (listPurpose != kListTypedName) SetStatus(kStatusReply, text ? text : "");
    if (state_ == kStateListing) {
        TellListingFailed();
        if (ended) return;
    }
    const uint16_t purpose = listPurpose;
    listPurpose = kListOrdinary;
    switch (state_) {
    case kStateConnecting: FailConnection(); return;
    case kStateLoggingIn: FailLogin(text); return;
    case kStateListing: ListAgainAfter(purpose); return;
    case kStateTransferring:
    case kStateHalfFetched: FailTransfer(text); return;
    default:
        RefreshConnectButton();
        SetState(kStateIdle);
        return;
    }
}

void FileDialog::OnConnectionClosed() {
    const uint16_t was = state_;
    // A server that hangs up once QUIT has been sent only ends the
    // conversation early: the chain's end follows (its answer, or the
    // wait for it running out).
    Command* current = session ? session->CurrentCommand() : nullptr;
    if ((was == kStateClosing || was == kStateTransferring || was == kStateHalfFetched || was == kStateSwitching) &&
        (!current || current->type == kQuitCommand))
        return;
    const bool storing = IsSaveTemplate() && was == kStateTransferring;
    const bool tell = was != kStateIdle && was != kStateConnecting && was != kStateClosing && !storing;
    TextBuffer message(128);
    AppendFormatted(message, kMsgCannotConnect, 1, currentHost.Text());
    if (was == kStateTransferring || was == kStateHalfFetched) DiscardTemporary(fetchFile.Text());
    if (was == kStateClosing) {
        Disconnect(0);
        EndWithCode();
        return;
    }
    // A store cut off with its connection: the store's own message, while
    // the dialog still knows the host.
    if (storing) StoreFailed();
    if (ended) return;
    if (was != kStateConnecting) Disconnect(0);
    if (was == kStateSwitching) ConnectToHost();
    else if (was == kStateIdle) SetStatusText("");
    if (tell && !ended) ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
}

void FileDialog::OnListing(const char* text) {
    if (!ParseListing(*this, text, text ? static_cast<uint32_t>(std::strlen(text)) : 0) && !listingCut_)
        listingCut_ = ListingCollector::kCutLines;
    // The listing may come after its chain's end.
    if (state_ != kStateListing) ShowListingCut();
}

void FileDialog::OnDirectory(const char* text) {
    // The server is where the listing went; PWD names it, or (refused,
    // unreadable, no path) the dialog's own record does.
    if (directoryPending_) location.Enter(pendingDirectory_.Text());
    directoryPending_ = false;
    if (text) {
        location.TakeServerPath(text);
        currentDirectory.Assign(text);
    } else {
        location.Display(currentDirectory);
    }
    ShowDirectoryPath(currentDirectory.Text());
}

void FileDialog::OnTransferDone(bool whole) {
    const uint16_t was = state_;
    if (!whole) {
        SetStatus(kStatusTransferFailed);
        EnableItem(window, kFdAction, true);
        SetState(kStateIdle);
        DiscardTemporary(fetchFile.Text());
        if (was == kStateTransferring) StoreFailed();
    } else {
        Finish();
    }
    if (session && !ended)
        SendMessageA(session->window, SocketEventMessage, static_cast<WPARAM>(session->handle),
                     MAKELPARAM(kEventTransferDone, 0));
}

// ---- what the handlers do

void FileDialog::EndAfterQuit() {
    Disconnect(0);
    SetState(kStateIdle);
    EndWithCode();
}

void FileDialog::ShowLoggedIn() {
    TextBuffer shown(64);
    AppendFormatted(shown, kStatusConnected, 0);
    SetItemText(window, kFdConnection, shown.Text());
    connected = 1;
    Redraw(window, kFdGlobe);
    location.Reset();
    ChangeDirectory(0);
}

void FileDialog::EndListing() {
    if (listPurpose != kListAgain) SetStatusText("");
    ShowListingCut();
    TextBuffer typed(64);
    GetWholeItemText(window, kFdName, typed);
    // The typed name was a directory: the file type's pattern comes back.
    if (listPurpose == kListTypedName && !std::strpbrk(typed.Text(), "*?")) ApplyFileType();
    listPurpose = kListOrdinary;
    makingFolder_.Clear();
    SetState(kStateIdle);
}

bool FileDialog::FolderRefused(const char* text) {
    if (state_ != kStateListing || makingFolder_.Empty()) return false;
    // MKD refused: the folder was not made and the listing stays as it
    // was. A failure after it is a listing's failure.
    Command* current = session ? session->CurrentCommand() : nullptr;
    if (!current || current->type != kMkdCommand) {
        makingFolder_.Clear();
        return false;
    }
    TextBuffer message(128), shown(64);
    ShownName(makingFolder_.Text(), shown);
    AppendFormatted(message, kMsgFolderNotMade, 1, shown.Text(), currentHost.Text());
    makingFolder_.Clear();
    listPurpose = kListOrdinary;
    SetState(kStateIdle);
    SetStatus(kStatusReply, text ? text : "");
    ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void FileDialog::TellListingFailed() {
    if (listPurpose == kListTypedName && IsSaveTemplate()) {
        // The name was no directory either: the store failed.
        StoreFailed();
        return;
    }
    TextBuffer message(128);
    if (listPurpose == kListTypedName) {
        TextBuffer typed(64), shown(64);
        GetWholeItemText(window, kFdName, typed);
        ShownName(typed.Text(), shown);
        AppendFormatted(message, kMsgTransferFailed, 1, shown.Empty() ? "/" : shown.Text(), currentHost.Text());
    } else {
        AppendFormatted(message, kMsgListingFailed, 1);
    }
    ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
}

void FileDialog::FailConnection() {
    endCode = kEndFailed;
    TextBuffer message(128);
    if (currentHost.Empty()) AppendFormatted(message, kMsgNoHost, 1);
    else AppendFormatted(message, kMsgCannotConnect, 1, currentHost.Text());
    Disconnect(0);
    SetStatusText(message.Text());
    ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
}

void FileDialog::FailLogin(const char* text) {
    endCode = kEndFailed;
    TextBuffer message(128);
    AppendFormatted(message, kMsgLoginRefused, 1, currentHost.Text());
    Disconnect(0);
    SetStatus(kStatusReply, text ? text : "");
    ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
}

void FileDialog::ListAgainAfter(uint16_t purpose) {
    // A listing that failed: the current directory is listed again. A
    // failure of that one ends here.
    if (purpose == kListAgain || !ListSoon("")) {
        SetState(kStateIdle);
        return;
    }
    listPurpose = kListAgain;
}

void FileDialog::FailTransfer(const char* text) {
    DiscardTemporary(fetchFile.Text());
    SetState(kStateIdle);
    if (text && text[0] && text[1] == '5') {
        // "550": perhaps the typed name is a directory.
        TextBuffer typed(64);
        GetWholeItemText(window, kFdName, typed);
        SelectEditText(window, kFdName, 0, -1);
        if (!typed.Empty() && ListSoon(typed.Text())) SetState(kStateListing);
    }
    EnableItem(window, kFdAction, true);
    // Otherwise the dialog is idle again and the user can try another name.
    if (state_ == kStateListing) listPurpose = kListTypedName;
    else StoreFailed();
}

// ---- the World Wide Web fetch

bool FileDialog::IsWebFetchCode(WPARAM code) const {
    if (state_ != kStateWebFetch || !webFetch) return false;
    return code == kCodeFailed || code == kCodeChainDone || code == kCodeTransferDone || code == kCodeHeaderValue ||
           code == kCodeRedirect;
}

void FileDialog::WebEvents::OnWebFetched() { dialog_.Finish(); }

void FileDialog::WebEvents::OnWebCancelled() {
    dialog_.SetStatus(kStatusTransferFailed);
    EnableItem(dialog_.window, kFdAction, true);
    dialog_.SetState(kStateIdle);
}

void FileDialog::WebEvents::OnWebFailed(const char* why) {
    FileDialog& dialog = dialog_;
    dialog.endCode = kEndFailed;
    TextBuffer message(128), caption(64);
    // The fetch may know why (the server's identity, a proxy's refusal, a
    // redirect not followed).
    if (why && *why) message.Assign(why);
    else AppendFormatted(message, kMsgCannotConnect, 1, dialog.webFetch->ConnectHost());
    AppendFormatted(caption, kMsgCaption, 0);
    dialog.Disconnect(1);
    dialog.ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION, caption.Text());
}

void FileDialog::WebEvents::OnWebDate(const char* value) { dialog_.fileDate.Assign(value ? value : ""); }

void FileDialog::WebEvents::ProxyForRedirect(const char*, TextBuffer& host, uint16_t* port) {
    // A redirect goes through the proxy of the fetch it belongs to.
    host.Assign(dialog_.webProxy_.Text());
    *port = dialog_.webProxyPort_;
}

void FileDialog::WebEvents::OnWebRedirected() { dialog_.resultUrl.Assign(dialog_.webFetch->Url()); }

void FileDialog::ShowListingCut() {
    uint16_t id;
    char amount[32];
    switch (listingCut_) {
    case ListingCollector::kCutLines:
        id = kStatusListingCutLines;
        wsprintfA(amount, "%u", static_cast<unsigned>(ListingCollector::kMaxLines));
        break;
    case ListingCollector::kCutBytes:
        id = kStatusListingCutSize;
        wsprintfA(amount, "%u", static_cast<unsigned>(ListingCollector::kMaxListing >> 20));
        break;
    case ListingCollector::kCutTime:
        id = kStatusListingCutTime;
        wsprintfA(amount, "%u", static_cast<unsigned>(ListingReader::kListingTimeLimit / 1000));
        break;
    default: return;
    }
    SetStatus(id, amount);
}

void FileDialog::ShowDirectoryPath(const char* text) {
    TextBuffer shown(64);
    shown.Assign(text ? text : "");
    HWND control = GetDlgItem(window, kFdDirectory);
    if (control) {
        HDC dc = GetDC(control);
        if (dc) {
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
            RECT client;
            GetClientRect(control, &client);
            MeasureContext measure = {dc, client.right - client.left};
            ShortenPath(shown, FitsControl, &measure);
            SelectObject(dc, old);
            ReleaseDC(control, dc);
        }
    }
    SetItemText(window, kFdDirectory, shown.Text());
}

void FileDialog::RefreshFolderButtons() {
    uint16_t at;
    const bool selected = GetComboSelection(window, kFdLevels, &at) != 0;
    EnableItem(window, kFdUp, selected && at > 0);
    EnableItem(window, kFdNewFolder, selected);
    Redraw(window, kFdUp);
    Redraw(window, kFdNewFolder);
}
