#ifndef ORBNET_TESTS_FILE_DIALOG_FIXTURE_H
#define ORBNET_TESTS_FILE_DIALOG_FIXTURE_H

// The exports of the Internet file dialog as a host calls them, with a
// driver that works the dialog as a person would and an answerer for its
// message boxes. Each test program adds its servers and stored hosts.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "file_dialog_driver.h"
#include "frame/orbnet_api.h"
#include "message_box_answerer.h"
#include "settings/core/list_formats.h"
#include "test_support.h"
#include "window_picture.h"

const char kShots[] = "screens\\";

inline std::string EncodedHost(const char* description, const char* host, const char* user, const char* password,
                      const char* directory, uint16_t flags) {
    TextBuffer value;
    HostTexts texts{description, host, user, "guest@", password, directory, "", flags};
    BuildHostValue(texts, value);
    return value.Text();
}

inline std::string EncodedProxy(const char* name, uint16_t port) {
    TextBuffer value;
    BuildProxyValue(name, port, value);
    return value.Text();
}

constexpr uint16_t kPassive = kHostPassive | kHostStorePasswords;

// Two file types, the second chosen first.
inline WORD WINAPI TwoTypes(WORD, char* buffer, WORD size, WORD* defaultIndex) {
    const char types[] = "Documents\001.doc\001\001Pages\001.htm\001Stray";
    if (size < sizeof types) return 0;
    std::memcpy(buffer, types, sizeof types);
    *defaultIndex = 1;
    return 1;
}

// Temporary files the library made ("orb" prefix).
inline int TempFiles() {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    return CountFiles(std::string(folder) + "orb*");
}

struct OpenResult {
    LONG code = -1;
    std::string url, local, date;
    WORD record = 7;
};

class FileDialogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
        SetNumberSetting("Options", "Server Type", 0);
        CreateDirectoryA(kShots, nullptr);
        tempsBefore = TempFiles();
    }
    void TearDown() override {
        Unload();
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
    }
    void Load() {
        dll_ = LoadLibraryA("OrbNetN01.dll");
        ASSERT_TRUE(dll_);
        auto init = reinterpret_cast<NETInitProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETInit")));
        open_ = reinterpret_cast<NETOpenProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETOpen")));
        browse_ = reinterpret_cast<NETBrowseProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETBrowse")));
        saveAs_ = reinterpret_cast<NETSaveAsProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETSaveAs")));
        browseDir_ = reinterpret_cast<NETBrowseDirectoryProc>(
            reinterpret_cast<void*>(GetProcAddress(dll_, "NETBrowseDirectory")));
        closeDir_ = reinterpret_cast<NETCloseBrowseDirectoryProc>(
            reinterpret_cast<void*>(GetProcAddress(dll_, "NETCloseBrowseDirectory")));
        ASSERT_TRUE(init && open_ && browse_ && saveAs_);
        char code[] = "en";
        ASSERT_EQ(init(code, nullptr), 0);
    }
    void Unload() {
        if (!dll_) return;
        reinterpret_cast<NETCleanProc>(reinterpret_cast<void*>(GetProcAddress(dll_, "NETClean")))();
        FreeLibrary(dll_);
        dll_ = nullptr;
    }
    template <typename Call>
    void Run(Call call) {
        if (!dll_) Load();
        MessageBoxAnswerer answerer(boxButton);
        answering = &answerer;
        driver.Start();
        call();
        driver.Stop();
        answering = nullptr;
        boxes = answerer.boxes;
        EXPECT_EQ(driver.failure, "") << "the dialog did not get past this step";
    }
    OpenResult Open(OrbFilterCallback filter = nullptr, WORD flags = 1) {
        OpenResult r;
        Run([&] {
            static char url[8192], local[260], date[8192];
            url[0] = local[0] = date[0] = '\0';
            r.code = open_(nullptr, url, sizeof url, local, sizeof local, date, sizeof date, &r.record, filter, flags);
            r.url = url;
            r.local = local;
            r.date = date;
        });
        return r;
    }
    LONG Browse(std::string& url, WORD flags = 1) {
        LONG code = -1;
        Run([&] {
            static char buffer[8192];
            buffer[0] = '\0';
            code = browse_(nullptr, buffer, sizeof buffer, nullptr, flags);
            url = buffer;
        });
        return code;
    }
    // further: the host's own value, which the library keeps unread.
    LONG SaveAs(std::string& name, const std::string& local, OrbFilterCallback filter,
                OrbPrepareStoreCallback prepare, WORD flags, const char* further = "kept") {
        LONG code = -1;
        Run([&] {
            char buffer[512] = "";
            std::snprintf(buffer, sizeof buffer, "%s", name.c_str());
            code = saveAs_(nullptr, buffer, sizeof buffer, local.c_str(), further, filter, prepare, flags);
            name = buffer;
        });
        return code;
    }

    // Steps a person takes again and again.
    void WaitConnected(const std::string& directory) {
        driver.Add("connected in " + directory, [directory](HWND d) {
            return Connected(d) && ItemText(d, ORB_FD_DIRECTORY) == directory;
        });
    }
    void ConnectTo(const std::string& host, const std::string& directory) {
        driver.Add("choose " + host, [host](HWND d) { return Pick(d, ORB_FD_HOSTS, host); });
        driver.Add("connect", [](HWND d) {
            if (!Enabled(d, ORB_FD_CONNECT)) return false;
            Click(d, ORB_FD_CONNECT);
            return true;
        });
        WaitConnected(directory);
    }
    void Enter(const std::string& name, const std::string& directory) {
        driver.Add("enter " + name, [name](HWND d) { return OpenEntry(d, name); });
        WaitConnected(directory);
    }
    void Shot(const std::string& name) {
        driver.Add("picture " + name, [name](HWND d) {
            UpdateWindow(d);
            SaveWindowPicture(d, std::string(kShots) + name + ".bmp");
            return true;
        });
    }
    void Press(int id) {
        driver.Add("press " + std::to_string(id), [id](HWND d) {
            Click(d, id);
            return true;
        });
    }
    // For a button that opens a dialog of its own.
    void PressLater(int id) {
        driver.Add("press " + std::to_string(id), [id](HWND d) {
            ClickLater(d, id);
            return true;
        });
    }

    FileDialogDriver driver;
    int boxButton = IDOK;
    MessageBoxAnswerer* answering = nullptr;  // during a run
    std::vector<MessageBoxAnswerer::Box> boxes;
    int tempsBefore = 0;

private:
    HMODULE dll_ = nullptr;
    NETOpenProc open_ = nullptr;
    NETBrowseProc browse_ = nullptr;
    NETSaveAsProc saveAs_ = nullptr;

protected:
    NETBrowseDirectoryProc browseDir_ = nullptr;
    NETCloseBrowseDirectoryProc closeDir_ = nullptr;
};


#endif
