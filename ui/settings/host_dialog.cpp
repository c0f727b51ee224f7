// The host dialog: the FTP hosts, their logins and proxies.
#include <cstring>
#include <strings.h>

#include "frame/strings.h"
#include "settings/core/list_formats.h"
#include "settings/settings.h"
#include "ui/filedialog/password_prompt.h"
#include "ui/framework/dialog_items.h"
#include "ui/settings/settings_dialogs.h"

namespace {

constexpr uint16_t kHostTemplate = ORB_HOST_TEMPLATE;
constexpr uint16_t kHostHelp = 4903;
constexpr uint16_t kHostPicture = 110;
// Posted to itself: the password check once an edit has the focus.
constexpr UINT kCheckLaterMessage = WM_USER + 50;
// Posted to itself: the description box shows again what it held when a
// choice from its list was given up (the box may fill its edit only after
// it has announced the choice).
constexpr UINT kShowBoxAgainMessage = WM_USER + 51;

enum : int {
    kProxyLabel = ORB_HOST_PROXY_LABEL,
    kDescription = ORB_HOST_DESCRIPTION,
    kClose = ORB_HOST_CLOSE,
    kDirectory = ORB_HOST_DIRECTORY,
    kHostName = ORB_HOST_NAME,
    kNew = ORB_HOST_NEW,
    kDelete = ORB_HOST_DELETE,
    kStore = ORB_HOST_STORE,
    kUser = ORB_HOST_USER,
    kAnonymousPassword = ORB_HOST_ANONYMOUS_PASSWORD,
    kAnonymous = ORB_HOST_ANONYMOUS,
    kAnonymousUser = ORB_HOST_ANONYMOUS_USER,
    kUseProxy = ORB_HOST_USE_PROXY,
    kPasswordLabel = ORB_HOST_PASSWORD_LABEL,
    kProxyPort = ORB_HOST_PROXY_PORT,
    kEmailLabel = ORB_HOST_EMAIL_LABEL,
    kPassive = ORB_HOST_PASSIVE,
    kPassword = ORB_HOST_PASSWORD,
    kStorePasswords = ORB_HOST_STORE_PASSWORDS,
    kProxy = ORB_HOST_PROXY,
    kEditProxies = ORB_HOST_EDIT_PROXIES,
    kPortLabel = ORB_HOST_PORT_LABEL,
    kProxyNote = ORB_HOST_PROXY_NOTE,
};

const int kProxyControls[] = {kProxyLabel, kPortLabel, kProxyNote, kProxy, kProxyPort, kEditProxies};

// Control texts as the fields hold them, each read one character past its
// limit so that a text too long to keep is seen as such.
struct Form {
    explicit Form(HWND dialog) {
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
    // The host name without an "ftp://" typed in front of it.
    const char* HostName() const { return strncasecmp(hostName, "ftp://", 6) == 0 ? hostName + 6 : hostName; }
    uint16_t Flags() const {
        return static_cast<uint16_t>((anonymous ? kHostAnonymous : 0) | (passive ? kHostPassive : 0) |
                                     (useProxy ? kHostUseProxy : 0) | (storePasswords ? kHostStorePasswords : 0));
    }
    char hostName[kHostNameLimit + 2];
    char user[kUserNameLimit + 2];
    char anonymousPassword[kPasswordLimit + 2];
    char password[kPasswordLimit + 2];
    char directory[kDirectoryLimit + 2];
    char proxy[kProxyNameLimit + 2];
    bool anonymous, passive, useProxy, storePasswords;
};

// A description as the description box holds it.
struct Description {
    char text[kDescriptionLimit + 2];
};

}  // namespace

HostDialog::HostDialog()
    : PictureDialog(kHostPicture),
      selectedHost(64),
      checking_(false),
      shownDescription_(64),
      typedDescription_(64),
      boxAgain_(64),
      descriptionEdited_(false) {
    templateId = kHostTemplate;
    helpId = kHostHelp;
}

bool HostDialog::PasswordCheck() {
    if (checking_) return false;
    HWND edit = GetDlgItem(window, kPassword);
    char typed[kPasswordLimit + 2];
    GetItemText(window, kPassword, typed, sizeof typed);
    const bool modified = SendMessageA(edit, EM_GETMODIFY, 0, 0) != 0;
    SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
    if (!typed[0] || !modified) return true;
    checking_ = true;
    uint16_t answer = PasswordPrompt::kCancelled;
    TextBuffer text(128);
    if (std::strlen(typed) > kPasswordLimit) {
        // Put there other than by typing: the prompt could not take it.
        AppendFormatted(text, kMsgPasswordTooLong, 1, static_cast<unsigned>(kPasswordLimit));
    } else {
        PasswordPrompt prompt(typed);
        answer = prompt.DoModal(window);
        if (answer != PasswordPrompt::kAccepted && answer != PasswordPrompt::kCancelled)
            AppendFormatted(text, kMsgPasswordMismatch, 0);
    }
    if (!text.Empty()) Ask(text.Text(), MB_OK | MB_ICONEXCLAMATION);
    checking_ = false;
    if (answer == PasswordPrompt::kAccepted) return true;
    // Back to the password, which still counts as changed.
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_SETMODIFY, TRUE, 0);
    return false;
}

