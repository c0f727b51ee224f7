// The Internet file dialog as a window: initialisation, the two modes and
// their layouts, the commands of its controls and the owner-drawn pictures.
#include "ui/filedialog/file_dialog.h"

#include <cstring>
#include <new>

#include "frame/strings.h"
#include "ftp/ftp_session.h"
#include "net/handler_scope.h"
#include "net/protocol_log.h"
#include "net/socket.h"
#include "settings/settings.h"
#include "ui/framework/dialog_items.h"
#include "ui/settings/settings_dialogs.h"

namespace {

// Posted to itself: sessions retired while socket code was on the stack
// can go now; the in-place folder edit lost the focus (handled once the
// focus has settled where it went).
constexpr UINT kDeleteRetiredMessage = WM_APP + 51;
constexpr UINT kFolderEditLeftMessage = WM_APP + 52;

constexpr int kEntryHeight = 18;  // pixels of one entry or level line
constexpr uint32_t kStaleLimit = 1u << 20;
constexpr int kFolderEditIndent = 22;

// The World Wide Web rows (the address's label goes with them).
const int kFtpHidden[] = {kFdUrl, kFdUseProxy, kFdProxyLabel, kFdPortLabel, kFdProxyNote,
                          kFdProxies, kFdProxyPort, kFdEditProxies, kFdUrlLabel};
const int kFtpShown[] = {kFdName, kFdDirectory, kFdHostLabel, kFdNameLabel, kFdTypesLabel,
                         kFdConnect, kFdGlobe, kFdConnection, kFdEntries, kFdLevels,
                         kFdTypes, kFdEditHosts, kFdByDescription, kFdUp, kFdNewFolder};
const int kWebProxyControls[] = {kFdProxyLabel, kFdPortLabel, kFdProxyNote, kFdProxies, kFdProxyPort, kFdEditProxies};

}  // namespace

FileDialog::FileDialog(OrbFilterCallback filter, uint16_t dialogTemplate)
    : session(nullptr),
      webFetch(nullptr),
      localPath(64),
      resultUrl(64),
      currentHost(64),
      filterDescription(64),
      fileDate(64),
      actionCaption(64),
      newFolderName(64),
      connected(0),
      listPurpose(kListOrdinary),
      filterCallback(filter),
      state_(kStateIdle),
      soonDirectory_(64),
      fetchFile(64),
      pendingDirectory_(64),
      directoryPending_(false),
      listingCut_(0),
      makingFolder_(64),
      handling(0xFFFF),
      ended(0),
      webEvents_(*this),
      webProxy_(64),
      webProxyPort_(kHttpPort),
      retired_{},
      staleFiles_(kStaleLimit),
      fullHeight_(0),
      compactHeight_(0) {
    templateId = dialogTemplate;
    dialogProc = FileDialogProc;
    filterPattern.Assign("*");
    directoriesOnly = 0;
    pictures.Load(dialogTemplate == kSaveTemplate ? kPictureBannerSave : kPictureBannerOpen);
}

// ---- the chosen host

HostChoice::HostChoice()
    : listed(false), flags(0), description(64), hostName(64), userName(64), password(64), initialDirectory(64) {}

void HostChoice::Take(const HostEntry* entry, const char* name) {
    Clear();
    hostName.Assign(name);
    listed = entry != nullptr;
    if (!entry) {
        ChooseHostLogin(nullptr, userName, password);
        return;
    }
    flags = entry->hostFlags;
    description.Assign(entry->description.Text());
    initialDirectory.Assign(entry->initialDirectory.Text());
    ChooseHostLogin(entry, userName, password);
}

void HostChoice::Clear() {
    listed = false;
    flags = 0;
    description.Clear();
    hostName.Clear();
    userName.Clear();
    password.Clear();
    initialDirectory.Clear();
}

FileDialog::~FileDialog() {
    // Sessions first: they close the files they write.
    delete session;
    session = nullptr;
    delete webFetch;
    webFetch = nullptr;
    for (AsyncSocket*& socket : retired_) {
        delete socket;
        socket = nullptr;
    }
    if (endCode != kEndOk && !fetchFile.Empty()) DiscardTemporary(fetchFile.Text());
    for (const char* path = staleFiles_.Text(); *path; path += std::strlen(path) + 1) DeleteFileA(path);
}

