// The Options dialog behind NETOptions.
#include "settings/settings.h"
#include "ui/framework/dialog_items.h"
#include "ui/settings/settings_dialogs.h"

namespace {

constexpr uint16_t kOptionsTemplate = ORB_OPTIONS_TEMPLATE;
constexpr uint16_t kOptionsHelp = 4902;
constexpr uint16_t kOptionsPicture = 111;

enum : int {
    kAutoOpen = ORB_OPTIONS_AUTO_OPEN, kOpenHost = ORB_OPTIONS_OPEN_HOST, kAutoSave = ORB_OPTIONS_AUTO_SAVE,
    kSaveHost = ORB_OPTIONS_SAVE_HOST, kRecordOpen = ORB_OPTIONS_RECORD_OPEN, kEditHosts = ORB_OPTIONS_EDIT_HOSTS,
};

bool ByDescription() { return Options && (Options->flags & kOptionListByDescription); }

// What a host box's text stands for in the Options record: the text
// itself when the boxes list descriptions, else the description of the
// host of that name (empty when there is none).
void HostChoice(HWND dialog, int id, TextBuffer& out) {
    char text[128];
    GetItemText(dialog, id, text, sizeof text);
    if (ByDescription()) {
        out.Assign(text);
        return;
    }
    const HostEntry* entry = Hosts ? Hosts->FindByHostName(text) : nullptr;
    out.Assign(entry ? entry->description.Text() : "");
}

void ShowChoice(HWND dialog, int id, const TextBuffer& stored) {
    uint16_t at;
    if (ByDescription()) {
        if (!stored.Empty()) SelectComboString(dialog, id, stored.Text(), &at);
        return;
    }
    const HostEntry* entry = Hosts && !stored.Empty() ? Hosts->FindByDescription(stored.Text()) : nullptr;
    if (entry) SelectComboString(dialog, id, entry->hostName.Text(), &at);
}

}  // namespace

OptionsDialog::OptionsDialog() : PictureDialog(kOptionsPicture) {
    templateId = kOptionsTemplate;
    helpId = kOptionsHelp;
}

void OptionsDialog::FillHosts() {
    ResetCombo(window, kOpenHost);
    ResetCombo(window, kSaveHost);
    for (const HostEntry* e = Hosts ? Hosts->first : nullptr; e; e = e->next) {
        const char* text = ByDescription() ? e->description.Text() : e->hostName.Text();
        AddComboString(window, kOpenHost, text);
        AddComboString(window, kSaveHost, text);
    }
}

void OptionsDialog::OnInitDialog() {
    LimitComboText(window, kOpenHost, 128);
    LimitComboText(window, kSaveHost, 128);
    FillHosts();
    const uint16_t flags = Options ? Options->flags : 0;
    CheckDlgButton(window, kAutoOpen, (flags & kOptionAutoOpen) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window, kAutoSave, (flags & kOptionAutoSave) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window, kRecordOpen, (flags & kOptionRecordOpen) ? BST_CHECKED : BST_UNCHECKED);
    if (Options) {
        ShowChoice(window, kOpenHost, Options->openHost);
        ShowChoice(window, kSaveHost, Options->saveHost);
    }
    SetUpPanel();
}

void OptionsDialog::Ok() {
    if (Options) {
        HostChoice(window, kOpenHost, Options->openHost);
        HostChoice(window, kSaveHost, Options->saveHost);
        uint16_t flags = static_cast<uint16_t>(Options->flags & ~(kOptionAutoOpen | kOptionAutoSave | kOptionRecordOpen));
        if (IsDlgButtonChecked(window, kAutoOpen) == BST_CHECKED) flags |= kOptionAutoOpen;
        if (IsDlgButtonChecked(window, kAutoSave) == BST_CHECKED) flags |= kOptionAutoSave;
        if (IsDlgButtonChecked(window, kRecordOpen) == BST_CHECKED) flags |= kOptionRecordOpen;
        Options->flags = flags;
        Options->Save();
    }
    EndDialog(window, 0);
}

void OptionsDialog::EditHosts() {
    HostDialog hosts;
    uint16_t openAt = kNoItem, saveAt = kNoItem;
    GetComboSelection(window, kOpenHost, &openAt);
    GetComboSelection(window, kSaveHost, &saveAt);
    hosts.DoModal(window);
    FillHosts();
    // By position, as they were.
    SetComboSelection(window, kOpenHost, openAt);
    SetComboSelection(window, kSaveHost, saveAt);
}

INT_PTR OptionsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) return DrawPicture(lParam) ? TRUE : FALSE;
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: Ok(); return TRUE;
    case IDCANCEL: EndDialog(window, 1); return TRUE;
    case kEditHosts: EditHosts(); return TRUE;
    default: return FALSE;
    }
}
