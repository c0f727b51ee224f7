// The progress window: its running count is repainted at most every
// kRepaintInterval ms while bytes flow, and always with the final total; it
// appears once a transfer has run for kShowDelay ms; with a total it shows
// a bar and a percentage, and once measured the rate and the time left.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <regex>
#include <string>
#include <vector>

#include "frame/module.h"
#include "transfer/progress_dialog.h"
#include "window_picture.h"

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
    static std::string Item(const ProgressDialog& dialog, int id) {
        char text[256] = "";
        GetDlgItemTextA(dialog.window, id, text, sizeof text);
        return text;
    }
    static std::string Count(const ProgressDialog& dialog) { return Item(dialog, kProgressCount); }
    static bool BarShown(const ProgressDialog& dialog) {
        return IsWindowVisible(GetDlgItem(dialog.window, kProgressBar)) != FALSE;
    }
    static int BarPosition(const ProgressDialog& dialog) {
        return int(SendDlgItemMessageA(dialog.window, kProgressBar, PBM_GETPOS, 0, 0));
    }
    static void Pump(DWORD ms) {
        DWORD start = GetTickCount();
        do {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(5);
        } while (GetTickCount() - start < ms);
    }
    HMODULE library = nullptr;
    HMODULE language = nullptr;
};

TEST_F(Progress, CountIsThrottledButTheFinalTotalAlwaysShows) {
    ProgressDialog dialog(nullptr);
    ASSERT_EQ(dialog.Open(nullptr, 769, "file.bin"), 1);
    dialog.ShowCount(770, 4096);
    EXPECT_EQ(Count(dialog), "4.0 KB received");
    // A burst of calls within the interval repaints nothing more...
    for (uint32_t n = 2; n <= 1000; ++n) dialog.ShowCount(770, n * 4096);
    EXPECT_EQ(Count(dialog), "4.0 KB received");
    // ...the final total shows at once...
    dialog.ShowCount(770, 5000000, true);
    EXPECT_EQ(Count(dialog), "4.8 MB received");
    // ...and once the interval has passed, the next count shows.
    Sleep(ProgressDialog::kRepaintInterval + 20);
    dialog.ShowCount(770, 7340032);
    EXPECT_EQ(Count(dialog), "7.0 MB received");
    EXPECT_FALSE(BarShown(dialog)) << "no total, no bar";
    EXPECT_EQ(Item(dialog, kProgressPercent), "");
    Pump(50);
    SaveWindowPicture(dialog.window, "progress_window_no_total.bmp");
}

// 10 MB at 2 MB/s: the bar and the share follow the count, the rate and the
// time left appear after the first second, a stall slows the rate down
// although no bytes come, and the end shows the whole.
TEST_F(Progress, BarShareRateAndTimeLeft) {
    ProgressDialog dialog(nullptr);
    ASSERT_EQ(dialog.Open(nullptr, 769, "big.bin"), 1);
    constexpr uint64_t MB = 1048576, total = 10 * MB;
    dialog.SetTotal(total);
    dialog.ShowCount(770, 0, true);
    EXPECT_TRUE(BarShown(dialog));
    EXPECT_EQ(Count(dialog), "0 bytes of 10.0 MB");
    EXPECT_EQ(Item(dialog, kProgressPercent), "0%");
    EXPECT_EQ(Item(dialog, kProgressRate), "") << "not measured yet";
    std::vector<int> positions;
    DWORD start = GetTickCount();
    uint64_t done = 0;
    while (GetTickCount() - start < 1400) {
        done = uint64_t(GetTickCount() - start) * 2 * MB / 1000;
        dialog.ShowCount(770, done);
        Pump(20);
        if (positions.empty() || positions.back() != BarPosition(dialog)) positions.push_back(BarPosition(dialog));
    }
    EXPECT_GE(positions.size(), 5u) << "the bar moves";
    for (size_t i = 1; i < positions.size(); ++i) EXPECT_GT(positions[i], positions[i - 1]);
    dialog.ShowCount(770, done, true);
    std::smatch m;
    std::string rate = Item(dialog, kProgressRate);
    ASSERT_TRUE(std::regex_match(rate, m, std::regex(R"(([0-9.]+) MB/s, ([0-9]+) s left)"))) << rate;
    EXPECT_NEAR(std::stod(m[1]), 2.0, 0.3);
    EXPECT_NEAR(std::stoi(m[2]), double(total - done) / (2 * MB), 1.5);
    std::string share = Item(dialog, kProgressPercent);
    EXPECT_EQ(share, std::to_string(done * 100 / total) + "%");
    EXPECT_NEAR(BarPosition(dialog), int(done * 1000 / total), 1);
    SaveWindowPicture(dialog.window, "progress_window.bmp");

    // Nothing comes for a second: the refresh timer shows a falling rate.
    Pump(1200);
    std::string later = Item(dialog, kProgressRate);
    ASSERT_TRUE(std::regex_match(later, m, std::regex(R"(([0-9.]+) (MB|KB)/s, ([0-9]+) (s|min [0-9]+ s) left)")))
        << later;
    EXPECT_TRUE(m[2] == "KB" || std::stod(m[1]) < 1.7) << later;

    dialog.ShowCount(770, total, true);
    EXPECT_EQ(Count(dialog), "10.0 MB of 10.0 MB");
    EXPECT_EQ(Item(dialog, kProgressPercent), "100%");
    EXPECT_EQ(BarPosition(dialog), 1000);
    EXPECT_EQ(Item(dialog, kProgressRate).find("left"), std::string::npos) << "nothing is left";
}

