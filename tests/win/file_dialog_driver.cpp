#include "file_dialog_driver.h"

#include <cstring>

namespace {

FileDialogDriver* active = nullptr;
constexpr UINT_PTR kTickTimer = 0x7F11;
constexpr UINT kTickMs = 30;

// The dialogs a driver works: the file dialog and the settings dialogs.
bool IsWorkedDialog(HWND window) {
    return IsFileDialog(window) || IsOptionsDialog(window) || IsHostDialog(window) || IsProxyDialog(window);
}

bool IsPasswordPrompt(HWND window) {
    return GetDlgItem(window, ORB_PASSWORD_EDIT) && GetDlgItem(window, ORB_PASSWORD_TEXT);
}

void CALLBACK AnswerPrompt(HWND prompt, UINT, UINT_PTR id, DWORD) {
    KillTimer(prompt, id);
    if (!active) return;
    SetDlgItemTextA(prompt, ORB_PASSWORD_EDIT, active->password.c_str());
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(active->passwordButton, BN_CLICKED), 0);
}

}  // namespace

FileDialogDriver::FileDialogDriver() {}

FileDialogDriver::~FileDialogDriver() { Stop(); }

void FileDialogDriver::Add(const std::string& label, Step step) { steps_.push_back(Entry{label, std::move(step)}); }

void FileDialogDriver::Start() {
    active = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

void FileDialogDriver::Stop() {
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    if (active == this) active = nullptr;
}

LRESULT CALLBACK FileDialogDriver::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && active) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsPasswordPrompt(window)) {
            char title[128] = "", text[256] = "";
            GetWindowTextA(window, title, sizeof title);
            GetDlgItemTextA(window, ORB_PASSWORD_TEXT, text, sizeof text);
            active->prompts.push_back(std::string(title) + "|" + text);
            SetTimer(window, 1, 10, AnswerPrompt);
        } else if (IsWorkedDialog(window) && window != active->dialog) {
            active->dialog = window;
            active->stepStart_ = GetTickCount();
            SetTimer(window, kTickTimer, kTickMs, Tick);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK FileDialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (active) active->RunStep();
}

void FileDialogDriver::RunStep() {
    // A step that shows a message box runs a loop that brings more ticks.
    if (busy_ || !dialog || !IsWindow(dialog) || !IsWindowVisible(dialog)) return;
    if (next_ >= steps_.size()) {
        // Every step is done; the dialog is expected to end by itself.
        if (failure.empty() && GetTickCount() - stepStart_ > stepTimeout) {
            failure = "the dialog stayed open after the last step";
            EndDialog(dialog, 99);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        return;
    }
    busy_ = true;
    HWND window = dialog;
    bool done = steps_[next_].step(window);
    if (done) {
        ++next_;
        stepStart_ = GetTickCount();
    } else if (GetTickCount() - stepStart_ > stepTimeout) {
        failure = steps_[next_].label;
        next_ = steps_.size();
        stepStart_ = GetTickCount() - stepTimeout;
        // Closes the dialog whatever it is doing (a modeless one through
        // its Cancel).
        if (IsWindow(window)) {
            EndDialog(window, 99);
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
    busy_ = false;
}

bool IsFileDialog(HWND window) {
    return GetDlgItem(window, ORB_FD_FTP) && GetDlgItem(window, ORB_FD_ENTRIES) && GetDlgItem(window, ORB_FD_BANNER);
}
bool IsOptionsDialog(HWND window) {
    return GetDlgItem(window, ORB_OPTIONS_AUTO_OPEN) && GetDlgItem(window, ORB_OPTIONS_EDIT_HOSTS);
}
bool IsHostDialog(HWND window) {
    return GetDlgItem(window, ORB_HOST_STORE_PASSWORDS) && GetDlgItem(window, ORB_HOST_ANONYMOUS);
}
bool IsProxyDialog(HWND window) {
    return GetDlgItem(window, ORB_PROXY_DEFAULT_SHOWN) && GetDlgItem(window, ORB_PROXY_IS_DEFAULT);
}

std::string ItemText(HWND dialog, int id) {
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::vector<std::string> ShownEntries(HWND dialog) {
    std::vector<std::string> names;
    LRESULT count = SendDlgItemMessageA(dialog, ORB_FD_ENTRIES, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT n = SendDlgItemMessageA(dialog, ORB_FD_ENTRIES, LB_GETTEXTLEN, i, 0);
        if (n < 1) continue;
        std::string text(static_cast<size_t>(n) + 1, '\0');
        SendDlgItemMessageA(dialog, ORB_FD_ENTRIES, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(n));
        names.push_back(text.substr(1));
    }
    return names;
}

bool HasEntry(HWND dialog, const std::string& name) {
    for (const std::string& entry : ShownEntries(dialog))
        if (entry == name) return true;
    return false;
}

bool Connected(HWND dialog) {
    return ItemText(dialog, ORB_FD_CONNECTION) == "Connected" && ItemText(dialog, ORB_FD_STATUS).empty() &&
           IsWindowEnabled(GetDlgItem(dialog, ORB_FD_ACTION));
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void Click(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    // A click moves the focus to the button first, as the mouse does.
    SetFocus(control);
    SendMessageA(control, BM_CLICK, 0, 0);
}

void ClickLater(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool Pick(HWND dialog, int id, const std::string& text) {
    LRESULT at = SendDlgItemMessageA(dialog, id, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
    return at != CB_ERR && PickAt(dialog, id, static_cast<int>(at));
}

bool PickAt(HWND dialog, int id, int at) {
    HWND combo = GetDlgItem(dialog, id);
    if (at < 0 || at >= SendMessageA(combo, CB_GETCOUNT, 0, 0)) return false;
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    return true;
}

bool Choose(HWND dialog, int id, const std::string& text) {
    LRESULT at = SendDlgItemMessageA(dialog, id, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
    if (at == CB_ERR) return false;
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return true;
}

void Type(HWND dialog, int id, const std::string& text) {
    HWND control = GetDlgItem(dialog, id);
    SetFocus(control);
    SetWindowTextA(control, text.c_str());
}

namespace {
LRESULT EntryIndex(HWND dialog, const std::string& name) {
    std::vector<std::string> names = ShownEntries(dialog);
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<LRESULT>(i);
    return -1;
}
}  // namespace

bool SelectEntry(HWND dialog, const std::string& name) {
    LRESULT at = EntryIndex(dialog, name);
    if (at < 0) return false;
    HWND list = GetDlgItem(dialog, ORB_FD_ENTRIES);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(ORB_FD_ENTRIES, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return true;
}

bool OpenEntry(HWND dialog, const std::string& name) {
    if (!SelectEntry(dialog, name)) return false;
    HWND list = GetDlgItem(dialog, ORB_FD_ENTRIES);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(ORB_FD_ENTRIES, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    return true;
}
