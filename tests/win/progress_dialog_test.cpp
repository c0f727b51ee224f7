// The progress window: its running count is repainted at most every
// kRepaintInterval ms while bytes flow, and always with the final total; it
// appears once a transfer has run for kShowDelay ms.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "frame/module.h"
#include "transfer/progress_dialog.h"

namespace {

class Progress : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryExA("OrbNetN01.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        language = LoadLibraryA("orbntenn1.dll");
        ASSERT_TRUE(library && language);
        ModuleInstance = library;
        ResourceModule = language;
    }
    void TearDown() override {
        ResourceModule = nullptr;
        ModuleInstance = nullptr;
        FreeLibrary(language);
        FreeLibrary(library);
    }
    static std::string Count(const ProgressDialog& dialog) {
        char text[128] = "";
        GetDlgItemTextA(dialog.window, kProgressCount, text, sizeof text);
        return text;
    }
    HMODULE library = nullptr;
    HMODULE language = nullptr;
};

TEST_F(Progress, CountIsThrottledButTheFinalTotalAlwaysShows) {
    ProgressDialog dialog(nullptr);
    ASSERT_EQ(dialog.Open(nullptr, 769, "file.bin"), 1);
    dialog.ShowCount(770, 4096);
    EXPECT_EQ(Count(dialog), "4096 bytes received");
    // A burst of calls within the interval repaints nothing more...
    for (uint32_t n = 2; n <= 1000; ++n) dialog.ShowCount(770, n * 4096);
    EXPECT_EQ(Count(dialog), "4096 bytes received");
    // ...the final total shows at once...
    dialog.ShowCount(770, 5000000, true);
    EXPECT_EQ(Count(dialog), "5000000 bytes received");
    // ...and once the interval has passed, the next count shows.
    Sleep(ProgressDialog::kRepaintInterval + 20);
    dialog.ShowCount(770, 5000001);
    EXPECT_EQ(Count(dialog), "5000001 bytes received");
}

// A short transfer never shows a window; a longer one shows it, with the
// count so far, and disables the owner exactly while it exists.
TEST_F(Progress, AppearsOnlyAfterTheDelayAndDisablesItsOwner) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    auto pump = [](DWORD ms) {
        DWORD start = GetTickCount();
        do {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(5);
        } while (GetTickCount() - start < ms);
    };
    {
        // Over before the delay: no window, the owner never disabled.
        ProgressDialog* shortOne = new ProgressDialog(nullptr);
        ASSERT_EQ(shortOne->Schedule(owner, 769, "quick.bin"), 1);
        shortOne->ShowCount(770, 10, true);
        pump(ProgressDialog::kShowDelay / 2);
        EXPECT_EQ(shortOne->window, nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner));
        delete shortOne;
        pump(ProgressDialog::kShowDelay);
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    ProgressDialog* longOne = new ProgressDialog(nullptr);
    ASSERT_EQ(longOne->Schedule(owner, 769, "slow.bin"), 1);
    longOne->ShowCount(770, 4096);
    DWORD start = GetTickCount();
    while (!longOne->window && GetTickCount() - start < 2000) pump(5);
    ASSERT_TRUE(longOne->window);
    EXPECT_GE(GetTickCount() - start, ProgressDialog::kShowDelay - 20);
    EXPECT_TRUE(IsWindowVisible(longOne->window));
    EXPECT_EQ(Count(*longOne), "4096 bytes received");
    EXPECT_FALSE(IsWindowEnabled(owner));
    delete longOne;
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

}  // namespace
