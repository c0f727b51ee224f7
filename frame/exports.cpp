// The twelve exported entry points.
#include "frame/exports.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "frame/module.h"
#include "frame/orbnet_api.h"
#include "frame/strings.h"
#include "net/network.h"
#include "settings/settings.h"
#include "transfer/url_dialogs.h"
#include "ui/filedialog/browse_directory.h"
#include "ui/filedialog/file_dialog.h"
#include "ui/settings/settings_dialogs.h"

namespace {
constexpr LONG kDone = 0;
constexpr LONG kFailed = 2;
constexpr LONG kNoLanguageModule = 3;
// The longest path the system has (with the "\\?\" form).
constexpr DWORD kLongestPath = 32768 * 2;

// The language module's full path: the library's own folder (whatever its
// length, in the form the library was loaded by) and the module's name for
// the language code. A new[] array the caller deletes; null when the
// library's own name cannot be had.
wchar_t* LanguageModulePath(const char* code) {
    TextBuffer name(64);
    if (!AppendFormatted(name, kStrLanguageModule, 1, code)) return nullptr;
    for (DWORD size = MAX_PATH + 1; size <= kLongestPath; size *= 2) {
        wchar_t* path = new (std::nothrow) wchar_t[size + name.length + 1];
        if (!path) return nullptr;
        DWORD n = GetModuleFileNameW(ModuleInstance, path, size);
        if (n > 0 && n < size) {
            wchar_t* slash = std::wcsrchr(path, L'\\');
            if (slash &&
                MultiByteToWideChar(CP_ACP, 0, name.Text(), -1, slash + 1, static_cast<int>(name.length) + 1) > 0)
                return path;
            delete[] path;
            return nullptr;
        }
        // A name that filled the buffer may have been cut: ask again.
        delete[] path;
        if (n == 0) return nullptr;
    }
    return nullptr;
}

// The missing module's path as the message box shows it.
void ShowMissingModule(const wchar_t* path, const char* code) {
    TextBuffer text(MAX_PATH);
    int n = path ? WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr) : 0;
    char* narrow = n > 0 ? new (std::nothrow) char[n] : nullptr;
    if (narrow && WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, n, nullptr, nullptr) > 0) text.Assign(narrow);
    else AppendFormatted(text, kStrLanguageModule, 1, code);
    delete[] narrow;
    ShowMessageCaptionById(text.Text(), kMsgCaption, MB_OK, nullptr);
}

}  // namespace

void CopyResult(char* dest, WORD size, const char* text) {
    if (!dest || size == 0) return;
    if (!text) text = "";
    size_t n = std::strlen(text);
    if (n >= size) n = size - 1u;
    std::memcpy(dest, text, n);
    dest[n] = '\0';
}

