#include "ui/filedialog/password_prompt.h"

#include <cstring>

namespace {
constexpr uint16_t kPasswordTemplate = 1018;
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
    SetUpPanel();
}

uint16_t PasswordPrompt::Check() {
    char typed[kMaxPassword + 1];
    typed[0] = '\0';
    GetDlgItemTextA(window, kPasswordEdit, typed, sizeof typed);
    uint16_t result = expected.Empty() || std::strcmp(expected.Text(), typed) == 0 ? 1 : 0;
    expected.Assign(typed);
    return result;
}

INT_PTR PasswordPrompt::OnMessage(UINT msg, WPARAM wParam, LPARAM) {
    if (msg != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        EndDialog(window, Check() ? kAccepted : kMismatch);
        return TRUE;
    case IDCANCEL:
        EndDialog(window, kCancelled);
        return TRUE;
    default:
        return FALSE;
    }
}
