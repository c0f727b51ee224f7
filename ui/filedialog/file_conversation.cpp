// The file dialog's conversation with the server: connect, log in, list,
// change directory, make folders, and the reactions to the sessions'
// notifications.
#include <cstring>
#include <new>

#include "frame/strings.h"
#include "ftp/ftp_session.h"
#include "net/network.h"
#include "net/protocol_log.h"
#include "net/command.h"
#include "net/socket.h"
#include "settings/settings.h"
#include "transfer/url_parts.h"
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

}  // namespace

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
    state = kStateConnecting;
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
    if (state != kStateClosing && state != kStateSwitching && session->Quit()) {
        SetStatus(kStatusClosing);
        state = kStateSwitching;
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
        hostEntry = nullptr;
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
        state = kStateIdle;
    } else if (kind == 1 && webSession) {
        Retire(webSession);
        webSession = nullptr;
        SetStatusText("");
        EnableItem(window, kFdConnect, true);
        EnableItem(window, kFdAction, true);
        listPurpose = kListOrdinary;
        state = kStateIdle;
    }
}

void FileDialog::ConfirmHostChange() {
    uint16_t at;
    char hostName[128];
    char description[512];
    int described = -1;
    if (GetComboSelection(window, kFdHosts, &at)) {
        described = GetComboItemText(window, kFdHosts, at, description, sizeof description);
        if (GetComboItemText(window, kFdHostNames, at, hostName, sizeof hostName) >= 0 && session &&
            std::strcmp(hostName, currentHost.Text()) != 0 && described >= 0) {
            TextBuffer text(128);
            AppendFormatted(text, kMsgConnectOther, 1, description);
            if (ShowDialogMessage(text.Text(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
                EnableItem(window, kFdConnect, true);
                return;
            }
            SetItemText(window, kFdHosts, description);
            ToggleConnection();
            return;
        }
    }
    if (described >= 0) SetItemText(window, kFdHosts, description);
    RefreshConnectButton();
}

void FileDialog::RefreshConnectButton() {
    uint16_t at;
    char hostName[128] = "";
    if (!GetComboSelection(window, kFdHosts, &at)) {
        // A description typed whole stands for its entry.
        char typed[512];
        GetItemText(window, kFdHosts, typed, sizeof typed);
        if (!typed[0] || !FindComboStringExact(window, kFdHosts, typed, &at)) at = kNoItem;
    }
    if (at != kNoItem) GetComboItemText(window, kFdHostNames, at, hostName, sizeof hostName);
    if (hostName[0] && std::strcmp(hostName, currentHost.Text()) != 0) {
        uint16_t found;
        if (FindComboStringExact(window, kFdHostNames, hostName, &found) && found != at)
            SetComboSelection(window, kFdHosts, found);
        EnableItem(window, kFdConnect, true);
    } else {
        EnableItem(window, kFdConnect, false);
    }
}

void FileDialog::LogInToHost() {
    TextBuffer hostName(64);
    ChosenHost(hostName, &hostEntry);
    currentHost.Assign(hostName.Text());
    TextBuffer user(64), password(64);
    if (hostEntry) {
        ChooseHostLogin(hostEntry, user, password);
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
        if (hostEntry->hostFlags & kHostUseProxy) {
            user.Append("@");
            user.Append(hostEntry->hostName.Text());
        }
    } else {
        ChooseHostLogin(nullptr, user, password);
    }
    if (session && session->Login(user.Text(), password.Text())) {
        SetStatus(kStatusLoggingIn);
        state = kStateLoggingIn;
    } else {
        state = kStateIdle;
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
        char item[256];
        if (!GetComboSelection(window, kFdLevels, &at) ||
            GetComboItemText(window, kFdLevels, at, item, sizeof item) <= 0)
            return;
        if (!LevelDirectory(item, currentDirectory.Text(), directory)) return;
    }
    if (!session->ListDirectory(directory.Text(), PassiveFlag())) return;
    state = kStateListing;
    SetStatus(kStatusListing);
}

void FileDialog::StartDirectory(TextBuffer& directory) {
    directory.Clear();
    if (!hostEntry) return;
    directory.Assign(hostEntry->initialDirectory.Text());
    for (uint16_t i = 0; i < directory.length; ++i)
        if (directory.data[i] == '\\') directory.data[i] = '/';
}

uint16_t FileDialog::EnterOrCreateFolder() {
    if (!session) return 0;
    HWND edit = GetDlgItem(window, kFdFolderEdit);
    if (!edit && newFolderName.Empty()) {
        uint16_t at;
        char entry[256];
        if (!GetListSelection(window, kFdEntries, &at) ||
            GetListItemText(window, kFdEntries, at, entry, sizeof entry) == kNoItem)
            return 0;
        if (!entry[0] || !entry[1] || static_cast<unsigned char>(entry[0]) == 0xFF) return 0;
        // A link goes to its target.
        const char* name = std::strchr(entry + 1, '>');
        name = name ? name + 1 : entry + 1;
        if (!session->ListDirectory(name, PassiveFlag())) return 0;
        state = kStateListing;
        SetStatus(kStatusListing);
        return 1;
    }
    TextBuffer name(64);
    if (edit) {
        char typed[255];
        GetWindowTextA(edit, typed, sizeof typed);
        name.Assign(typed);
        DestroyWindow(edit);
        RemoveFolderEntry();
    } else {
        name.Assign(newFolderName.Text());
    }
    SetStatus(kStatusCreatingFolder);
    if (session->MakeDirectory(name.Text(), PassiveFlag())) {
        state = kStateListing;
        SetStatus(kStatusListing);
    }
    SetItemText(window, kFdAction, actionCaption.Text());
    newFolderName.Clear();
    return 1;
}

uint16_t FileDialog::TakeTypedName(TextBuffer& name) {
    if (!connected || StartNetwork() != 1) {
        endCode = kEndFailed;
        return 0;
    }
    if (EnterOrCreateFolder()) return 0;
    char typed[256];
    GetItemText(window, kFdName, typed, sizeof typed);
    name.Assign(typed);
    if (std::strpbrk(typed, "*?")) {
        TextBuffer directory(64), rest(64);
        if (SplitPatternPath(typed, directory, rest)) {
            // "/*.txt": the root, not the current directory.
            if (directory.Empty()) directory.Assign(std::strrchr(typed, '\\') ? "\\" : "/");
            SetItemText(window, kFdName, rest.Text());
            if (session->ListDirectory(directory.Text(), PassiveFlag())) {
                state = kStateListing;
                SetStatus(kStatusListing);
            }
        } else {
            ShowFilteredEntries(*this);
        }
        return 0;
    }
    return name.Empty() ? 0 : 1;
}

void FileDialog::Cancel() {
    switch (state) {
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
        DiscardTemporary(fetchFile.Text());
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
        const uint16_t wasClosing = state == kStateClosing;
        if (!wasClosing && session->Quit()) {
            SetStatus(kStatusClosing);
            state = kStateClosing;
            return;
        }
        Disconnect(0);
    }
    EndWithCode();
}

void FileDialog::OnSessionNotification(WPARAM code, LPARAM value) {
    const char* text = reinterpret_cast<const char*>(value);
    switch (code) {
    case kCodeChainDone:
        switch (state) {
        case kStateConnecting: LogInToHost(); return;
        case kStateClosing:
            Disconnect(0);
            state = kStateIdle;
            EndWithCode();
            return;
        case kStateLoggingIn: {
            TextBuffer shown(64);
            AppendFormatted(shown, kStatusConnected, 0);
            SetItemText(window, kFdConnection, shown.Text());
            connected = 1;
            Redraw(window, kFdGlobe);
            ChangeDirectory(0);
            return;
        }
        case kStateListing: {
            if (listPurpose != kListAgain) SetStatusText("");
            char typed[256];
            GetItemText(window, kFdName, typed, sizeof typed);
            if (listPurpose == kListTypedName && !std::strpbrk(typed, "*?")) ApplyFileType();
            listPurpose = kListOrdinary;
            state = kStateIdle;
            return;
        }
        case kStateTransferring:
        case kStateHalfFetched:
        case kStateWebFetch: Finish(); return;
        case kStateSwitching:
            Disconnect(0);
            ConnectToHost();
            return;
        default: return;
        }
    case kCodeFailed: {
        if (listPurpose != kListTypedName) SetStatus(kStatusReply, text ? text : "");
        if (state == kStateListing) {
            TextBuffer message(128);
            if (listPurpose == kListTypedName) {
                char typed[256];
                GetItemText(window, kFdName, typed, sizeof typed);
                AppendFormatted(message, kMsgTransferFailed, 1, typed[0] ? typed : "/", currentHost.Text());
            } else {
                AppendFormatted(message, kMsgListingFailed, 1);
            }
            ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
            if (ended) return;
        }
        const uint16_t purpose = listPurpose;
        listPurpose = kListOrdinary;
        switch (state) {
        case kStateConnecting: {
            endCode = kEndFailed;
            TextBuffer message(128);
            if (currentHost.Empty()) AppendFormatted(message, kMsgNoHost, 1);
            else AppendFormatted(message, kMsgCannotConnect, 1, currentHost.Text());
            Disconnect(0);
            SetStatusText(message.Text());
            ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        case kStateLoggingIn: {
            endCode = kEndFailed;
            TextBuffer message(128);
            AppendFormatted(message, kMsgLoginRefused, 1, currentHost.Text());
            Disconnect(0);
            SetStatus(kStatusReply, text ? text : "");
            ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        case kStateListing:
            // A listing that tried the typed name and failed: the current
            // directory is listed again. A failure of that one ends here.
            if (purpose == kListAgain || !session || !session->ListDirectory("", PassiveFlag())) {
                state = kStateIdle;
                return;
            }
            listPurpose = kListAgain;
            return;
        case kStateTransferring:
        case kStateHalfFetched: {
            DiscardTemporary(fetchFile.Text());
            state = kStateIdle;
            if (text && text[0] && text[1] == '5') {
                char typed[256];
                GetItemText(window, kFdName, typed, sizeof typed);
                SelectEditText(window, kFdName, 0, -1);
                if (session && session->ListDirectory(typed, PassiveFlag())) state = kStateListing;
            }
            EnableItem(window, kFdAction, true);
            // Otherwise the dialog is idle again and the user can try
            // another name.
            if (state == kStateListing) listPurpose = kListTypedName;
            return;
        }
        case kStateWebFetch: {
            endCode = kEndFailed;
            TextBuffer message(128), caption(64);
            // The session may know why (the server's identity, a proxy's
            // refusal).
            if (webSession && !webSession->failureText.Empty()) message.Assign(webSession->failureText.Text());
            else AppendFormatted(message, kMsgCannotConnect, 1, webHost.Text());
            AppendFormatted(caption, kMsgCaption, 0);
            Disconnect(1);
            DiscardTemporary(fetchFile.Text());
            ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION, caption.Text());
            return;
        }
        default:
            RefreshConnectButton();
            state = kStateIdle;
            return;
        }
    }
    case kCodeControlClosed: {
        const uint16_t was = state;
        // A server that hangs up once QUIT has been sent only ends the
        // conversation early: the chain's end follows (its answer, or the
        // wait for it running out).
        Command* current = session ? session->CurrentCommand() : nullptr;
        if ((was == kStateClosing || was == kStateTransferring || was == kStateHalfFetched || was == kStateSwitching) &&
            (!current || current->type == kQuitCommand))
            return;
        const bool tell = was != kStateIdle && was != kStateConnecting && was != kStateClosing;
        TextBuffer message(128);
        AppendFormatted(message, kMsgCannotConnect, 1, currentHost.Text());
        if (was == kStateTransferring || was == kStateHalfFetched) DiscardTemporary(fetchFile.Text());
        if (was == kStateClosing) {
            Disconnect(0);
            EndWithCode();
            return;
        }
        if (was != kStateConnecting) Disconnect(0);
        if (was == kStateSwitching) ConnectToHost();
        else if (was == kStateIdle) SetStatusText("");
        if (tell && !ended) ShowDialogMessage(message.Text(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    case kCodeListing:
        ParseListing(*this, text, text ? static_cast<uint32_t>(std::strlen(text)) : 0);
        return;
    case kCodeDirectory:
        currentDirectory.Assign(text ? text : "");
        ShowDirectoryPath(currentDirectory.Text());
        return;
    case kCodeTransferDone: {
        const uint16_t was = state;
        if (value == 0) {
            SetStatus(kStatusTransferFailed);
            EnableItem(window, kFdAction, true);
            state = kStateIdle;
            DiscardTemporary(fetchFile.Text());
        } else {
            Finish();
        }
        if (session && was != kStateWebFetch && !ended)
            SendMessageA(session->window, SocketEventMessage, static_cast<WPARAM>(session->handle),
                         MAKELPARAM(kEventTransferDone, 0));
        return;
    }
    case kCodeHeaderValue:
        fileDate.Assign(text ? text : "");
        return;
    default:
        return;
    }
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