void HostDialog::PendingDescription(char* description, uint32_t size, const char* chosen) {
    GetItemText(window, kDescription, description, size);
    if (!chosen || std::strcmp(description, chosen) != 0) return;
    // The box shows the item chosen from its list already: the form stands
    // for what was typed before, or else for the host shown.
    const TextBuffer& before = descriptionEdited_ ? typedDescription_ : shownDescription_;
    std::strncpy(description, before.Text(), size - 1);
    description[size - 1] = '\0';
}

bool HostDialog::Changed(const char* description) {
    if (!description[0]) return false;
    const HostEntry* e = Hosts ? Hosts->FindByDescription(description) : nullptr;
    if (!e) return true;
    Form form(window);
    const uint16_t f = e->hostFlags;
    return std::strcmp(description, e->description.Text()) != 0 ||
           form.anonymous != ((f & kHostAnonymous) != 0) || form.passive != ((f & kHostPassive) != 0) ||
           form.useProxy != ((f & kHostUseProxy) != 0) || form.storePasswords != ((f & kHostStorePasswords) != 0) ||
           std::strcmp(form.hostName, e->hostName.Text()) != 0 || std::strcmp(form.user, e->userName.Text()) != 0 ||
           std::strcmp(form.anonymousPassword, e->anonymousPassword.Text()) != 0 ||
           std::strcmp(form.password, e->password.Text()) != 0 ||
           std::strcmp(form.directory, e->initialDirectory.Text()) != 0 ||
           std::strcmp(form.proxy, e->proxyName.Text()) != 0;
}