// A total that comes after the window (the FTP reply naming the size), a
// send, and a count past 4 GB.
TEST_F(Progress, TotalLaterSendingAndPastFourGigabytes) {
    ProgressDialog dialog(nullptr);
    ASSERT_EQ(dialog.Open(nullptr, 773, "big.bin"), 1);
    dialog.ShowCount(774, 3000, true);
    EXPECT_EQ(Count(dialog), "2.9 KB sent");
    EXPECT_FALSE(BarShown(dialog));
    dialog.SetTotal(4831838208ull);
    dialog.ShowCount(774, 4294967297ull, true);
    EXPECT_EQ(Count(dialog), "4.0 GB of 4.5 GB");
    EXPECT_EQ(Item(dialog, kProgressPercent), "88%");
    EXPECT_TRUE(BarShown(dialog));
    EXPECT_EQ(BarPosition(dialog), 888);
    // More than announced: the total is not believed.
    dialog.ShowCount(774, 4831838209ull, true);
    EXPECT_EQ(Count(dialog), "4.5 GB sent");
    EXPECT_FALSE(BarShown(dialog));
    EXPECT_EQ(Item(dialog, kProgressPercent), "");
}

// The window's controls lie inside it, apart from each other, and the
// longest texts a transfer gives fit their controls in the dialog's font.
TEST_F(Progress, LayoutFitsTheLongestTexts) {
    ProgressDialog dialog(nullptr);
    ASSERT_EQ(dialog.Open(nullptr, 769, "a-rather-long-remote-file-name.bin"), 1);
    constexpr uint64_t MB = 1048576, GB = 1024 * MB;
    dialog.SetTotal(99 * GB + 960 * MB);
    dialog.ShowCount(770, 99 * GB + 900 * MB, true);
    SetDlgItemTextA(dialog.window, kProgressRate, "1023 KB/s, 1193046 h 28 min left");
    const int ids[] = {kProgressPicture, kProgressAction, kProgressName, kProgressCount,
                       kProgressPercent, kProgressRate, kProgressBar, IDCANCEL};
    RECT client;
    GetClientRect(dialog.window, &client);
    std::vector<RECT> rects;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog.window, WM_GETFONT, 0, 0));
    HDC dc = GetDC(dialog.window);
    HGDIOBJ old = SelectObject(dc, font);
    for (int id : ids) {
        HWND item = GetDlgItem(dialog.window, id);
        ASSERT_TRUE(item) << id;
        RECT r;
        GetWindowRect(item, &r);
        MapWindowPoints(nullptr, dialog.window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << id;
        for (size_t i = 0; i < rects.size(); ++i) {
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &rects[i], &r)) << ids[i] << " overlaps " << id;
        }
        rects.push_back(r);
        if (id == kProgressCount || id == kProgressPercent || id == kProgressRate || id == kProgressAction) {
            char text[256] = "";
            GetWindowTextA(item, text, sizeof text);
            SIZE extent;
            GetTextExtentPoint32A(dc, text, int(strlen(text)), &extent);
            EXPECT_LE(extent.cx, r.right - r.left) << id << ": " << text;
        }
    }
    EXPECT_EQ(Count(dialog), "99.9 GB of 99.9 GB");
    SelectObject(dc, old);
    ReleaseDC(dialog.window, dc);
}

// A short transfer never shows a window; a longer one shows it, with the
// count so far, and disables the owner exactly while it exists.
TEST_F(Progress, AppearsOnlyAfterTheDelayAndDisablesItsOwner) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    auto pump = Pump;
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
    EXPECT_EQ(Count(*longOne), "4.0 KB received");
    EXPECT_FALSE(IsWindowEnabled(owner));
    delete longOne;
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

}  // namespace
