// Dialog objects on real dialogs: the registered messages, help, the note
// panel, modal and modeless running.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "frame/module.h"
#include "test_dialog_ids.h"
#include "ui/framework/dialog_object.h"

namespace {

std::vector<DWORD> helpCalls;
unsigned short WINAPI RecordHelp(DWORD id) {
    helpCalls.push_back(id);
    return 7;
}

class Probe : public DialogObject {
public:
    explicit Probe(uint16_t id) {
        templateId = id;
        dialogProc = DialogProc;
        helpId = 4905;
    }
    std::function<void(Probe&)> body;
    using DialogObject::DialogProc;

protected:
    void OnInitDialog() override {
        SetUpPanel();
        PostMessageA(window, WM_APP, 0, 0);
    }
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM) override {
        if (message != WM_APP) return FALSE;
        if (body) body(*this);
        if (!modeless) EndDialog(window, endCode);
        return TRUE;
    }
    bool IsExemptControl(int id) const override { return id == ORB_TEST_OTHER; }
};

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ResourceModule = GetModuleHandleA(nullptr);
        HelpMessage = RegisterWindowMessageA("ORBDLG_HELP");
        ForceSubclassMessage = RegisterWindowMessageA("ORBDLG_FORCESUBCLASS");
        SetFontMessage = RegisterWindowMessageA("ORBDLG_SETFONT");
        HelpCallback = RecordHelp;
        helpCalls.clear();
    }
    void TearDown() override {
        ResourceModule = nullptr;
        HelpCallback = nullptr;
    }
};

DWORD SendFlag(HWND dialog, UINT message, HWND control) {
    DWORD flag = 5;
    SendMessageA(dialog, message, reinterpret_cast<WPARAM>(control), reinterpret_cast<LPARAM>(&flag));
    return flag;
}

TEST_F(Dialogs, RegisteredMessagesAnswered) {
    Probe probe(ORB_TEST_PANEL_TEMPLATE);
    probe.body = [](Probe& p) {
        HWND title = GetDlgItem(p.window, ORB_PANEL_TITLE), other = GetDlgItem(p.window, ORB_TEST_OTHER);
        EXPECT_EQ(SendFlag(p.window, SetFontMessage, title), 0u);
        EXPECT_EQ(SendFlag(p.window, SetFontMessage, other), 5u);
        EXPECT_EQ(SendFlag(p.window, ForceSubclassMessage, other), 0u);  // exempt
        EXPECT_EQ(SendFlag(p.window, ForceSubclassMessage, title), 5u);
        EXPECT_EQ(SendFlag(p.window, HelpMessage, nullptr), 1u);
        SendMessageA(p.window, WM_COMMAND, MAKEWPARAM(ORB_HELP_BUTTON, BN_CLICKED), 0);
        p.endCode = 3;
    };
    EXPECT_EQ(probe.DoModal(nullptr), 3);
    EXPECT_EQ(helpCalls, (std::vector<DWORD>{4905, 4905}));
}

TEST_F(Dialogs, BeforeInitDialogOnlySetFontIsAnswered) {
    // A window of the same procedure without an object yet.
    HWND bare =
        CreateDialogParamA(ResourceModule, MAKEINTRESOURCEA(ORB_TEST_PANEL_TEMPLATE), nullptr, Probe::DialogProc, 0);
    ASSERT_TRUE(bare);
    EXPECT_EQ(SendFlag(bare, HelpMessage, nullptr), 5u);
    EXPECT_EQ(SendFlag(bare, ForceSubclassMessage, GetDlgItem(bare, ORB_TEST_OTHER)), 5u);
    EXPECT_EQ(SendFlag(bare, SetFontMessage, GetDlgItem(bare, ORB_PANEL_TITLE)), 0u);
    EXPECT_TRUE(helpCalls.empty());
    DestroyWindow(bare);
}

TEST_F(Dialogs, NotePanel) {
    Probe probe(ORB_TEST_PANEL_TEMPLATE);
    probe.body = [](Probe& p) {
        HWND panel = GetDlgItem(p.window, ORB_PANEL_FRAME);
        ASSERT_TRUE(p.savedPanelProc);
        LONG_PTR proc = GetWindowLongPtrA(panel, GWLP_WNDPROC);
        WNDPROC saved = p.savedPanelProc;
        p.SetUpPanel();  // a second set-up does not subclass again
        EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), proc);
        EXPECT_EQ(p.savedPanelProc, saved);

        LOGFONTA font{};
        ASSERT_TRUE(p.titleFont);
        GetObjectA(p.titleFont, sizeof font, &font);
        EXPECT_EQ(font.lfWeight, FW_BOLD);

        HDC dc = GetDC(p.window);
        LRESULT brush = SendMessageA(p.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(GetDlgItem(p.window, ORB_PANEL_BODY)));
        EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
        brush = SendMessageA(p.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(GetDlgItem(p.window, ORB_TEST_OTHER)));
        EXPECT_NE(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
        ReleaseDC(p.window, dc);

        // The panel paints itself pale yellow inside a black frame.
        ShowWindow(p.window, SW_SHOW);
        RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT r;
        GetClientRect(panel, &r);
        HDC pdc = GetDC(panel);
        EXPECT_EQ(GetPixel(pdc, r.right - 8, r.bottom - 8), RGB(255, 255, 192));
        EXPECT_EQ(GetPixel(pdc, 0, r.bottom - 8), RGB(0, 0, 0));
        ReleaseDC(panel, pdc);
    };
    probe.DoModal(nullptr);
}

TEST_F(Dialogs, ModalResultsAndFailures) {
    Probe none(0);
    EXPECT_EQ(none.DoModal(nullptr), 0);  // nothing to show
    Probe missing(ORB_TEST_MISSING_TEMPLATE);
    EXPECT_EQ(missing.DoModal(nullptr), 0xFFFF);  // no such template
    Probe plain(ORB_TEST_BARE_TEMPLATE);  // no panel: nothing subclassed
    plain.body = [](Probe& p) {
        EXPECT_EQ(p.savedPanelProc, nullptr);
        p.endCode = 2;
    };
    EXPECT_EQ(plain.DoModal(nullptr), 2);
    EXPECT_FALSE(IsWindow(plain.window));  // destroying the object after this is safe
}

TEST_F(Dialogs, ModelessLivesWithItsObject) {
    Probe* probe = new Probe(ORB_TEST_PANEL_TEMPLATE);
    ASSERT_EQ(probe->CreateModeless(nullptr), 1);
    HWND window = probe->window;
    HWND panel = GetDlgItem(window, ORB_PANEL_FRAME);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(DialogObject::FromWindow(window), probe);
    delete probe;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(panel));
}

}  // namespace
