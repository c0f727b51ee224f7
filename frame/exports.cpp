// The twelve exported entry points.
#include "frame/exports.h"

#include <cstring>
#include <new>

#include "frame/module.h"
#include "frame/orbnet_api.h"
#include "frame/strings.h"
#include "net/network.h"
#include "transfer/url_dialogs.h"

namespace {
constexpr LONG kDone = 0;
constexpr LONG kFailed = 2;
constexpr LONG kNoLanguageModule = 3;
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
        char path[MAX_PATH + 1];
        DWORD n = GetModuleFileNameA(ModuleInstance, path, 257);
        if (n >= 257) n = 0;
        path[n] = '\0';
        char* slash = std::strrchr(path, '\\');
        if (slash) slash[1] = '\0';
        else path[0] = '\0';
        TextBuffer fullPath(64);
        fullPath.Append(path);
        AppendFormatted(fullPath, kStrLanguageModule, 1, code);

        UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        HMODULE module = LoadLibraryA(fullPath.Text());
        SetErrorMode(oldMode);
        if (reinterpret_cast<UINT_PTR>(module) <= 32) {
            ResourceModule = nullptr;
            ShowMessageCaptionById(fullPath.Text(), kMsgCaption, MB_OK, nullptr);
            return kNoLanguageModule;
        }
        ResourceModule = module;
    }
    HelpCallback = reinterpret_cast<HelpCallbackProc>(help);
    return kDone;
}

LONG WINAPI NETClean(void) {
    if (InitCount == 0) return kFailed;
    --InitCount;
    StopNetwork(InitCount);
    return kDone;
}

LONG WINAPI NETAvailable(void) {
    return StartNetwork() == 1 ? kDone : kFailed;
}

// Dialog exports: their dialog objects are not part of this build yet, so the
// object cannot be created (2).
LONG WINAPI NETOptions(HWND) { return kFailed; }

LONG WINAPI NETOpen(HWND, char*, WORD, char*, WORD, char*, WORD, WORD*, OrbFilterCallback, WORD) {
    return kFailed;
}

LONG WINAPI NETBrowse(HWND, char*, WORD, OrbFilterCallback, WORD) { return kFailed; }

LONG WINAPI NETSaveAs(HWND, char*, WORD, const char*, const char*, OrbFilterCallback,
                                            OrbPrepareStoreCallback, WORD) {
    return kFailed;
}

LONG WINAPI NETBrowseDirectory(HWND, char*, WORD, const char*, WORD, const char*, DWORD*) {
    return kFailed;
}

void WINAPI NETCloseBrowseDirectory(HWND) {}

LONG WINAPI NETRetrieveFile(HWND owner, const char* url, char* localFile, WORD localSize, char* second,
                            WORD secondSize, const OrbProxyInfo* proxy, const OrbLoginInfo* login) {
    // The wanted local name, read within the caller's stated size.
    TextBuffer wanted(MAX_PATH);
    size_t n = localFile && localSize ? strnlen(localFile, localSize) : 0;
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
