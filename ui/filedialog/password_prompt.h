#ifndef ORBNET_UI_FILEDIALOG_PASSWORD_PROMPT_H
#define ORBNET_UI_FILEDIALOG_PASSWORD_PROMPT_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "settings/core/list_formats.h"
#include "ui/filedialog/password_prompt_ids.h"
#include "ui/framework/dialog_object.h"

// Asks for one password. With an expected text it asks for it again and
// reports whether both agree. DoModal: 1 accepted, 1052 the texts differ,
// 2 cancelled; afterwards `expected` holds what was typed. A password
// longer than kMaxPassword is refused with a message and the prompt stays.
class PasswordPrompt : public DialogObject {
public:
    enum : int { kPasswordEdit = ORB_PASSWORD_EDIT, kPromptText = ORB_PASSWORD_TEXT };
    enum : uint16_t { kAccepted = 1, kCancelled = 2, kMismatch = 1052 };
    // As long as a host's stored passwords may be.
    static constexpr int kMaxPassword = static_cast<int>(kPasswordLimit);

    explicit PasswordPrompt(const char* expectedText = nullptr);

    TextBuffer expected;
    TextBuffer title;
    TextBuffer message;

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsExemptControl(int id) const override { return id == kPasswordEdit; }

private:
    enum CheckResult { kMatches, kDiffers, kTooLong };
    // Judges the typed text; except when it is too long, `expected` takes it.
    CheckResult Check();
    void RefuseTooLong();
};

#endif
