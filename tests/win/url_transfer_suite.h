#ifndef ORBNET_TESTS_URL_TRANSFER_SUITE_H
#define ORBNET_TESTS_URL_TRANSFER_SUITE_H

// Suites that call NETRetrieveFile, NETStoreFile and NETStoreMultipleFiles as
// a host application does: the real DLL, its settings in the registry, its
// dialogs answered as a person would.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame/orbnet_api.h"
#include "message_box_answerer.h"
#include "settings/core/list_formats.h"
#include "test_support.h"
#include "transfer/transfer_dialog_ids.h"
#include "ui/filedialog/password_prompt_ids.h"

inline const char kMissing[] = "<missing>";

inline std::string ReadOrMissing(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return kMissing;
    return ReadWholeFile(path);
}



inline std::string EncodedHost(const char* host, const char* user, const char* password, uint16_t flags,
                      const char* proxy = "") {
    TextBuffer value;
    HostTexts texts{host, host, user, "guest@", password, "", proxy, flags};
    BuildHostValue(texts, value);
    return value.Text();
}

// Answers the library's own dialogs as they come up: types into the password
// prompt, and clicks Cancel in the status or progress window after a while.
struct DialogDriver {
    std::string password = "secret";
    int passwordButton = IDOK;
    UINT cancelStatusAfter = 0;    // ms; 0: never
    UINT cancelProgressAfter = 0;  // ms; 0: never
    std::vector<std::string> prompts;  // title "|" message of each prompt
    int statusWindows = 0;    // distinct windows seen
    int progressWindows = 0;
    HWND lastStatus = nullptr;
    HWND lastProgress = nullptr;
    HHOOK hook = nullptr;
};
inline DialogDriver* driver = nullptr;

constexpr UINT_PTR kCancelTimer = 0x7E57;

inline void CALLBACK ClickCancel(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

inline LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && driver) {
        HWND dialog = reinterpret_cast<HWND>(wParam);
        char title[256] = "", text[256] = "";
        if (GetDlgItem(dialog, ORB_PASSWORD_EDIT) && GetDlgItem(dialog, ORB_PASSWORD_TEXT)) {
            GetWindowTextA(dialog, title, sizeof title);
            GetDlgItemTextA(dialog, ORB_PASSWORD_TEXT, text, sizeof text);
            driver->prompts.push_back(std::string(title) + "|" + text);
            SetDlgItemTextA(dialog, ORB_PASSWORD_EDIT, driver->password.c_str());
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(driver->passwordButton, BN_CLICKED), 0);
        } else if (GetDlgItem(dialog, ORB_STATUS_TEXT) && !GetDlgItem(dialog, ORB_PROGRESS_PICTURE)) {
            if (dialog != driver->lastStatus) {
                driver->lastStatus = dialog;
                if (driver->statusWindows++ == 0 && driver->cancelStatusAfter)
                    SetTimer(dialog, kCancelTimer, driver->cancelStatusAfter, ClickCancel);
            }
        } else if (GetDlgItem(dialog, ORB_PROGRESS_PICTURE) && GetDlgItem(dialog, ORB_PROGRESS_COUNT)) {
            if (dialog != driver->lastProgress) {
                driver->lastProgress = dialog;
                if (driver->progressWindows++ == 0 && driver->cancelProgressAfter)
                    SetTimer(dialog, kCancelTimer, driver->cancelProgressAfter, ClickCancel);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Outcome {
    LONG code;
    std::string local;
    std::string second;
    std::vector<MessageBoxAnswerer::Box> boxes;
};

class UrlTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
        std::remove(kLocal);
    }
    void TearDown() override {
        Unload();
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
        std::remove(kLocal);
    }

    // Loads the library (which reads its settings) and opens a working period.
    void Load() {
        dll_ = LoadLibraryA("OrbNetN01.dll");
        ASSERT_TRUE(dll_);
        retrieve_ = reinterpret_cast<NETRetrieveFileProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETRetrieveFile")));
        store_ = reinterpret_cast<NETStoreFileProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETStoreFile")));
        storeMany_ = reinterpret_cast<NETStoreMultipleFilesProc>(
            reinterpret_cast<void*>(GetProcAddress(dll_, "NETStoreMultipleFiles")));
        auto init = reinterpret_cast<NETInitProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETInit")));
        ASSERT_TRUE(retrieve_ && store_ && storeMany_ && init);
        char code[] = "en";
        ASSERT_EQ(init(code, nullptr), 0);
    }
    // Ends the working period and unloads the library (which saves its settings).
    void Unload() {
        if (!dll_) return;
        auto clean = reinterpret_cast<NETCleanProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETClean")));
        clean();
        FreeLibrary(dll_);
        dll_ = nullptr;
    }

    template <typename Call>
    Outcome Run(Call call) {
        if (!dll_) Load();
        Outcome out{-1, "", "", {}};
        MessageBoxAnswerer answerer(boxButton);
        answerer.SetDelay(boxDelay);
        driver = &dialogs;
        dialogs.hook = SetWindowsHookExA(WH_CBT, OnActivate, nullptr, GetCurrentThreadId());
        call(out);
        UnhookWindowsHookEx(dialogs.hook);
        driver = nullptr;
        out.boxes = answerer.boxes;
        return out;
    }

    Outcome Retrieve(const std::string& url, const std::string& local, const OrbProxyInfo* proxy = nullptr,
                     const OrbLoginInfo* login = nullptr) {
        return Run([&](Outcome& out) {
            char localBuffer[MAX_PATH] = "";
            char second[64] = "unchanged";
            std::snprintf(localBuffer, sizeof localBuffer, "%s", local.c_str());
            out.code = retrieve_(nullptr, url.c_str(), localBuffer, sizeof localBuffer, second, sizeof second, proxy,
                                 login);
            out.local = localBuffer;
            out.second = second;
        });
    }
    // With the caller's local name buffer as it is given (size bytes).
    Outcome RetrieveInto(const std::string& url, char* localBuffer, WORD size) {
        return Run([&](Outcome& out) {
            out.code = retrieve_(nullptr, url.c_str(), localBuffer, size, nullptr, 0, nullptr, nullptr);
        });
    }
    Outcome Store(const std::string& url, const std::string& local, const OrbProxyInfo* proxy = nullptr,
                  const OrbLoginInfo* login = nullptr) {
        return Run([&](Outcome& out) { out.code = store_(nullptr, url.c_str(), local.c_str(), "", proxy, login); });
    }
    Outcome StoreMany(const std::string& url, const std::string& list, WORD count,
                      const OrbLoginInfo* login = nullptr) {
        return Run([&](Outcome& out) { out.code = storeMany_(nullptr, url.c_str(), list.data(), count, nullptr, login); });
    }

    // The caller's local file; each test program has its own, as they run
    // side by side in one folder.
    const char* kLocal = "url_local.bin";
    DialogDriver dialogs;
    int boxButton = IDYES;  // how message boxes are answered
    UINT boxDelay = 0;      // ... after this many ms
    OrbLoginInfo alice{"alice", "secret", 1};
    OrbLoginInfo aliceActive{"alice", "secret", 0};

private:
    HMODULE dll_ = nullptr;
    NETRetrieveFileProc retrieve_ = nullptr;
    NETStoreFileProc store_ = nullptr;
    NETStoreMultipleFilesProc storeMany_ = nullptr;
};

#endif
