// The host dialog: the FTP hosts, their logins and proxies.
#include <cstring>
#include <strings.h>

#include "frame/strings.h"
#include "settings/settings.h"
#include "ui/filedialog/password_prompt.h"
#include "ui/framework/dialog_items.h"
#include "ui/settings/settings_dialogs.h"

namespace {

constexpr uint16_t kHostTemplate = 102;
constexpr uint16_t kHostHelp = 4903;
constexpr uint16_t kHostPicture = 110;
// Posted to itself: the password check once an edit has the focus.
constexpr UINT kCheckLaterMessage = WM_USER + 50;

enum : int {
    kDescription = 1004, kClose = 1007, kDirectory = 1010, kHostName = 1011, kNew = 1013, kDelete = 1014,
    kStore = 1015, kUser = 1017, kAnonymousPassword = 1018, kAnonymous = 1019, kAnonymousUser = 1020,
    kUseProxy = 1021, kProxyPort = 1023, kPassive = 1025, kPassword = 1027, kStorePasswords = 1039,
    kProxy = 1059, kEditProxies = 1061,
};

const int kProxyControls[] = {104, 1067, 1068, kProxy, kProxyPort, kEditProxies};

// Control texts as the fields hold them.
struct Form {
    explicit Form(HWND dialog) {
        GetItemText(dialog, kDescription, description, sizeof description);
        GetItemText(dialog, kHostName, hostName, sizeof hostName);
        GetItemText(dialog, kUser, user, sizeof user);
        GetItemText(dialog, kAnonymousPassword, anonymousPassword, sizeof anonymousPassword);
        GetItemText(dialog, kPassword, password, sizeof password);
        GetItemText(dialog, kDirectory, directory, sizeof directory);
        GetItemText(dialog, kProxy, proxy, sizeof proxy);
        anonymous = IsItemChecked(dialog, kAnonymous);
        passive = IsItemChecked(dialog, kPassive);
        useProxy = IsItemChecked(dialog, kUseProxy);
        storePasswords = IsItemChecked(dialog, kStorePasswords);
    }
    char description[513];
    char hostName[129];
    char user[65];
    char anonymousPassword[65];
    char password[65];
    char directory[257];
    char proxy[128];
    bool anonymous, passive, useProxy, storePasswords;
};

}  // namespace

HostDialog::HostDialog() : PictureDialog(kHostPicture), selectedHost(64), checking_(false), shownDescription_(64) {
    templateId = kHostTemplate;
    helpId = kHostHelp;
}

bool HostDialog::PasswordCheck() {
    if (checking_) return false;
    HWND edit = GetDlgItem(window, kPassword);
    char typed[65];
    GetItemText(window, kPassword, typed, sizeof typed);
    const bool modified = SendMessageA(edit, EM_GETMODIFY, 0, 0) != 0;
    SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
    if (!typed[0] || !modified) return true;
    checking_ = true;
    PasswordPrompt prompt(typed);
    const uint16_t answer = prompt.DoModal(window);
    checking_ = false;
    if (answer == PasswordPrompt::kAccepted) return true;
    if (answer != PasswordPrompt::kCancelled) {
        TextBuffer text(128);
        AppendFormatted(text, kMsgPasswordMismatch, 0);
        Ask(text.Text(), MB_OK | MB_ICONEXCLAMATION);
    }
    // Back to the password, which still counts as changed.
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_SETMODIFY, TRUE, 0);
    return false;
}

void HostDialog::FormDescription(char* description, uint32_t size) {
    if (!shownDescription_.Empty()) {
        std::strncpy(description, shownDescription_.Text(), size - 1);
        description[size - 1] = '\0';
    } else {
        GetItemText(window, kDescription, description, size);
    }
}