extern "C" {

LONG WINAPI NETInit(char* languageCode, OrbHelpCallback help) {
    if (NetworkStartCount != 0) {
        if (RepeatSocketStartup()) ++InitCount;
    } else {
        InitCount = 1;
    }
    if (!ResourceModule) {
        char code[3] = {0, 0, 0};
        if (languageCode) {
            // Only the first two characters of the code count.
            size_t n = strnlen(languageCode, 2);
            std::memcpy(code, languageCode, n);
            if (n == 2) languageCode[2] = '\0';
        }
        // The module beside the library, by its full path only: a name alone
        // would be looked for along the search path, where anyone may have
        // put a file of that name.
        wchar_t* path = LanguageModulePath(code);
        HMODULE module = nullptr;
        if (path) {
            UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
            module = LoadLibraryW(path);
            SetErrorMode(oldMode);
        }
        if (reinterpret_cast<UINT_PTR>(module) <= 32) {
            ResourceModule = nullptr;
            ShowMissingModule(path, code);
            delete[] path;
            return kNoLanguageModule;
        }
        delete[] path;
        ResourceModule = module;
    }
    HelpCallback = reinterpret_cast<HelpCallbackProc>(help);
    return kDone;
}

LONG WINAPI NETClean(void) {
    // The modeless browsers go first, whatever the count says.
    CloseAllBrowsers();
    if (InitCount == 0) return kFailed;
    --InitCount;
    StopNetwork(InitCount);
    return kDone;
}

LONG WINAPI NETAvailable(void) {
    return StartNetwork() == 1 ? kDone : kFailed;
}

LONG WINAPI NETOptions(HWND owner) {
    OptionsDialog* dialog = new (std::nothrow) OptionsDialog();
    if (!dialog) return kFailed;
    uint16_t result = dialog->DoModal(owner);
    delete dialog;
    return result;
}

LONG WINAPI NETOpen(HWND owner, char* url, WORD urlSize, char* localPath, WORD localSize, char* date, WORD dateSize,
                    WORD* recordOpen, OrbFilterCallback filter, WORD callerFlags) {
    OpenDialog* dialog = new (std::nothrow) OpenDialog(filter, 0, callerFlags);
    if (!dialog) return kFailed;
    uint16_t result = dialog->DoModal(owner);
    if (result == kDone) {
        CopyResult(url, urlSize, dialog->resultUrl.Text());
        CopyResult(localPath, localSize, dialog->localPath.Text());
        CopyResult(date, dateSize, dialog->fileDate.Text());
        if (recordOpen) *recordOpen = Options && (Options->flags & kOptionRecordOpen) ? 1 : 0;
    }
    delete dialog;
    return result;
}

LONG WINAPI NETBrowse(HWND owner, char* url, WORD urlSize, OrbFilterCallback filter, WORD callerFlags) {
    OpenDialog* dialog = new (std::nothrow) OpenDialog(filter, 1, callerFlags);
    if (!dialog) return kFailed;
    uint16_t result = dialog->DoModal(owner);
    if (result == kDone) CopyResult(url, urlSize, dialog->resultUrl.Text());
    delete dialog;
    return result;
}

LONG WINAPI NETSaveAs(HWND owner, char* name, WORD nameSize, const char* localPath, const char* furtherText,
                      OrbFilterCallback filter, OrbPrepareStoreCallback prepare, WORD saveFlags) {
    // The suggested name, read within the caller's stated size.
    TextBuffer given(64);
    size_t n = name && nameSize ? strnlen(name, nameSize) : 0;
    if (n && !given.Assign(name, static_cast<uint32_t>(n))) return kFailed;
    SaveAsDialog* dialog = new (std::nothrow) SaveAsDialog(given.Text(), localPath, furtherText, filter, prepare, saveFlags);
    if (!dialog) return kFailed;
    uint16_t result = dialog->DoModal(owner);
    if (result == kDone) CopyResult(name, nameSize, dialog->resultUrl.Text());
    delete dialog;
    return result;
}

LONG WINAPI NETBrowseDirectory(HWND owner, char* url, WORD urlSize, const char* startUrl, WORD hostChoice,
                               const char* prompt, DWORD* browser) {
    return BrowseDirectory(owner, url, urlSize, startUrl, hostChoice, prompt, browser);
}

void WINAPI NETCloseBrowseDirectory(HWND browser) { CloseBrowser(browser); }

LONG WINAPI NETRetrieveFile(HWND owner, const char* url, char* localFile, WORD localSize, char* second,
                            WORD secondSize, const OrbProxyInfo* proxy, const OrbLoginInfo* login) {
    // The wanted local name, read within the caller's stated size; a name
    // without its terminator there is no name to write to.
    TextBuffer wanted(MAX_PATH);
    size_t n = localFile && localSize ? strnlen(localFile, localSize) : 0;
    if (localFile && localSize && n == localSize) return kFailed;
    if (n != 0 && !wanted.Assign(localFile, static_cast<uint32_t>(n))) return kFailed;
    RetrieveDialog* dialog = new (std::nothrow) RetrieveDialog(url, wanted.Text(), proxy, login);
    if (!dialog) return kFailed;
    uint16_t result = dialog->DoModal(owner);
    if (result == kDone) {
        CopyResult(localFile, localSize, dialog->localFile.Text());
        CopyResult(second, secondSize, dialog->secondResult.Text());
    }
    delete dialog;
    return result;
}

LONG WINAPI NETStoreFile(HWND owner, const char* url, const char* localFile, const char*, const OrbProxyInfo* proxy,
                         const OrbLoginInfo* login) {
    StoreDialog* dialog = new (std::nothrow) StoreDialog(url, localFile, 0, proxy, login);
    if (!dialog) return kFailed;
    uint16_t result = dialog->DoModal(owner);
    delete dialog;
    return result;
}

LONG WINAPI NETStoreMultipleFiles(HWND owner, const char* url, const char* files, WORD count,
                                  const OrbProxyInfo* proxy, const OrbLoginInfo* login) {
    if (count == 0) return kFailed;
    StoreDialog* dialog = new (std::nothrow) StoreDialog(url, files, count, proxy, login);
    if (!dialog) return kFailed;
    uint16_t result = dialog->DoModal(owner);
    delete dialog;
    return result;
}

}  // extern "C"
