// The password prompt driven as a person uses it: text typed into its edit
// (WM_SETTEXT), then OK or Cancel clicked.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "frame/module.h"
#include "ui/filedialog/password_prompt.h"

namespace {

// Answers the next dialog that this thread activates.
struct Driver {
    std::string typed;
    int button;
    std::string seenTitle, seenMessage;
    HHOOK hook;
};
Driver* driver = nullptr;

LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && driver) {
        HWND dialog = reinterpret_cast<HWND>(wParam);
        char text[256];
        GetWindowTextA(dialog, text, sizeof text);
        driver->seenTitle = text;
        GetDlgItemTextA(dialog, PasswordPrompt::kPromptText, text, sizeof text);
        driver->seenMessage = text;
        SetDlgItemTextA(dialog, PasswordPrompt::kPasswordEdit, driver->typed.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(driver->button, BN_CLICKED), 0);
        driver = nullptr;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

uint16_t RunPrompt(PasswordPrompt& prompt, const std::string& typed, int button, Driver* d) {
    d->typed = typed;
    d->button = button;
    driver = d;
    HHOOK hook = SetWindowsHookExA(WH_CBT, OnActivate, nullptr, GetCurrentThreadId());
    uint16_t result = prompt.DoModal(nullptr);
    UnhookWindowsHookEx(hook);
    driver = nullptr;
    return result;
}

class Prompt : public ::testing::Test {
protected:
    void SetUp() override {
        language = LoadLibraryA("orbntenn1.dll");
        ASSERT_TRUE(language);
        ResourceModule = language;
    }
    void TearDown() override {
        ResourceModule = nullptr;
        FreeLibrary(language);
    }
    HMODULE language = nullptr;
};

TEST_F(Prompt, ResultsAndTypedText) {
    std::string longText(70, 'p');
    std::string cut(63, 'p');
    struct Case {
        const char* expected;  // null: a plain prompt
        std::string typed;
        int button;
        uint16_t result;
        std::string after;
    } cases[] = {
        {nullptr, "", IDOK, 1, ""},                    // an empty password is accepted
        {nullptr, "s3cret", IDOK, 1, "s3cret"},
        {"", "anything", IDOK, 1, "anything"},         // nothing to confirm
        {"Secret", "Secret", IDOK, 1, "Secret"},
        {"Secret", "secret", IDOK, 1052, "secret"},   // case counts
        {"Secret", "Secret", IDCANCEL, 2, "Secret"},
        {cut.c_str(), longText, IDOK, 1, cut},  // cut to 63 first
    };
    for (const Case& c : cases) {
        std::string expectedCopy = c.expected ? c.expected : "";
        PasswordPrompt prompt(c.expected ? expectedCopy.c_str() : nullptr);
        Driver d{};
        EXPECT_EQ(RunPrompt(prompt, c.typed, c.button, &d), c.result) << expectedCopy << " / " << c.typed;
        EXPECT_EQ(std::string(prompt.expected.Text()), c.after) << expectedCopy << " / " << c.typed;
    }
}

TEST_F(Prompt, TitleAndMessage) {
    PasswordPrompt keep;
    Driver d{};
    RunPrompt(keep, "", IDOK, &d);
    std::string templateTitle = d.seenTitle;
    EXPECT_FALSE(templateTitle.empty());

    PasswordPrompt prompt;
    prompt.title.Assign("Log in");
    prompt.message.Assign("Password for ftp.example:");
    RunPrompt(prompt, "", IDOK, &d);
    EXPECT_EQ(d.seenTitle, "Log in");
    EXPECT_EQ(d.seenMessage, "Password for ftp.example:");
}

}  // namespace
