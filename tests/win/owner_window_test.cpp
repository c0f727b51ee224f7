// The test owner window: what it records for posted and sent notifications,
// and how its waits behave.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "owner_window.h"

namespace {

const UINT kNote = OwnerWindow::kMessage;

enum How { Post, Send, SendFromThread };

struct Case {
    const char* name;
    How how;
    WPARAM code;
    const char* text;  // sent as lParam when set
    LPARAM value;      // lParam otherwise
    bool hasText;
    LPARAM recordedValue;
};

void Deliver(HWND window, How how, WPARAM code, LPARAM lParam) {
    switch (how) {
    case Post:
        PostMessageA(window, kNote, code, lParam);
        break;
    case Send:
        SendMessageA(window, kNote, code, lParam);
        break;
    case SendFromThread: {
        // The receiving thread handles the send while it pumps.
        std::atomic<bool> done(false);
        std::thread sender([&]() {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(window, kNote, code, lParam, SMTO_NORMAL, 4000, &result);
            done = true;
        });
        const DWORD start = GetTickCount();
        while (!done && GetTickCount() - start < 5000) PumpFor(10);
        sender.join();
        break;
    }
    }
}

TEST(OwnerWindow, RecordsPostedValuesAndSentTexts) {
    // A posted note never has its lParam read as text, even when nonzero.
    const Case cases[] = {
        {"posted chain done", Post, 1, nullptr, 0, false, 0},
        {"posted transfer saved", Post, 104, nullptr, 1, false, 1},
        {"posted failure", Post, 0, nullptr, 0, false, 0},
        {"posted failure, stray lParam", Post, 0, nullptr, 0x1234, false, 0x1234},
        {"posted listing, stray lParam", Post, 102, nullptr, 0x10, false, 0x10},
        {"sent reply text", Send, 0, "550 No such file.", 0, true, 0},
        {"sent listing", Send, 102, "a.txt\r\nb.txt\r\n", 0, true, 0},
        {"sent directory", Send, 103, "/pub", 0, true, 0},
        {"sent last-modified, empty", Send, 105, "", 0, true, 0},
        {"sent failure without text", Send, 0, nullptr, 0, false, 0},
        {"sent closed", Send, 101, nullptr, 1, false, 1},
        {"sent from a thread", SendFromThread, 103, "/from/thread", 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerWindow owner;
        ASSERT_NE(owner.Handle(), nullptr);
        char buffer[64] = {};
        LPARAM lParam = c.value;
        if (c.text) {
            strncpy(buffer, c.text, sizeof buffer - 1);
            lParam = reinterpret_cast<LPARAM>(buffer);
        }
        Deliver(owner.Handle(), c.how, c.code, lParam);
        memset(buffer, 'X', sizeof buffer - 1);  // the text is valid only during the call
        ASSERT_TRUE(owner.WaitFor(c.code, 2000));
        ASSERT_EQ(owner.Notes().size(), 1u);
        const OwnerWindow::Note& note = owner.Notes()[0];
        EXPECT_EQ(note.code, c.code);
        EXPECT_EQ(note.posted, c.how == Post);
        EXPECT_EQ(note.hasText, c.hasText);
        EXPECT_EQ(note.text, c.text ? c.text : "");
        EXPECT_EQ(note.value, c.recordedValue);
    }
}

TEST(OwnerWindow, PostedNotesDispatchedByAnotherLoopAreStillPosted) {
    OwnerWindow owner;
    PostMessageA(owner.Handle(), kNote, 0, 0x4321);
    MSG msg;
    DWORD start = GetTickCount();
    while (owner.Notes().empty() && GetTickCount() - start < 2000) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            Sleep(5);
    }
    ASSERT_EQ(owner.Notes().size(), 1u);
    EXPECT_TRUE(owner.Notes()[0].posted);
    EXPECT_FALSE(owner.Notes()[0].hasText);
    EXPECT_EQ(owner.Notes()[0].value, 0x4321);
}

TEST(OwnerWindow, WaitsTakeNotesInOrderAndTimeOut) {
    OwnerWindow owner;
    HWND w = owner.Handle();
    // Sent before any wait: a later wait still finds it.
    char text[] = "257 \"/\"";
    SendMessageA(w, kNote, 0, reinterpret_cast<LPARAM>(text));
    PostMessageA(w, kNote, 1, 0);
    PostMessageA(w, kNote, 101, 0);
    PostMessageA(w, kNote, 1, 0);

    EXPECT_TRUE(owner.WaitFor(1, 2000));
    WPARAM which = 999;
    EXPECT_TRUE(owner.WaitForAny({104, 101}, 2000, &which));
    EXPECT_EQ(which, 101u);
    EXPECT_TRUE(owner.WaitFor(1, 2000));  // the second code 1
    EXPECT_EQ(owner.Codes(), (std::vector<WPARAM>{0, 1, 101, 1}));

    // The text note lies before the waits' position now.
    DWORD start = GetTickCount();
    EXPECT_FALSE(owner.WaitFor(0, 300));
    DWORD spent = GetTickCount() - start;
    EXPECT_GE(spent, 250u);
    EXPECT_LT(spent, 3000u);
    EXPECT_FALSE(owner.WaitForAny({1, 104}, 0, &which));

    owner.Clear();
    EXPECT_TRUE(owner.Notes().empty());
    PostMessageA(w, kNote, 104, 1);
    EXPECT_TRUE(owner.WaitFor(104, 2000));
    ASSERT_EQ(owner.Notes().size(), 1u);
    EXPECT_EQ(owner.Notes()[0].value, 1);
}

TEST(OwnerWindow, PumpForRunsOtherWindowsMessagesAndReturns) {
    OwnerWindow owner;
    PostMessageA(owner.Handle(), kNote, 1, 0);
    DWORD start = GetTickCount();
    PumpFor(200);
    DWORD spent = GetTickCount() - start;
    EXPECT_GE(spent, 150u);
    EXPECT_LT(spent, 3000u);
    ASSERT_EQ(owner.Notes().size(), 1u);
    EXPECT_EQ(owner.Notes()[0].code, 1u);
}

}  // namespace