// ---- sessions that die later

void FileDialog::Retire(AsyncSocket* socket) {
    if (!socket) return;
    if (!HandlerRunning()) {
        delete socket;
        return;
    }
    PostWhenIdle(window, kDeleteRetiredMessage);
    for (AsyncSocket*& slot : retired_) {
        if (!slot) {
            slot = socket;
            return;
        }
    }
    // More sessions dropped under one handler than there are slots: this
    // one is left to the module's end (still safer than deleting code that
    // may be running).
}

void FileDialog::DeleteRetired() {
    if (HandlerRunning()) {
        PostWhenIdle(window, kDeleteRetiredMessage);
        return;
    }
    for (AsyncSocket*& socket : retired_) {
        delete socket;
        socket = nullptr;
    }
    // Files that the retired sessions held are free now; one still open
    // (by the session at work) is tried again later.
    ByteBuffer kept(kStaleLimit);
    for (const char* path = staleFiles_.Text(); *path; path += std::strlen(path) + 1)
        if (!DeleteFileA(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            kept.Append(path, static_cast<uint32_t>(std::strlen(path)) + 1);
    staleFiles_.Clear();
    staleFiles_.Append(kept.Text(), kept.Length());
}

void FileDialog::DiscardTemporary(const char* path) {
    if (!path || !*path) return;
    if (!DeleteFileA(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        // Still open: tried again once its session is gone (at the latest
        // when the dialog goes).
        staleFiles_.Append(path, static_cast<uint32_t>(std::strlen(path)) + 1);
        if (window) PostWhenIdle(window, kDeleteRetiredMessage);
    }
    if (path == fetchFile.Text() || std::strcmp(path, fetchFile.Text()) == 0) fetchFile.Clear();
}

// ---- small helpers

void FileDialog::SetStatusText(const char* text) { SetItemText(window, kFdStatus, text ? text : ""); }

void FileDialog::SetStatus(uint16_t id, const char* argument) {
    TextBuffer text(128);
    if (argument) AppendFormatted(text, id, 1, argument);
    else AppendFormatted(text, id, 1);
    SetStatusText(text.Text());
}

int FileDialog::ShowDialogMessage(const char* text, UINT style, const char* caption) {
    char title[65];
    title[0] = '\0';
    if (caption) {
        std::strncpy(title, caption, sizeof title - 1);
        title[sizeof title - 1] = '\0';
    } else {
        GetWindowTextA(window, title, sizeof title);
    }
    return ShowMessage(text, title, style, window);
}

uint16_t FileDialog::PassiveFlag() const { return host.listed && (host.flags & kHostPassive) ? 1 : 0; }

uint16_t FileDialog::NameFits(const char* name, uint32_t length) {
    if (length <= kMaxRemoteName) return 1;
    // The message shows the name's head only.
    TextBuffer text(128), shown(64);
    uint32_t head = 0;
    while (name && head < 60 && head < length && name[head]) ++head;
    if (head) shown.Assign(name, head);
    shown.Append("...");
    char most[16];
    wsprintfA(most, "%u", static_cast<unsigned>(kMaxRemoteName));
    AppendFormatted(text, kMsgNameTooLong, 1, shown.Text(), most);
    SetStatusText("");
    ShowDialogMessage(text.Text(), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

void FileDialog::ShownName(const char* name, TextBuffer& out) {
    constexpr uint32_t kShown = 60;
    out.Clear();
    if (!name) return;
    const size_t length = std::strlen(name);
    if (length <= kShown + 3) {
        out.Assign(name);
        return;
    }
    out.Assign(name, kShown);
    out.Append("...");
}

void FileDialog::StoreServerChoice() {
    if (!Options) return;
    uint16_t server = 0;
    if (IsItemChecked(window, kFdFtp)) server = kOptionFtpServer;
    else if (IsItemChecked(window, kFdWeb)) server = kOptionWebServer;
    Options->SetServerKind(server);
    if (IsItemChecked(window, kFdByDescription)) Options->flags |= kOptionListByDescription;
    else Options->flags &= static_cast<uint16_t>(~kOptionListByDescription);
}

void FileDialog::EndWithCode() {
    if (modeless) {
        // The window stays for the next run.
        CloseProtocolLog();
        RunEnded();
        return;
    }
    if (ended) return;
    ended = 1;
    EndDialog(window, static_cast<INT_PTR>(endCode));
    CloseProtocolLog();
}

uint16_t FileDialog::RemoteUrl(const char* name, TextBuffer& out) {
    if (BuildRemoteUrl(currentHost.Text(), location, name, out)) return 1;
    out.Clear();
    return 0;
}

// ---- host lists

void FileDialog::FillHostLists() {
    ResetCombo(window, kFdHosts);
    ResetCombo(window, kFdHostNames);
    if (!Hosts) return;
    for (const HostEntry* entry = Hosts->first; entry; entry = entry->next) {
        uint16_t at = AddComboString(window, kFdHosts, entry->description.Text());
        if (at != kNoItem) InsertComboString(window, kFdHostNames, at, entry->hostName.Text());
    }
}

void FileDialog::ShowHostList() {
    if (IsItemChecked(window, kFdWeb)) return;
    const bool byDescription = IsItemChecked(window, kFdByDescription);
    ShowItem(window, kFdHostNames, !byDescription);
    ShowItem(window, kFdHosts, byDescription);
}

void FileDialog::ChosenHost(TextBuffer& hostName, HostEntry** entry) {
    hostName.Clear();
    *entry = nullptr;
    if (IsItemChecked(window, kFdByDescription)) {
        char text[512];
        GetItemText(window, kFdHosts, text, sizeof text);
        *entry = Hosts ? Hosts->FindByDescription(text) : nullptr;
        if (*entry) hostName.Assign((*entry)->hostName.Text());
        return;
    }
    uint16_t at;
    TextBuffer name(64), description(64);
    if (!GetComboSelection(window, kFdHosts, &at) || !GetWholeComboItemText(window, kFdHostNames, at, name)) return;
    hostName.Assign(name.Text());
    // The entry at that position: another may carry the same host name.
    if (Hosts && GetWholeComboItemText(window, kFdHosts, at, description)) *entry = Hosts->FindByDescription(description.Text());
    if (*entry && std::strcmp((*entry)->hostName.Text(), name.Text()) != 0) *entry = nullptr;
    if (!*entry && Hosts) *entry = Hosts->FindByHostName(name.Text());
}

// ---- file types

namespace {

class TypeLists : public FileTypeSink {
public:
    explicit TypeLists(HWND window) : window_(window), count(0) {}
    void OnFileType(const char* description, uint32_t descriptionLength, const char* extensions,
                    uint32_t extensionsLength) override {
        TextBuffer text(64), list(64);
        if (!text.Assign(description, descriptionLength) || !list.Assign(extensions, extensionsLength)) return;
        uint16_t at = AddComboString(window_, kFdTypes, text.Text());
        if (at == kNoItem) return;
        InsertListString(window_, kFdTypeExtensions, at, list.Text());
        if (count == wanted) chosen.Assign(text.Text());
        ++count;
    }
    HWND window_;
    uint32_t count;
    uint32_t wanted = 0;
    TextBuffer chosen{64};
};

}  // namespace

void FileDialog::FillFileTypes() {
    SetComboSelection(window, kFdTypes, 0);
    if (!filterCallback) return;
    constexpr WORD kFilterSize = 2048;
    char* buffer = new (std::nothrow) char[kFilterSize + 1];
    if (!buffer) return;
    std::memset(buffer, 0, kFilterSize + 1);
    WORD defaultIndex = 0;
    if (filterCallback(IsSaveTemplate() ? 2 : 1, buffer, kFilterSize, &defaultIndex)) {
        buffer[kFilterSize] = '\0';
        TypeLists lists(window);
        lists.wanted = defaultIndex;
        SplitFileTypes(buffer, kFilterSize, lists);
        uint16_t at;
        if (lists.count) {
            if (lists.chosen.Empty()) SetComboSelection(window, kFdTypes, 0);
            else SelectComboString(window, kFdTypes, lists.chosen.Text(), &at);
        }
    }
    delete[] buffer;
}

void FileDialog::ApplyFileType() {
    uint16_t at;
    char description[64] = "";
    char extensions[64] = "";
    if (GetComboSelection(window, kFdTypes, &at)) {
        GetComboItemText(window, kFdTypes, at, description, sizeof description);
        GetListItemText(window, kFdTypeExtensions, at, extensions, sizeof extensions);
    }
    filterDescription.Assign(description);
    TextBuffer pattern(64);
    TypePattern(extensions, pattern);
    if (pattern.length > 63) pattern.Assign(pattern.Text(), 63);
    filterPattern.Assign(pattern.Text());
    SetItemText(window, kFdName, filterPattern.Text());
    ShowFilteredEntries(*this);
}

void FileDialog::ApplyExtensionRule(TextBuffer& name, ExtensionRule rule) {
    uint16_t at;
    char extensions[64] = "";
    if (GetComboSelection(window, kFdTypes, &at))
        GetListItemText(window, kFdTypeExtensions, at, extensions, sizeof extensions);
    const uint16_t count = GetListCount(window, kFdTypeExtensions);
    TextBuffer all(128);
    char field[256];
    for (uint16_t i = 0; i < count && i != kNoItem; ++i) {
        if (GetListItemText(window, kFdTypeExtensions, i, field, sizeof field) == kNoItem) continue;
        if (!all.Empty()) all.Append(";");
        all.Append(field);
    }
    ApplyDefaultExtension(name, extensions, all.Text(), count, rule);
}

// ---- modes

void FileDialog::ArrangeRows(bool compact) {
    if (IsSaveTemplate()) return;
    const int statusY = compact ? 107 : 204;
    MoveItem(window, kFdStatus, 60, statusY, 172, 9);
    const int panelY = compact ? 122 : 222;
    MoveItem(window, kPanelFrame, 6, panelY, 284, 32);
    MoveItem(window, kPanelTitle, 12, panelY + 3, 270, 9);
    MoveItem(window, kPanelBody, 12, panelY + 13, 272, 17);
    if (!fullHeight_) return;
    RECT r;
    GetWindowRect(window, &r);
    const int height = compact ? compactHeight_ : fullHeight_;
    if (r.bottom - r.top != height)
        SetWindowPos(window, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, TRUE);
}

void FileDialog::SetFtpMode() {
    if (!IsSaveTemplate()) {
        PaintPale(GetDlgItem(window, kPanelBody));
        TextBuffer note(128);
        AppendFormatted(note, kMsgFtpModeNote, 0);
        SetItemText(window, kPanelBody, note.Text());
    }
    for (int id : kFtpHidden) ShowItem(window, id, false);
    if (IsSaveTemplate()) ShowItem(window, kFdSaveWebLabel, false);
    for (int id : kFtpShown) ShowItem(window, id, true);
    const bool open = !IsSaveTemplate();
    MoveItem(window, kFdAction, 237, open ? 201 : 192, 45, 14);
    MoveItem(window, kFdStatusLabel, 6, open ? 204 : 194, 53, 9);
    MoveItem(window, IDCANCEL, 243, 5, 45, 14);
    MoveItem(window, kHelpButton, 243, 21, 45, 14);
    MoveItem(window, kFdConnection, 236, 65, 56, 10);
    MoveItem(window, kFdGlobe, 248, 40, 36, 20);
    ArrangeRows(false);
    RefreshFolderButtons();
    ShowHostList();
}

void FileDialog::SetWebMode() {
    PaintPale(GetDlgItem(window, kPanelBody));
    TextBuffer note(128);
    if (templateId == kOpenTemplate) AppendFormatted(note, kMsgWebModeNote, 0);
    else if (IsSaveTemplate()) AppendFormatted(note, kMsgSaveWebNote, 0);
    SetItemText(window, kPanelBody, note.Text());
    for (int id : kFtpShown) ShowItem(window, id, false);
    ShowItem(window, kFdHosts, false);
    ShowItem(window, kFdHostNames, false);
    for (int id : kFtpHidden) ShowItem(window, id, true);
    if (IsSaveTemplate()) ShowItem(window, kFdSaveWebLabel, true);
    MoveItem(window, kHelpButton, 243, 40, 45, 14);
    MoveItem(window, IDCANCEL, 243, 23, 45, 14);
    MoveItem(window, kFdAction, 243, 6, 45, 14);
    MoveItem(window, kFdStatusLabel, 6, 107, 53, 9);
    ArrangeRows(true);
}

// ---- proxies and the URL history

void FileDialog::EnableProxyControls() {
    const bool on = IsItemChecked(window, kFdUseProxy);
    for (int id : kWebProxyControls) EnableItem(window, id, on);
}

void FileDialog::ShowProxyPort() {
    char name[128];
    GetItemText(window, kFdProxies, name, sizeof name);
    uint16_t at;
    if (GetComboSelection(window, kFdProxies, &at)) GetComboItemText(window, kFdProxies, at, name, sizeof name);
    const ProxyEntry* proxy = name[0] && WwwProxies ? WwwProxies->FindByName(name) : nullptr;
    if (proxy) SetDlgItemInt(window, kFdProxyPort, proxy->port, FALSE);
    else SetItemText(window, kFdProxyPort, "");
}

void FileDialog::SelectDefaultWebProxy() {
    const ProxyEntry* proxy = WwwProxies ? WwwProxies->FindDefault() : nullptr;
    uint16_t at;
    if (proxy && SelectComboString(window, kFdProxies, proxy->name.Text(), &at)) {
        CheckDlgButton(window, kFdUseProxy, BST_CHECKED);
        SetDlgItemInt(window, kFdProxyPort, proxy->port, FALSE);
    } else {
        CheckDlgButton(window, kFdUseProxy, BST_UNCHECKED);
    }
    EnableProxyControls();
}

void FileDialog::ChooseHistoryUrl() {
    uint16_t at;
    char url[512];
    if (!GetComboSelection(window, kFdUrl, &at) || GetComboItemText(window, kFdUrl, at, url, sizeof url) < 0) return;
    const UrlEntry* entry = Urls ? Urls->Find(url) : nullptr;
    if (!entry) return;
    if (entry->proxy.Empty()) {
        CheckDlgButton(window, kFdUseProxy, BST_UNCHECKED);
        EnableProxyControls();
        return;
    }
    const ProxyEntry* proxy = WwwProxies ? WwwProxies->FindByName(entry->proxy.Text()) : nullptr;
    uint16_t proxyAt;
    if (proxy && SelectComboString(window, kFdProxies, proxy->name.Text(), &proxyAt)) {
        CheckDlgButton(window, kFdUseProxy, BST_CHECKED);
        EnableProxyControls();
        SetDlgItemInt(window, kFdProxyPort, proxy->port, FALSE);
        return;
    }
    TextBuffer text(128);
    AppendFormatted(text, kMsgProxyMissing, 0);
    ShowDialogMessage(text.Text(), MB_OK | MB_ICONEXCLAMATION);
    SelectDefaultWebProxy();
}

void FileDialog::ShowAsBrowser() {
    TextBuffer text(64);
    AppendFormatted(text, kMsgBrowseAction, 0);
    SetItemText(window, kFdAction, text.Text());
    // The new-folder edit gives the button this caption back.
    actionCaption.Assign(text.Text());
    text.Clear();
    AppendFormatted(text, kMsgBrowseTitle, 0);
    SetWindowTextA(window, text.Text());
}

// ---- the settings dialogs

void FileDialog::EditHosts() {
    HostDialog hosts;
    char typed[512];
    GetItemText(window, kFdHosts, typed, sizeof typed);
    hosts.selectedHost.Assign(typed);
    hosts.DoModal(window);
    FillHostLists();
    uint16_t at;
    if (FindComboStringExact(window, kFdHosts, hosts.selectedHost.Text(), &at)) {
        SetComboSelection(window, kFdHosts, at);
        SetComboSelection(window, kFdHostNames, at);
        EnableWindow(GetDlgItem(window, kFdConnect), TRUE);
    }
}

void FileDialog::EditProxies() {
    ProxyDialog proxies(WwwProxies);
    char typed[128];
    GetItemText(window, kFdProxies, typed, sizeof typed);
    proxies.selectedProxy.Assign(typed);
    proxies.DoModal(window);
    ResetCombo(window, kFdProxies);
    for (const ProxyEntry* proxy = WwwProxies ? WwwProxies->first : nullptr; proxy; proxy = proxy->next)
        AddComboString(window, kFdProxies, proxy->name.Text());
    uint16_t at;
    if (!proxies.selectedProxy.Empty()) SelectComboString(window, kFdProxies, proxies.selectedProxy.Text(), &at);
    ShowProxyPort();
}

// ---- initialisation

void FileDialog::OnInitDialog() {
    RECT r;
    GetWindowRect(window, &r);
    fullHeight_ = r.bottom - r.top;
    // The compact layout ends under the note panel's new place.
    RECT compact = {0, 0, 1, 160};
    MapDialogRect(window, &compact);
    RECT client;
    GetClientRect(window, &client);
    compactHeight_ = fullHeight_ - (client.bottom - compact.bottom);

    FillHostLists();
    FillFileTypes();
    ApplyFileType();
    SetComboSelection(window, kFdHosts, 0);
    Initialize();
    if (endCode != kEndOk) EndWithCode();
}

void FileDialog::Initialize() {
    SendDlgItemMessageA(window, kFdName, EM_LIMITTEXT, 128, 0);
    TextBuffer shown(64);
    AppendFormatted(shown, kStatusDisconnected, 0);
    SetItemText(window, kFdConnection, shown.Text());
    SetComboSelection(window, kFdHosts, 0);
    const uint16_t flags = Options ? Options->flags : 0;
    if (!IsSaveTemplate() && !(flags & kOptionAutoOpen)) {
        if (flags & kOptionFtpServer) {
            CheckRadioButton(window, kFdFtp, kFdWeb, kFdFtp);
            SetFtpMode();
            SetFocus(GetDlgItem(window, kFdHosts));
        } else if (flags & kOptionWebServer) {
            CheckRadioButton(window, kFdFtp, kFdWeb, kFdWeb);
            SetWebMode();
            SetFocus(GetDlgItem(window, kFdUrl));
        } else {
            // No mode yet: only the choice of server is shown.
            MoveItem(window, kHelpButton, 243, 40, 45, 14);
            MoveItem(window, IDCANCEL, 243, 23, 45, 14);
            MoveItem(window, kFdAction, 243, 6, 45, 14);
            MoveItem(window, kFdStatusLabel, 6, 107, 53, 9);
            ArrangeRows(true);
            SetFocus(GetDlgItem(window, kFdFtp));
        }
    } else {
        CheckRadioButton(window, kFdFtp, kFdWeb, kFdFtp);
        SetFtpMode();
        SetFocus(GetDlgItem(window, kFdHosts));
    }
    CheckDlgButton(window, kFdByDescription, (flags & kOptionListByDescription) ? BST_CHECKED : BST_UNCHECKED);
    ShowHostList();
    if (!IsItemChecked(window, kFdByDescription) && GetFocus() == GetDlgItem(window, kFdHosts))
        SetFocus(GetDlgItem(window, kFdHostNames));
    if (templateId == kOpenTemplate) {
        for (const UrlEntry* entry = Urls ? Urls->first : nullptr; entry; entry = entry->next)
            AddComboString(window, kFdUrl, entry->url.Text());
        for (const ProxyEntry* proxy = WwwProxies ? WwwProxies->first : nullptr; proxy; proxy = proxy->next)
            AddComboString(window, kFdProxies, proxy->name.Text());
        SelectDefaultWebProxy();
    }
    char caption[40];
    GetItemText(window, kFdAction, caption, sizeof caption);
    actionCaption.Assign(caption);
    SetUpPanel();
}

// ---- the in-place folder edit

void FileDialog::StartNewFolder() {
    if (GetDlgItem(window, kFdFolderEdit)) return;
    uint16_t at = AddListString(window, kFdEntries, "\xFEjunk");
    if (at == kNoItem) return;
    // No listing line stands behind it.
    SendDlgItemMessageA(window, kFdEntries, LB_SETITEMDATA, at, kMaxListedLines);
    SendDlgItemMessageA(window, kFdEntries, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendDlgItemMessageA(window, kFdEntries, LB_SETTOPINDEX, at, 0);
    RECT item;
    if (SendDlgItemMessageA(window, kFdEntries, LB_GETITEMRECT, at, reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
        DeleteListString(window, kFdEntries, at);
        return;
    }
    HWND list = GetDlgItem(window, kFdEntries);
    MapWindowPoints(list, window, reinterpret_cast<POINT*>(&item), 2);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_OEMCONVERT;
    HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFdFolderEdit));
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    HWND edit = CreateWindowExA(0, "EDIT", "", style, item.left + kFolderEditIndent, item.top,
                                item.right - item.left - kFolderEditIndent, item.bottom - item.top, window, id,
                                instance, nullptr);
    if (!edit) {
        DeleteListString(window, kFdEntries, at);
        return;
    }
    SetWindowPos(edit, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SendMessageA(edit, WM_SETFONT, SendMessageA(list, WM_GETFONT, 0, 0), FALSE);
    TextBuffer text(64);
    AppendFormatted(text, kMsgNewFolder, 0);
    SetWindowTextA(edit, text.Text());
    SendMessageA(edit, EM_LIMITTEXT, 256, 0);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
    text.Clear();
    AppendFormatted(text, kMsgCreateAction, 0);
    SetItemText(window, kFdAction, text.Text());
}

void FileDialog::RemoveFolderEntry() {
    uint16_t count = GetListCount(window, kFdEntries);
    char last[8];
    if (count && count != kNoItem && GetListItemText(window, kFdEntries, count - 1, last, sizeof last) != kNoItem &&
        static_cast<unsigned char>(last[0]) == 0xFE)
        DeleteListString(window, kFdEntries, count - 1);
}

void FileDialog::EndFolderEdit() {
    HWND edit = GetDlgItem(window, kFdFolderEdit);
    if (!edit) return;
    newFolderName.Clear();
    if (GetFocus() == GetDlgItem(window, kFdAction)) GetWholeItemText(window, kFdFolderEdit, newFolderName);
    DestroyWindow(edit);
    SetItemText(window, kFdAction, actionCaption.Text());
    RemoveFolderEntry();
}

// ---- messages

INT_PTR CALLBACK FileDialog::FileDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MEASUREITEM) {
        MEASUREITEMSTRUCT* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item && (item->CtlID == static_cast<UINT>(kFdEntries) || item->CtlID == static_cast<UINT>(kFdLevels))) {
            item->itemHeight = kEntryHeight;
            return TRUE;
        }
        return FALSE;
    }
    INT_PTR result = DialogProc(window, message, wParam, lParam);
    // The dialog chose its focus itself.
    if (message == WM_INITDIALOG && FromWindow(window)) return FALSE;
    return result;
}

INT_PTR FileDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case SocketEventMessage: {
        LONG_PTR answer = 0;
        if (!ended && IsWebFetchCode(wParam)) {
            handling = wParam;
            answer = webFetch->OnNotify(wParam, lParam);
            handling = 0xFFFF;
        } else if (!ended && wParam != kCodeRedirect) {
            // A redirect outside a Web fetch is not followed: to its session
            // it is a status that failed.
            handling = wParam;
            OnSessionNotification(wParam, lParam);
            handling = 0xFFFF;
        }
        SetWindowLongPtrA(window, DWLP_MSGRESULT, answer);
        return TRUE;
    }
    case kWebFetchFollowMessage:
        if (!ended && webFetch) webFetch->OnPosted(message);
        return TRUE;
    case kWebFetchCleanUpMessage:
        if (webFetch) webFetch->OnPosted(message);
        return TRUE;
    case kListSoonMessage:
        if (!ended && HandlerRunning()) PostWhenIdle(window, kListSoonMessage);
        else if (!ended) StartListingSoon();
        return TRUE;
    case kDeleteRetiredMessage:
        DeleteRetired();
        return TRUE;
    case kFolderEditLeftMessage:
        EndFolderEdit();
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!item) return FALSE;
        switch (item->CtlID) {
        case kFdEntries: {
            // The listing knows what an entry is; its text alone may mislead
            // (a directory named "a >b").
            ListedEntry entry;
            if (item->itemID == static_cast<UINT>(-1) ||
                !listingCopy.EntryOfLine(static_cast<uint32_t>(item->itemData), &entry)) {
                DrawEntryItem(pictures, item);
                return TRUE;
            }
            EntryLook look = {entry.kind == kEntryFile   ? EntryLook::kFile
                              : entry.kind == kEntryLink ? EntryLook::kLink
                                                         : EntryLook::kFolder,
                              entry.name, static_cast<int>(entry.nameLength)};
            DrawEntryItem(pictures, item, &look);
            return TRUE;
        }
        case kFdLevels: DrawLevelItem(pictures, item); return TRUE;
        case kFdUp:
            DrawIconButton(pictures, item, kPictureUpIcon, IsWindowEnabled(item->hwndItem) ? 0 : 1);
            return TRUE;
        case kFdNewFolder:
            DrawIconButton(pictures, item, kPictureNewFolderIcon, IsWindowEnabled(item->hwndItem) ? 0 : 1);
            return TRUE;
        case kFdGlobe: DrawGlobe(pictures, item, connected); return TRUE;
        case kFdBanner: DrawBanner(pictures.banner, item); return TRUE;
        default: return FALSE;
        }
    }
    case WM_COMMAND:
        break;
    default:
        return FALSE;
    }
    if (ended) return TRUE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDCANCEL:
        endCode = kEndCancelled;
        Cancel();
        return TRUE;
    case kFdEntries:
        if (code == LBN_SELCHANGE) {
            uint16_t at;
            if (!GetListSelection(window, kFdEntries, &at)) return TRUE;
            LRESULT raw = SendDlgItemMessageA(window, kFdEntries, LB_GETITEMDATA, at, 0);
            ListedEntry entry;
            if (raw == LB_ERR || !listingCopy.EntryOfLine(static_cast<uint32_t>(raw), &entry)) return TRUE;
            SetStatusText(listingCopy.RawLine(entry.rawIndex));
            if (entry.kind == kEntryFile) SetItemText(window, kFdName, entry.name);
        } else if (code == LBN_DBLCLK) {
            Activate();
        }
        return TRUE;
    case kFdTypes:
        if (code == CBN_SELCHANGE) ApplyFileType();
        return TRUE;
    case kFdHosts:
        if (code == CBN_SELCHANGE) {
            if (IsComboDroppedDown(window, kFdHosts)) RefreshConnectButton();
            else ConfirmHostChange();
        } else if (code == CBN_EDITCHANGE) {
            RefreshConnectButton();
        }
        return TRUE;
    case kFdHostNames:
        // The visible list of host names stands for kFdHosts: same positions.
        if (code == CBN_SELCHANGE) {
            uint16_t at;
            if (GetComboSelection(window, kFdHostNames, &at)) SetComboSelection(window, kFdHosts, at);
            if (IsComboDroppedDown(window, kFdHostNames)) RefreshConnectButton();
            else ConfirmHostChange();
        }
        return TRUE;
    case kFdConnect:
        ToggleConnection();
        return TRUE;
    case kFdLevels:
        if (code == CBN_SELCHANGE && !IsComboDroppedDown(window, kFdLevels)) ChangeDirectory(1);
        return TRUE;
    case kFdEditHosts:
        EditHosts();
        return TRUE;
    case kFdEditProxies:
        EditProxies();
        return TRUE;
    case kFdUseProxy:
        if (code == BN_CLICKED) EnableProxyControls();
        return TRUE;
    case kFdAction:
        Activate();
        return TRUE;
    case kFdFtp:
        if (code == BN_CLICKED && IsItemChecked(window, kFdFtp)) SetFtpMode();
        return TRUE;
    case kFdWeb:
        if (code == BN_CLICKED && IsItemChecked(window, kFdWeb)) SetWebMode();
        return TRUE;
    case kFdUrl:
        if (code == CBN_SELCHANGE) ChooseHistoryUrl();
        return TRUE;
    case kFdNewFolder:
        if (code == BN_CLICKED) StartNewFolder();
        return TRUE;
    case kFdByDescription:
        if (code == BN_CLICKED) ShowHostList();
        return TRUE;
    case kFdProxies:
        if (code == CBN_SELCHANGE) ShowProxyPort();
        return TRUE;
    case kFdUp:
        if (code == BN_CLICKED) {
            uint16_t at;
            if (GetComboSelection(window, kFdLevels, &at) && at > 0) {
                SetComboSelection(window, kFdLevels, static_cast<uint16_t>(at - 1));
                ChangeDirectory(1);
            }
        }
        return TRUE;
    case kFdFolderEdit:
        if (code == EN_KILLFOCUS) PostMessageA(window, kFolderEditLeftMessage, 0, 0);
        return TRUE;
    default:
        return FALSE;
    }
}
