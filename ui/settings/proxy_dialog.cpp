// The proxy dialog, and the picture and questions all settings dialogs share.
#include <cstring>
#include <strings.h>

#include "frame/module.h"
#include "frame/strings.h"
#include "settings/proxy_list.h"
#include "ui/framework/dialog_items.h"
#include "ui/framework/painters.h"
#include "ui/settings/settings_dialogs.h"

namespace {

constexpr uint16_t kProxyTemplate = 1019;
constexpr uint16_t kProxyHelp = 4904;
constexpr uint16_t kProxyPicture = 114;

enum : int {
    kClose = 1007, kNew = 1013, kRemove = 1014, kStore = 1015, kPort = 1023, kPicture = 1033, kName = 1059,
    kIsDefault = 1063, kDefaultShown = 1065,
};

// "ftp://" or "http://" in front of a name typed as a URL.
const char* WithoutScheme(const char* name) {
    if (strncasecmp(name, "ftp://", 6) == 0) return name + 6;
    if (strncasecmp(name, "http://", 7) == 0) return name + 7;
    return name;
}

}  // namespace

// ---- PictureDialog

PictureDialog::PictureDialog(uint16_t pictureId)
    : picture_(LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(pictureId))) {
    dialogProc = DialogProc;
}

PictureDialog::~PictureDialog() {
    if (picture_) DeleteObject(picture_);
}

bool PictureDialog::DrawPicture(LPARAM drawItem) {
    const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(drawItem);
    if (!item || item->CtlID != static_cast<UINT>(kPicture)) return false;
    DrawBanner(picture_, item);
    return true;
}

int PictureDialog::Ask(const char* text, UINT style) {
    char title[65] = "";
    GetWindowTextA(window, title, sizeof title);
    return ShowMessage(text, title, style, window);
}

// ---- ProxyDialog

ProxyDialog::ProxyDialog(ProxyList* proxies)
    : PictureDialog(kProxyPicture), list(proxies), selectedProxy(64), shownName_(64) {
    templateId = kProxyTemplate;
    helpId = kProxyHelp;
}

void ProxyDialog::FillNames() {
    ResetCombo(window, kName);
    for (const ProxyEntry* e = list ? list->first : nullptr; e; e = e->next) AddComboString(window, kName, e->name.Text());
}

void ProxyDialog::ShowDefault() {
    if (list && !list->defaultProxy.Empty()) {
        SetItemText(window, kDefaultShown, list->defaultProxy.Text());
        return;
    }
    TextBuffer none(32);
    AppendFormatted(none, kMsgNoDefaultProxy, 0);
    SetItemText(window, kDefaultShown, none.Text());
}

void ProxyDialog::FormName(char* name, uint32_t size) {
    if (!shownName_.Empty()) {
        std::strncpy(name, shownName_.Text(), size - 1);
        name[size - 1] = '\0';
    } else {
        GetItemText(window, kName, name, size);
    }
}

bool ProxyDialog::Changed() {
    char name[128];
    FormName(name, sizeof name);
    if (!name[0]) return false;
    const ProxyEntry* entry = list ? list->FindByName(name) : nullptr;
    if (!entry) return true;
    // Read as Store reads it: no number is 0, and 16 bits count.
    BOOL number = FALSE;
    UINT port = GetDlgItemInt(window, kPort, &number, FALSE);
    if (!number) port = 0;
    if ((port & 0xFFFF) != entry->port) return true;
    const bool isDefault = strcasecmp(entry->name.Text(), list->defaultProxy.Text()) == 0;
    return IsItemChecked(window, kIsDefault) != isDefault;
}

void ProxyDialog::StoreQuestion(bool asked) {
    if (!asked || !Changed()) return;
    char name[128];
    FormName(name, sizeof name);
    TextBuffer text(128);
    AppendFormatted(text, kMsgStoreChanges, 1, name);
    if (Ask(text.Text(), MB_YESNO | MB_ICONQUESTION) == IDYES) StoreAs(name);
}