bool HostDialog::Changed() {
    Form form(window);
    FormDescription(form.description, sizeof form.description);
    if (!form.description[0]) return false;
    const HostEntry* e = Hosts ? Hosts->FindByDescription(form.description) : nullptr;
    if (!e) return true;
    const uint16_t f = e->hostFlags;
    return form.anonymous != ((f & kHostAnonymous) != 0) || form.passive != ((f & kHostPassive) != 0) ||
           form.useProxy != ((f & kHostUseProxy) != 0) || form.storePasswords != ((f & kHostStorePasswords) != 0) ||
           std::strcmp(form.hostName, e->hostName.Text()) != 0 || std::strcmp(form.user, e->userName.Text()) != 0 ||
           std::strcmp(form.anonymousPassword, e->anonymousPassword.Text()) != 0 ||
           std::strcmp(form.password, e->password.Text()) != 0 ||
           std::strcmp(form.directory, e->initialDirectory.Text()) != 0 ||
           std::strcmp(form.proxy, e->proxyName.Text()) != 0;
}

bool HostDialog::StoreQuestion(bool asked) {
    if (!asked || !Changed()) return true;
    char description[513];
    FormDescription(description, sizeof description);
    TextBuffer text(128);
    AppendFormatted(text, kMsgStoreChanges, 1, description);
    switch (Ask(text.Text(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        // Stored under the host the form shows, whatever the box says now.
        SetItemText(window, kDescription, description);
        Store();
        return true;
    case IDNO: return true;
    default: return false;
    }
}

void HostDialog::SwitchLogin(bool fillVisit) {
    const bool anonymous = IsItemChecked(window, kAnonymous);
    ShowItem(window, kUser, !anonymous);
    ShowItem(window, kAnonymousUser, anonymous);
    ShowItem(window, kPassword, !anonymous);
    ShowItem(window, kAnonymousPassword, anonymous);
    ShowItem(window, 1022, !anonymous);  // "Password:"
    ShowItem(window, 1024, anonymous);   // "E-mail:"
    if (anonymous && fillVisit) {
        char current[65];
        GetItemText(window, kAnonymousPassword, current, sizeof current);
        if (!current[0]) {
            char visit[32];
            LoadResourceString(kStrVisit, visit, sizeof visit);
            SetItemText(window, kAnonymousPassword, visit);
        }
    }
}

void HostDialog::EnableProxyControls() {
    const bool on = IsItemChecked(window, kUseProxy);
    for (int id : kProxyControls) EnableWindow(GetDlgItem(window, id), on ? TRUE : FALSE);
}

void HostDialog::ShowProxyPort() {
    char name[128];
    GetItemText(window, kProxy, name, sizeof name);
    const ProxyEntry* proxy = name[0] && FtpProxies ? FtpProxies->FindByName(name) : nullptr;
    if (proxy) SetDlgItemInt(window, kProxyPort, proxy->port, FALSE);
    else SetItemText(window, kProxyPort, "");
}

void HostDialog::FillDescriptions() {
    ResetCombo(window, kDescription);
    for (const HostEntry* e = Hosts ? Hosts->first : nullptr; e; e = e->next)
        AddComboString(window, kDescription, e->description.Text());
}

void HostDialog::FillProxies() {
    ResetCombo(window, kProxy);
    for (const ProxyEntry* p = FtpProxies ? FtpProxies->first : nullptr; p; p = p->next)
        AddComboString(window, kProxy, p->name.Text());
}

void HostDialog::ShowEntry(bool asked) {
    uint16_t at;
    char chosen[513];
    if (!GetComboSelection(window, kDescription, &at) ||
        GetComboItemText(window, kDescription, at, chosen, sizeof chosen) < 0) {
        New();
        return;
    }
    if (!StoreQuestion(asked)) {
        // The form stays as it was: so does the box.
        uint16_t back;
        if (shownDescription_.Empty() || !SelectComboString(window, kDescription, shownDescription_.Text(), &back))
            SetComboSelection(window, kDescription, kNoItem);
        char description[513];
        FormDescription(description, sizeof description);
        SetItemText(window, kDescription, description);
        return;
    }
    const HostEntry* e = Hosts ? Hosts->FindByDescription(chosen) : nullptr;
    shownDescription_.Clear();
    if (e) {
        shownDescription_.Assign(e->description.Text());
        SetItemText(window, kHostName, e->hostName.Text());
        SetItemText(window, kUser, e->userName.Text());
        SetItemText(window, kAnonymousPassword, e->anonymousPassword.Text());
        SetItemText(window, kPassword, e->password.Text());
        SendDlgItemMessageA(window, kPassword, EM_SETMODIFY, FALSE, 0);
        SetItemText(window, kDirectory, e->initialDirectory.Text());
        uint16_t proxyAt;
        if (e->proxyName.Empty() || !SelectComboString(window, kProxy, e->proxyName.Text(), &proxyAt))
            SetComboSelection(window, kProxy, kNoItem);
        ShowProxyPort();
        SetItemChecked(window, kStorePasswords, e->hostFlags & kHostStorePasswords);
        SetItemChecked(window, kAnonymous, e->hostFlags & kHostAnonymous);
        SwitchLogin(false);
        SetItemChecked(window, kPassive, e->hostFlags & kHostPassive);
        SetItemChecked(window, kUseProxy, e->hostFlags & kHostUseProxy);
        EnableProxyControls();
    }
    uint16_t found;
    if (!SelectComboString(window, kDescription, chosen, &found)) SetComboSelection(window, kDescription, 0);
}

void HostDialog::Store() {
    Form form(window);
    if (!form.description[0] || !Hosts) return;
    const char* name = form.hostName;
    if (strncasecmp(name, "ftp://", 6) == 0) {
        name += 6;
        SetItemText(window, kHostName, name);
    }
    if (Hosts->AddOrUpdate(form.description, name, form.user, form.anonymousPassword, form.password, form.directory,
                           form.storePasswords, form.anonymous, form.passive, form.useProxy, form.proxy))
        FillDescriptions();
    uint16_t at;
    if (!SelectComboString(window, kDescription, form.description, &at)) SetComboSelection(window, kDescription, 0);
    // What was just stored is not asked about again (when memory ran out
    // the question would come back for ever).
    ShowEntry(false);
}

void HostDialog::New() {
    if (!StoreQuestion(true)) return;
    shownDescription_.Clear();
    SetItemText(window, kDescription, "");
    SetComboSelection(window, kDescription, kNoItem);
    SetItemText(window, kHostName, "");
    SetItemText(window, kUser, "");
    SetItemText(window, kPassword, "");
    SendDlgItemMessageA(window, kPassword, EM_SETMODIFY, FALSE, 0);
    SetItemText(window, kDirectory, "");
    char visit[32];
    LoadResourceString(kStrVisit, visit, sizeof visit);
    SetItemText(window, kAnonymousPassword, visit);
    SetItemChecked(window, kAnonymous, true);
    SwitchLogin(false);
    SetItemChecked(window, kStorePasswords, true);
    SetItemChecked(window, kUseProxy, false);
    SetComboSelection(window, kProxy, kNoItem);
    SetItemText(window, kProxyPort, "");
    EnableProxyControls();
    const ProxyEntry* fallback = FtpProxies ? FtpProxies->FindDefault() : nullptr;
    uint16_t at;
    if (fallback && FindComboStringExact(window, kProxy, fallback->name.Text(), &at)) {
        SetComboSelection(window, kProxy, at);
        SetDlgItemInt(window, kProxyPort, fallback->port, FALSE);
    }
    SetFocus(GetDlgItem(window, kDescription));
}

void HostDialog::Delete() {
    char description[513];
    GetItemText(window, kDescription, description, sizeof description);
    if (!description[0] || !Hosts) {
        New();
        return;
    }
    HostEntry* e = Hosts->FindByDescription(description);
    if (e && Hosts->Remove(e)) FillDescriptions();
    SetComboSelection(window, kDescription, 0);
    ShowEntry(false);
    SetFocus(GetDlgItem(window, kDescription));
}

void HostDialog::EditProxies() {
    ProxyDialog proxies(FtpProxies);
    char name[128];
    GetItemText(window, kProxy, name, sizeof name);
    proxies.selectedProxy.Assign(name);
    proxies.DoModal(window);
    FillProxies();
    uint16_t at;
    if (proxies.selectedProxy.Empty() || !SelectComboString(window, kProxy, proxies.selectedProxy.Text(), &at))
        SetComboSelection(window, kProxy, kNoItem);
    ShowProxyPort();
}

void HostDialog::Close() {
    if (!StoreQuestion(true)) return;
    char description[513];
    GetItemText(window, kDescription, description, sizeof description);
    selectedHost.Assign(description);
    if (Hosts) Hosts->Save();
    EndDialog(window, 0);
}

void HostDialog::Toggle(int id) { SetItemChecked(window, id, !IsItemChecked(window, id)); }

void HostDialog::OnInitDialog() {
    New();
    LimitComboText(window, kDescription, 512);
    SendDlgItemMessageA(window, kHostName, EM_LIMITTEXT, 128, 0);
    SendDlgItemMessageA(window, kUser, EM_LIMITTEXT, 64, 0);
    SendDlgItemMessageA(window, kAnonymousPassword, EM_LIMITTEXT, 64, 0);
    SendDlgItemMessageA(window, kPassword, EM_LIMITTEXT, 64, 0);
    SendDlgItemMessageA(window, kDirectory, EM_LIMITTEXT, 256, 0);
    FillDescriptions();
    FillProxies();
    uint16_t at;
    if (selectedHost.Empty() || !SelectComboString(window, kDescription, selectedHost.Text(), &at))
        SetComboSelection(window, kDescription, 0);
    ShowEntry(false);
    SetUpPanel();
}

INT_PTR HostDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) return DrawPicture(lParam) ? TRUE : FALSE;
    if (message == kCheckLaterMessage) {
        PasswordCheck();
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case kDescription:
        if (code == CBN_SELCHANGE) ShowEntry(true);
        else if (code == CBN_SETFOCUS) PasswordCheck();
        return TRUE;
    case kProxy:
        if (code == CBN_SELCHANGE) {
            // The text follows the selection only after the notification.
            uint16_t at;
            char name[128];
            if (GetComboSelection(window, kProxy, &at) && GetComboItemText(window, kProxy, at, name, sizeof name) >= 0)
                SetItemText(window, kProxy, name);
            ShowProxyPort();
        } else if (code == CBN_SETFOCUS) {
            PasswordCheck();
        }
        return TRUE;
    case kDirectory:
    case kHostName:
    case kUser:
        if (code == EN_SETFOCUS) PostMessageA(window, kCheckLaterMessage, 0, 0);
        return TRUE;
    case kAnonymous:
    case kPassive:
    case kStorePasswords:
        if (code == BN_CLICKED && PasswordCheck()) {
            Toggle(id);
            if (id == kAnonymous) SwitchLogin(true);
        }
        return TRUE;
    case kUseProxy:
        if (code == BN_CLICKED && PasswordCheck()) {
            Toggle(id);
            EnableProxyControls();
        }
        return TRUE;
    case kClose:
        if (PasswordCheck()) Close();
        return TRUE;
    case kHelpButton:
        if (PasswordCheck()) RequestHelp();
        return TRUE;
    case kNew:
        if (PasswordCheck()) New();
        return TRUE;
    case kDelete:
        if (PasswordCheck()) Delete();
        return TRUE;
    case kStore:
        if (PasswordCheck()) Store();
        return TRUE;
    case kEditProxies:
        if (PasswordCheck()) EditProxies();
        return TRUE;
    case IDCANCEL:
        EndDialog(window, 1);
        return TRUE;
    default:
        return FALSE;
    }
}
