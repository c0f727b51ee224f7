// The proxy dialog, and the picture and questions all settings dialogs share.
#include <cstring>
#include <strings.h>

#include "frame/module.h"
#include "frame/strings.h"
#include "settings/core/list_formats.h"
#include "settings/core/proxy_list.h"
#include "ui/framework/dialog_items.h"
#include "ui/framework/painters.h"
#include "ui/settings/settings_dialogs.h"

namespace {

constexpr uint16_t kProxyTemplate = ORB_PROXY_TEMPLATE;
constexpr uint16_t kProxyHelp = 4904;
constexpr uint16_t kProxyPicture = 114;
// Posted to itself: the proxy box shows again what it held when a choice
// from its list was given up (the box may fill its edit only after it has
// announced the choice).
constexpr UINT kShowBoxAgainMessage = WM_USER + 51;

enum : int {
    kClose = ORB_PROXY_CLOSE, kNew = ORB_PROXY_NEW, kRemove = ORB_PROXY_REMOVE, kStore = ORB_PROXY_STORE,
    kPort = ORB_PROXY_PORT, kPicture = ORB_SETTINGS_PICTURE, kName = ORB_PROXY_NAME,
    kIsDefault = ORB_PROXY_IS_DEFAULT, kDefaultShown = ORB_PROXY_DEFAULT_SHOWN,
};

// What the proxy box can hold: a name, a scheme in front of it and a port
// behind it.
constexpr uint16_t kTypedLimit = kProxyNameLimit + 16;

// A name as the proxy box holds it.
struct Name {
    char text[kTypedLimit + 2];
};

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
    : PictureDialog(kProxyPicture), list(proxies), selectedProxy(64), shownName_(64), typedName_(64), boxAgain_(64),
      nameEdited_(false) {
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

void ProxyDialog::PendingName(char* name, uint32_t size, const char* chosen) {
    GetItemText(window, kName, name, size);
    if (chosen && std::strcmp(name, chosen) == 0) {
        // The box shows the item chosen from its list already: the form
        // stands for what was typed before, or else for the proxy shown.
        const TextBuffer& before = nameEdited_ ? typedName_ : shownName_;
        std::strncpy(name, before.Text(), size - 1);
        name[size - 1] = '\0';
    }
    // "http://name:8080" typed: the box takes the name, the port field the
    // number, so that the form shows what would be stored.
    const TypedProxy typed = ReadTypedProxy(name);
    if (!typed.reshaped) return;
    std::memmove(name, typed.name, typed.nameLength);
    name[typed.nameLength] = '\0';
    if (!name[0]) return;  // a scheme alone names nothing
    SetItemText(window, kName, name);
    if (typed.hasPort) SetDlgItemInt(window, kPort, typed.port, FALSE);
}

uint16_t ProxyDialog::FormPort() {
    // No number is 0, and 16 bits count.
    BOOL number = FALSE;
    UINT port = GetDlgItemInt(window, kPort, &number, FALSE);
    return static_cast<uint16_t>(number ? port & 0xFFFF : 0);
}

bool ProxyDialog::Changed(const char* name) {
    if (!name[0]) return false;
    const ProxyEntry* entry = list ? list->FindByName(name) : nullptr;
    if (!entry) return true;
    if (std::strcmp(name, entry->name.Text()) != 0 || FormPort() != entry->port) return true;
    const bool isDefault = strcasecmp(entry->name.Text(), list->defaultProxy.Text()) == 0;
    return IsItemChecked(window, kIsDefault) != isDefault;
}

bool ProxyDialog::StoreQuestion(bool asked, const char* name) {
    if (!asked || !Changed(name)) return true;
    TextBuffer text(128);
    if (list && list->FindByName(name))
        AppendFormatted(text, kMsgStoreChanges, 1, name);
    else
        AppendFormatted(text, kMsgStoreNewProxy, 1, name, static_cast<unsigned>(FormPort()));
    if (Ask(text.Text(), MB_YESNO | MB_ICONQUESTION) != IDYES) return true;
    return StoreAs(name);
}

void ProxyDialog::New(bool asked) {
    Name typed;
    PendingName(typed.text, sizeof typed.text, nullptr);
    if (!StoreQuestion(asked, typed.text)) return;
    shownName_.Clear();
    nameEdited_ = false;
    SetItemText(window, kName, "");
    SetComboSelection(window, kName, kNoItem);
    CheckDlgButton(window, kIsDefault, BST_UNCHECKED);
    const UINT port = !list ? 0 : list->kind == kWwwProxies ? 80 : list->kind == kFtpProxies ? 21 : 0;
    SetDlgItemInt(window, kPort, port, FALSE);
    SetFocus(GetDlgItem(window, kName));
}

void ProxyDialog::Store() {
    Name typed;
    PendingName(typed.text, sizeof typed.text, nullptr);
    // What was just stored is not asked about again (it may differ from
    // the form only by the cut port, or not at all when memory ran out).
    if (StoreAs(typed.text)) ShowSelected(false);
}

bool ProxyDialog::StoreAs(const char* name) {
    if (!name[0] || !list) return false;
    if (std::strlen(name) > kProxyNameLimit) {
        TextBuffer text(128);
        AppendFormatted(text, kMsgProxyNameTooLong, 1, static_cast<unsigned>(kProxyNameLimit));
        Ask(text.Text(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!list->AddOrUpdate(name, FormPort())) return false;
    FillNames();
    if (IsItemChecked(window, kIsDefault)) {
        list->defaultProxy.Assign(name);
    } else if (strcasecmp(name, list->defaultProxy.Text()) == 0) {
        list->defaultProxy.Clear();
    }
    ShowDefault();
    SelectName(name);
    nameEdited_ = false;
    return true;
}

void ProxyDialog::SelectName(const char* name) {
    uint16_t at;
    if (name[0] && FindComboStringExact(window, kName, name, &at)) {
        SetComboSelection(window, kName, at);
    } else if (!name[0] || !SelectComboString(window, kName, name, &at)) {
        SetComboSelection(window, kName, 0);
    }
}

void ProxyDialog::ShowSelected(bool asked) {
    uint16_t at;
    Name chosen;
    if (!GetComboSelection(window, kName, &at) ||
        GetComboItemText(window, kName, at, chosen.text, sizeof chosen.text) < 0) {
        New(asked);
        return;
    }
    Name pending;
    PendingName(pending.text, sizeof pending.text, chosen.text);
    if (!StoreQuestion(asked, pending.text)) {
        // The form stays as it was: so does the box.
        boxAgain_.Assign(pending.text);
        ShowBoxAgain();
        PostMessageA(window, kShowBoxAgainMessage, 0, 0);
        return;
    }
    CheckDlgButton(window, kIsDefault, BST_UNCHECKED);
    const ProxyEntry* entry = list ? list->FindByName(chosen.text) : nullptr;
    shownName_.Clear();
    if (entry) {
        shownName_.Assign(entry->name.Text());
        SetItemText(window, kName, entry->name.Text());
        SetDlgItemInt(window, kPort, entry->port, FALSE);
        if (strcasecmp(entry->name.Text(), list->defaultProxy.Text()) == 0)
            CheckDlgButton(window, kIsDefault, BST_CHECKED);
    }
    SelectName(chosen.text);
    nameEdited_ = false;
}

void ProxyDialog::ShowBoxAgain() {
    uint16_t at;
    if (boxAgain_.Empty() || !FindComboStringExact(window, kName, boxAgain_.Text(), &at)) at = kNoItem;
    SetComboSelection(window, kName, at);
    SetItemText(window, kName, boxAgain_.Text());
}

void ProxyDialog::Remove() {
    Name typed;
    PendingName(typed.text, sizeof typed.text, nullptr);
    ProxyEntry* entry = typed.text[0] && list ? list->FindByName(typed.text) : nullptr;
    if (entry && list->Remove(entry)) FillNames();
    // The form goes with it: nothing is asked. What is left is shown, or
    // an empty form.
    shownName_.Clear();
    if (typed.text[0] && SendDlgItemMessageA(window, kName, CB_GETCOUNT, 0, 0) > 0) {
        SetComboSelection(window, kName, 0);
        ShowSelected(false);
    } else {
        New(false);
    }
    SetFocus(GetDlgItem(window, kName));
}

void ProxyDialog::Close() {
    Name typed;
    PendingName(typed.text, sizeof typed.text, nullptr);
    // Yes to a proxy that cannot be kept leaves the dialog open.
    if (!StoreQuestion(true, typed.text)) {
        endCode = 0;
        return;
    }
    GetItemText(window, kName, typed.text, sizeof typed.text);
    selectedProxy.Assign(typed.text);
    if (list) list->Save();
    EndDialog(window, 0);
}

void ProxyDialog::OnInitDialog() {
    New(false);
    LimitComboText(window, kName, kTypedLimit);
    SendDlgItemMessageA(window, kPort, EM_LIMITTEXT, 5, 0);
    FillNames();
    ShowDefault();
    SelectName(selectedProxy.Text());
    ShowSelected(false);
    SetUpPanel();
}

INT_PTR ProxyDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) return DrawPicture(lParam) ? TRUE : FALSE;
    if (message == kShowBoxAgainMessage) {
        ShowBoxAgain();
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case kClose: Close(); return TRUE;
    case IDCANCEL:
        endCode = 1;
        Close();
        return TRUE;
    case kNew: New(true); return TRUE;
    case kRemove: Remove(); return TRUE;
    case kStore: Store(); return TRUE;
    case kName:
        if (HIWORD(wParam) == CBN_CLOSEUP) {
            ShowSelected(true);
        } else if (HIWORD(wParam) == CBN_EDITCHANGE) {
            // Typed: the box may show an item of its list before it closes.
            Name typed;
            GetItemText(window, kName, typed.text, sizeof typed.text);
            typedName_.Assign(typed.text);
            nameEdited_ = true;
        }
        return TRUE;
    default: return FALSE;
    }
}
