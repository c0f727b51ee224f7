#include "ui/filedialog/password_prompt.h"

#include <cstring>

#include "frame/strings.h"

namespace {
constexpr uint16_t kPasswordTemplate = ORB_PASSWORD_TEMPLATE;
constexpr uint16_t kPasswordHelp = 4905;
}  // namespace

PasswordPrompt::PasswordPrompt(const char* expectedText) : expected(64), title(64), message(64) {
    templateId = kPasswordTemplate;
    helpId = kPasswordHelp;
    dialogProc = DialogProc;
    if (expectedText) expected.Assign(expectedText);
}

void PasswordPrompt::OnInitDialog() {
    if (!title.Empty()) SetWindowTextA(window, title.Text());
    if (!message.Empty()) SetDlgItemTextA(window, kPromptText, message.Text());
    // One more than is taken, so that a longer password is seen as such
    // (the typed characters are hidden: stopping at the limit would cut it
    // without a word).
    SendDlgItemMessageA(window, kPasswordEdit, EM_LIMITTEXT, kMaxPassword + 1, 0);
    SetUpPanel();
}

PasswordPrompt::CheckResult PasswordPrompt::Check() {
    char typed[kMaxPassword + 2];
    typed[0] = '\0';
    GetDlgItemTextA(window, kPasswordEdit, typed, sizeof typed);
    if (std::strlen(typed) > static_cast<size_t>(kMaxPassword)) return kTooLong;
    const bool same = expected.Empty() || std::strcmp(expected.Text(), typed) == 0;
    expected.Assign(typed);
    return same ? kMatches : kDiffers;
}

void PasswordPrompt::RefuseTooLong() {
    TextBuffer text(128);
    AppendFormatted(text, kMsgPasswordTooLong, 1, static_cast<unsigned>(kMaxPassword));
    char caption[128] = "";
    GetWindowTextA(window, caption, sizeof caption);
    ShowMessage(text.Text(), caption, MB_OK | MB_ICONEXCLAMATION, window);
    HWND edit = GetDlgItem(window, kPasswordEdit);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

INT_PTR PasswordPrompt::OnMessage(UINT msg, WPARAM wParam, LPARAM) {
    if (msg != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        switch (Check()) {
        case kMatches: EndDialog(window, kAccepted); break;
        case kDiffers: EndDialog(window, kMismatch); break;
        case kTooLong: RefuseTooLong(); break;
        }
        return TRUE;
    case IDCANCEL:
        EndDialog(window, kCancelled);
        return TRUE;
    default:
        return FALSE;
    }
}