void ProxyDialog::New() {
    StoreQuestion(true);
    shownName_.Clear();
    SetItemText(window, kName, "");
    CheckDlgButton(window, kIsDefault, BST_UNCHECKED);
    const UINT port = !list ? 0 : list->kind == kWwwProxies ? 80 : list->kind == kFtpProxies ? 21 : 0;
    SetDlgItemInt(window, kPort, port, FALSE);
    SetFocus(GetDlgItem(window, kName));
}

void ProxyDialog::Store() {
    char typed[128];
    GetItemText(window, kName, typed, sizeof typed);
    StoreAs(typed);
}

void ProxyDialog::StoreAs(const char* typed) {
    if (!typed[0] || !list) return;
    TextBuffer name(64);
    name.Assign(WithoutScheme(typed));
    BOOL number = FALSE;
    UINT port = GetDlgItemInt(window, kPort, &number, FALSE);
    if (!number) port = 0;
    if (list->AddOrUpdate(name.Text(), static_cast<uint16_t>(port & 0xFFFF))) FillNames();
    if (IsItemChecked(window, kIsDefault)) {
        list->defaultProxy.Assign(name.Text());
    } else if (strcasecmp(name.Text(), list->defaultProxy.Text()) == 0) {
        list->defaultProxy.Clear();
    }
    ShowDefault();
    uint16_t at;
    if (!SelectComboString(window, kName, name.Text(), &at)) SetComboSelection(window, kName, 0);
    // What was just stored is not asked about again (it may differ from
    // the form only by the cut port, or not at all when memory ran out).
    ShowSelected(false);
}

void ProxyDialog::ShowSelected(bool asked) {
    uint16_t at;
    char item[128];
    if (!GetComboSelection(window, kName, &at) || GetComboItemText(window, kName, at, item, sizeof item) < 0) {
        New();
        return;
    }
    StoreQuestion(asked);
    CheckDlgButton(window, kIsDefault, BST_UNCHECKED);
    const ProxyEntry* entry = list ? list->FindByName(item) : nullptr;
    shownName_.Clear();
    if (entry) {
        shownName_.Assign(entry->name.Text());
        SetItemText(window, kName, entry->name.Text());
        SetDlgItemInt(window, kPort, entry->port, FALSE);
        if (strcasecmp(entry->name.Text(), list->defaultProxy.Text()) == 0)
            CheckDlgButton(window, kIsDefault, BST_CHECKED);
    }
    uint16_t found;
    if (!SelectComboString(window, kName, item, &found)) SetComboSelection(window, kName, 0);
}

void ProxyDialog::Remove() {
    char name[128];
    GetItemText(window, kName, name, sizeof name);
    if (!name[0] || !list) {
        New();
        return;
    }
    ProxyEntry* entry = list->FindByName(name);
    if (entry && list->Remove(entry)) FillNames();
    SetComboSelection(window, kName, 0);
    ShowSelected(false);
    SetFocus(GetDlgItem(window, kName));
}

void ProxyDialog::Close() {
    StoreQuestion(true);
    char name[128];
    GetItemText(window, kName, name, sizeof name);
    selectedProxy.Assign(name);
    if (list) list->Save();
    EndDialog(window, 0);
}

void ProxyDialog::OnInitDialog() {
    New();
    LimitComboText(window, kName, 128);
    SendDlgItemMessageA(window, kPort, EM_LIMITTEXT, 5, 0);
    FillNames();
    ShowDefault();
    uint16_t at;
    if (selectedProxy.Empty() || !SelectComboString(window, kName, selectedProxy.Text(), &at))
        SetComboSelection(window, kName, 0);
    ShowSelected(false);
    SetUpPanel();
}

INT_PTR ProxyDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) return DrawPicture(lParam) ? TRUE : FALSE;
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case kClose: Close(); return TRUE;
    case IDCANCEL:
        endCode = 1;
        Close();
        return TRUE;
    case kNew: New(); return TRUE;
    case kRemove: Remove(); return TRUE;
    case kStore: Store(); return TRUE;
    case kName:
        if (HIWORD(wParam) == CBN_CLOSEUP) ShowSelected(true);
        return TRUE;
    default: return FALSE;
    }
}