bool HostDialog::StoreQuestion(bool asked, const char* description) {
    if (!asked || !Changed(description)) return true;
    const bool known = Hosts && Hosts->FindByDescription(description);
    TextBuffer text(128);
    AppendFormatted(text, known ? kMsgStoreChanges : kMsgStoreNewHost, 1, description);
    switch (Ask(text.Text(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return StoreForm(description);
    case IDNO: return true;
    default: return false;
    }
}

bool HostDialog::StoreForm(const char* description) {
    if (!description[0] || !Hosts) return false;
    Form form(window);
    const char* name = form.HostName();
    if (name != form.hostName) SetItemText(window, kHostName, name);
    const HostTexts texts = {description, name, form.user, form.anonymousPassword, form.password,
                             form.directory, form.proxy, form.Flags()};
    if (!HostValueFits(texts)) {
        TextBuffer text(128);
        AppendFormatted(text, kMsgHostTooLong, 1, description);
        Ask(text.Text(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!Hosts->AddOrUpdate(description, name, form.user, form.anonymousPassword, form.password, form.directory,
                            form.storePasswords, form.anonymous, form.passive, form.useProxy, form.proxy))
        return false;
    FillDescriptions();
    SelectDescription(description);
    descriptionEdited_ = false;
    return true;
}

void HostDialog::SelectDescription(const char* description) {
    uint16_t at;
    if (description[0] && FindComboStringExact(window, kDescription, description, &at)) {
        SetComboSelection(window, kDescription, at);
    } else if (!description[0] || !SelectComboString(window, kDescription, description, &at)) {
        SetComboSelection(window, kDescription, 0);
    }
}

void HostDialog::SwitchLogin(bool fillVisit) {
    const bool anonymous = IsItemChecked(window, kAnonymous);
    ShowItem(window, kUser, !anonymous);
    ShowItem(window, kAnonymousUser, anonymous);
    ShowItem(window, kPassword, !anonymous);
    ShowItem(window, kAnonymousPassword, anonymous);
    ShowItem(window, kPasswordLabel, !anonymous);
    ShowItem(window, kEmailLabel, anonymous);
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
    Description chosen;
    if (!GetComboSelection(window, kDescription, &at) ||
        GetComboItemText(window, kDescription, at, chosen.text, sizeof chosen.text) < 0) {
        New(asked);
        return;
    }
    Description pending;
    PendingDescription(pending.text, sizeof pending.text, chosen.text);
    if (!StoreQuestion(asked, pending.text)) {
        // The form stays as it was: so does the box.
        boxAgain_.Assign(pending.text);
        ShowBoxAgain();
        PostMessageA(window, kShowBoxAgainMessage, 0, 0);
        return;
    }
    const HostEntry* e = Hosts ? Hosts->FindByDescription(chosen.text) : nullptr;
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
    SelectDescription(chosen.text);
    descriptionEdited_ = false;
}

void HostDialog::ShowBoxAgain() {
    uint16_t at;
    if (boxAgain_.Empty() || !FindComboStringExact(window, kDescription, boxAgain_.Text(), &at)) at = kNoItem;
    SetComboSelection(window, kDescription, at);
    SetItemText(window, kDescription, boxAgain_.Text());
}

void HostDialog::Store() {
    Description typed;
    GetItemText(window, kDescription, typed.text, sizeof typed.text);
    // What was just stored is not asked about again (when memory ran out
    // the question would come back for ever).
    if (StoreForm(typed.text)) ShowEntry(false);
}

void HostDialog::New(bool asked) {
    Description typed;
    GetItemText(window, kDescription, typed.text, sizeof typed.text);
    if (!StoreQuestion(asked, typed.text)) return;
    shownDescription_.Clear();
    descriptionEdited_ = false;
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
    Description typed;
    GetItemText(window, kDescription, typed.text, sizeof typed.text);
    HostEntry* e = typed.text[0] && Hosts ? Hosts->FindByDescription(typed.text) : nullptr;
    if (e && Hosts->Remove(e)) FillDescriptions();
    // Whatever the form held goes with it: nothing is asked. What is left
    // is shown, or an empty form.
    shownDescription_.Clear();
    if (typed.text[0] && SendDlgItemMessageA(window, kDescription, CB_GETCOUNT, 0, 0) > 0) {
        SetComboSelection(window, kDescription, 0);
        ShowEntry(false);
    } else {
        New(false);
    }
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
    Description typed;
    GetItemText(window, kDescription, typed.text, sizeof typed.text);
    if (!StoreQuestion(true, typed.text)) return;
    GetItemText(window, kDescription, typed.text, sizeof typed.text);
    selectedHost.Assign(typed.text);
    if (Hosts) Hosts->Save();
    EndDialog(window, 0);
}

void HostDialog::Toggle(int id) { SetItemChecked(window, id, !IsItemChecked(window, id)); }

void HostDialog::OnInitDialog() {
    New(false);
    // Each field takes as much as its host entry keeps.
    LimitComboText(window, kDescription, kDescriptionLimit);
    SendDlgItemMessageA(window, kHostName, EM_LIMITTEXT, kHostNameLimit, 0);
    SendDlgItemMessageA(window, kUser, EM_LIMITTEXT, kUserNameLimit, 0);
    SendDlgItemMessageA(window, kAnonymousPassword, EM_LIMITTEXT, kPasswordLimit, 0);
    SendDlgItemMessageA(window, kPassword, EM_LIMITTEXT, kPasswordLimit, 0);
    SendDlgItemMessageA(window, kDirectory, EM_LIMITTEXT, kDirectoryLimit, 0);
    LimitComboText(window, kProxy, kProxyNameLimit);
    FillDescriptions();
    FillProxies();
    SelectDescription(selectedHost.Text());
    ShowEntry(false);
    SetUpPanel();
}

INT_PTR HostDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) return DrawPicture(lParam) ? TRUE : FALSE;
    if (message == kCheckLaterMessage) {
        PasswordCheck();
        return TRUE;
    }
    if (message == kShowBoxAgainMessage) {
        ShowBoxAgain();
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case kDescription:
        if (code == CBN_SELCHANGE) {
            ShowEntry(true);
        } else if (code == CBN_SETFOCUS) {
            PasswordCheck();
        } else if (code == CBN_EDITCHANGE) {
            // Typed: the box may show an item of its list before the
            // selection is announced.
            Description typed;
            GetItemText(window, kDescription, typed.text, sizeof typed.text);
            typedDescription_.Assign(typed.text);
            descriptionEdited_ = true;
        }
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
        if (PasswordCheck()) New(true);
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
