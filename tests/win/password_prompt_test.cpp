// The password prompt driven as a person uses it: text typed into its edit
// (WM_SETTEXT), then OK or Cancel clicked, again after each message it shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "frame/module.h"
#include "message_box_answerer.h"
#include "ui/filedialog/password_prompt.h"

namespace {

struct Attempt {
    std::string typed;
    int button;
};

// Works the prompt that this thread shows: one attempt each time the prompt
// is ready for input (a message box it shows answered in between).
struct Driver {
    std::vector<Attempt> attempts;
    size_t next = 0;
    std::string seenTitle, seenMessage;
};
Driver* driver = nullptr;

void CALLBACK Tick(HWND prompt, UINT, UINT_PTR id, DWORD) {
    if (!driver || driver->next >= driver->attempts.size()) {
        KillTimer(prompt, id);
        return;
    }
    // Disabled while a message box of its own is up.
    if (!IsWindowEnabled(prompt)) return;
    const Attempt& a = driver->attempts[driver->next++];
    SetDlgItemTextA(prompt, PasswordPrompt::kPasswordEdit, a.typed.c_str());
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(a.button, BN_CLICKED), 0);
}

LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && driver && driver->next == 0 && GetDlgItem(window, PasswordPrompt::kPasswordEdit)) {
        char text[256];
        GetWindowTextA(window, text, sizeof text);
        driver->seenTitle = text;
        GetDlgItemTextA(window, PasswordPrompt::kPromptText, text, sizeof text);
        driver->seenMessage = text;
        SetTimer(window, 1, 20, Tick);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

uint16_t RunPrompt(PasswordPrompt& prompt, std::vector<Attempt> attempts, Driver* d,
                   std::vector<std::string>* shown = nullptr) {
    d->attempts = std::move(attempts);
    d->next = 0;
    driver = d;
    MessageBoxAnswerer answerer(IDOK);
    HHOOK hook = SetWindowsHookExA(WH_CBT, OnActivate, nullptr, GetCurrentThreadId());
    uint16_t result = prompt.DoModal(nullptr);
    UnhookWindowsHookEx(hook);
    driver = nullptr;
    if (shown) {
        shown->clear();
        for (const auto& box : answerer.boxes) shown->push_back(box.text);
    }
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
    // The longest password a host keeps, and two that differ only at its end.
    const std::string longest(64, 'p');
    const std::string endsA = std::string(63, 'p') + "a", endsB = std::string(63, 'p') + "b";
    const std::string tooLong(65, 'p'), farTooLong(300, 'q');
    const std::string refused = "The password is too long. A password can have at most 64 characters.";
    struct Case {
        const char* label;
        const char* expected;  // null: a plain prompt
        std::vector<Attempt> attempts;
        uint16_t result;
        std::string after;
        std::vector<std::string> boxes;
    } cases[] = {
        {"an empty password is accepted", nullptr, {{"", IDOK}}, 1, "", {}},
        {"plain", nullptr, {{"s3cret", IDOK}}, 1, "s3cret", {}},
        {"nothing to confirm", "", {{"anything", IDOK}}, 1, "anything", {}},
        {"confirmed", "Secret", {{"Secret", IDOK}}, 1, "Secret", {}},
        {"case counts", "Secret", {{"secret", IDOK}}, 1052, "secret", {}},
        {"cancelled", "Secret", {{"Secret", IDCANCEL}}, 2, "Secret", {}},
        {"64 characters taken whole", nullptr, {{longest, IDOK}}, 1, longest, {}},
        {"64 characters confirmed whole", longest.c_str(), {{longest, IDOK}}, 1, longest, {}},
        {"the 64th character counts", endsA.c_str(), {{endsB, IDOK}}, 1052, endsB, {}},
        {"too long: refused, then a shorter one", nullptr, {{tooLong, IDOK}, {"short", IDOK}}, 1, "short",
         {refused}},
        {"too long twice, then cancelled", "Secret",
         {{farTooLong, IDOK}, {tooLong, IDOK}, {tooLong, IDCANCEL}}, 2, "Secret", {refused, refused}},
        {"too long to confirm with", longest.c_str(), {{longest + "p", IDOK}, {longest, IDOK}}, 1, longest,
         {refused}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string expectedCopy = c.expected ? c.expected : "";
        PasswordPrompt prompt(c.expected ? expectedCopy.c_str() : nullptr);
        Driver d{};
        std::vector<std::string> boxes;
        EXPECT_EQ(RunPrompt(prompt, c.attempts, &d, &boxes), c.result);
        EXPECT_EQ(d.next, c.attempts.size()) << "every attempt was made";
        EXPECT_EQ(std::string(prompt.expected.Text()), c.after);
        EXPECT_EQ(boxes, c.boxes);
    }
}

TEST_F(Prompt, TitleAndMessage) {
    PasswordPrompt keep;
    Driver d{};
    RunPrompt(keep, {{"", IDOK}}, &d);
    std::string templateTitle = d.seenTitle;
    EXPECT_FALSE(templateTitle.empty());

    PasswordPrompt prompt;
    prompt.title.Assign("Log in");
    prompt.message.Assign("Password for ftp.example:");
    RunPrompt(prompt, {{"", IDOK}}, &d);
    EXPECT_EQ(d.seenTitle, "Log in");
    EXPECT_EQ(d.seenMessage, "Password for ftp.example:");
}

}  // namespace
