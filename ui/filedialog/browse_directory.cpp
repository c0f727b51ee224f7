#include "ui/filedialog/browse_directory.h"

#include <cstring>
#include <new>
#include <strings.h>

#include "frame/exports.h"
#include "frame/strings.h"
#include "net/network.h"
#include "settings/settings.h"
#include "transfer/core/url_parts.h"
#include "ui/framework/dialog_items.h"
#include "ui/framework/core/linked_list.h"

namespace {

constexpr uint16_t kBrowseHelp = 4906;
constexpr LONG kFailed = 2;

// The start URL less its "ftp://": host, then the path from its first "/".
const char* AfterScheme(const char* url) {
    if (!url) return "";
    return strncasecmp(url, "ftp://", 6) == 0 ? url + 6 : url;
}

struct BrowserNode : ListNode {
    BrowseDirectoryDialog* browser;
    HWND window;
    HWND parent;
};

LinkedList& Browsers() {
    static LinkedList registry;
    if (!registry.FreeNode) registry.FreeNode = [](ListNode* n) { delete static_cast<BrowserNode*>(n); };
    return registry;
}

BrowserNode* FindNode(HWND window) {
    if (!window) return nullptr;
    for (ListNode* n = Browsers().head; n; n = n->next)
        if (static_cast<BrowserNode*>(n)->window == window) return static_cast<BrowserNode*>(n);
    return nullptr;
}

// Handles travel as 32 bits; window handles keep their meaning in 32 bits
// on 64-bit Windows too (sign-extended).
DWORD HandleOf(HWND window) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window)); }
HWND WindowOf(DWORD handle) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
}

void CloseNode(BrowserNode* node) {
    HWND window = node->window;
    BrowseDirectoryDialog* browser = node->browser;
    if (node->parent) EnableWindow(node->parent, TRUE);
    browser->closing = 1;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    // Looked up again: the Cancel may have run a loop of its own.
    node = FindNode(window);
    if (node && Browsers().Remove(node)) delete node;
    // A browser whose run is under way goes when its loop has returned.
    if (!browser->running) delete browser;
}

}  // namespace

BrowseDirectoryDialog::BrowseDirectoryDialog(const char* startUrl, uint16_t choice, const char* prompt,
                                             uint16_t modelessForm)
    : FileDialog(nullptr, kSaveTemplate),
      promptText(64),
      hostChoice(choice),
      modelessRun(modelessForm),
      done(0),
      closing(0),
      running(0),
      startDirectory_(64) {
    helpId = kBrowseHelp;
    directoriesOnly = 1;
    resultUrl.Assign(startUrl);
    promptText.Assign(prompt);
}

BrowseDirectoryDialog::~BrowseDirectoryDialog() {}

void BrowseDirectoryDialog::StartDirectory(TextBuffer& directory) {
    // The start URL's own directory, else the host's.
    if (!startDirectory_.Empty()) directory.Assign(startDirectory_.Text());
    else FileDialog::StartDirectory(directory);
}

void BrowseDirectoryDialog::Initialize() {
    FileDialog::Initialize();
    const int hidden[] = {kFdServerLabel, kFdFtp, kFdWeb, kPanelBody, kFdStatusLabel, kFdName,
                          kFdNameLabel, kFdTypes, kFdTypesLabel, kFdGraphics, kFdByDescription};
    for (int id : hidden) ShowItem(window, id, false);
    // The host: the text after "ftp://" up to the first "/".
    const char* rest = AfterScheme(resultUrl.Text());
    const char* slash = std::strchr(rest, '/');
    TextBuffer host(64);
    host.Assign(rest, slash ? static_cast<uint32_t>(slash - rest) : 0);
    // The path as the URLs the library hands out write it: percent-encoded.
    if (slash && slash[1] && !PercentDecode(slash, static_cast<uint32_t>(std::strlen(slash)), startDirectory_))
        startDirectory_.Clear();
    const HostEntry* entry = !host.Empty() && Hosts ? Hosts->FindByHostName(host.Text()) : nullptr;
    if (!entry) {
        if (hostChoice == 0) {
            endCode = kEndNoHost;
            return;
        }
    } else {
        uint16_t at;
        if (FindComboStringExact(window, kFdHosts, entry->description.Text(), &at)) {
            SetComboSelection(window, kFdHosts, at);
            SetComboSelection(window, kFdHostNames, at);
        }
    }
    if (hostChoice == 0) {
        EnableItem(window, kFdEditHosts, false);
        EnableItem(window, kFdHosts, false);
        EnableItem(window, kFdHostNames, false);
        EnableItem(window, kFdConnect, false);
        ConnectToHost();
    } else {
        RefreshConnectButton();
    }
    // Without a prompt the panel says what the browser is for.
    if (promptText.Empty()) AppendFormatted(promptText, kMsgChooseDirectory, 0);
    SetItemText(window, kPanelTitle, promptText.Text());
    ShowAsBrowser();
    // The note sits where the name and type rows of Save As are.
    TextBuffer note(64);
    AppendFormatted(note, kMsgChooseDirectory, 0);
    SetItemText(window, kFdBrowseNote, note.Text());
    MoveItem(window, kFdBrowseNote, 6, 162, 224, 9);
    ShowWindow(GetDlgItem(window, kFdBrowseNote), SW_SHOW);
    // The panel holds the prompt only: one line high, the window as much
    // shorter.
    MoveItem(window, kPanelFrame, 6, 210, 284, 16);
    MoveItem(window, kPanelTitle, 12, 213, 270, 9);
    RECT cut = {0, 0, 1, 16};
    MapDialogRect(window, &cut);
    RECT r;
    GetWindowRect(window, &r);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top - cut.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetUpPanel();
}

void BrowseDirectoryDialog::BeginRun(const char* prompt) {
    // An empty prompt keeps the one shown.
    if (prompt && *prompt) promptText.Assign(prompt);
    SetItemText(window, kPanelTitle, promptText.Text());
    endCode = kEndOk;
    if (!session && hostChoice == 0) ConnectToHost();
}

void BrowseDirectoryDialog::Activate() {
    if (state_ == kStateTransferring || state_ == kStateHalfFetched) return;
    ChooseDirectory();
}

void BrowseDirectoryDialog::ChooseDirectory() {
    if (!connected) {
        endCode = kEndFailed;
        return;
    }
    if (StartNetwork() != 1) return;
    if (EnterOrCreateFolder()) return;
    TextBuffer url(128);
    if (!RemoteUrl(nullptr, url)) {
        SetStatus(kStatusTransferFailed);
        return;
    }
    resultUrl.Assign(url.Text());
    endCode = kEndOk;
    if (modelessRun) done = 1;
    else Finish();
}

void BrowseDirectoryDialog::Finish() {
    Disconnect(0);
    SetState(kStateIdle);
    EndWithCode();
}

void BrowseDirectoryDialog::Cancel() {
    if (!closing && modelessRun) {
        done = 1;
        return;
    }
    FileDialog::Cancel();
    done = 1;
}

// ---- the registry

void RegisterBrowser(BrowseDirectoryDialog* browser, HWND parent) {
    if (!browser || !browser->window || FindNode(browser->window)) return;
    BrowserNode* node = new (std::nothrow) BrowserNode();
    if (!node) return;
    node->browser = browser;
    node->window = browser->window;
    node->parent = parent;
    Browsers().Append(node);
}

BrowseDirectoryDialog* FindBrowser(HWND window) {
    BrowserNode* node = FindNode(window);
    return node ? node->browser : nullptr;
}

void CloseBrowser(HWND window) {
    BrowserNode* node = FindNode(window);
    if (node) CloseNode(node);
}

void CloseAllBrowsers() {
    while (Browsers().head) {
        BrowserNode* node = static_cast<BrowserNode*>(Browsers().head);
        HWND window = node->window;
        CloseNode(node);
        // A node that its Cancel did not let go is dropped all the same.
        node = FindNode(window);
        if (node && Browsers().Remove(node)) delete node;
    }
}

void ReleaseBrowserRegistry(bool processEnding) {
    // Browsers the host never closed: their windows must not outlive the
    // code that serves them.
    for (ListNode* n = processEnding ? nullptr : Browsers().head; n; n = n->next) {
        BrowserNode* node = static_cast<BrowserNode*>(n);
        if (!node->browser->running) delete node->browser;
    }
    Browsers().Clear();
}

// ---- the export

LONG BrowseDirectory(HWND parent, char* url, WORD urlSize, const char* startUrl, WORD hostChoice, const char* prompt,
                     DWORD* browserHandle) {
    if (!browserHandle) {
        BrowseDirectoryDialog* browser = new (std::nothrow) BrowseDirectoryDialog(startUrl, hostChoice, prompt, 0);
        if (!browser) return kFailed;
        uint16_t result = browser->DoModal(parent);
        if (result == kEndOk) CopyResult(url, urlSize, browser->resultUrl.Text());
        delete browser;
        return result;
    }
    BrowseDirectoryDialog* browser = *browserHandle ? FindBrowser(WindowOf(*browserHandle)) : nullptr;
    if (browser && browser->running) return kFailed;  // a run of it is under way already
    if (browser) {
        browser->BeginRun(prompt);
    } else {
        browser = new (std::nothrow) BrowseDirectoryDialog(startUrl, hostChoice, prompt, 1);
        if (!browser) return kFailed;
        if (!browser->CreateModeless(parent)) {
            delete browser;
            return kFailed;
        }
        if (browser->done) {
            // It ended while it was set up (no usable host): nothing to show.
            LONG result = static_cast<LONG>(browser->endCode);
            delete browser;
            return result;
        }
        RegisterBrowser(browser, parent);
        *browserHandle = HandleOf(browser->window);
    }
    HWND window = browser->window;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (parent) EnableWindow(parent, FALSE);
    browser->running = 1;
    MSG message;
    while (!browser->done) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // The application is ending: its own loop must see that too.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        if (IsWindow(window) && IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    browser->running = 0;
    const LONG result = static_cast<LONG>(browser->endCode);
    if (result == kEndOk) CopyResult(url, urlSize, browser->resultUrl.Text());
    browser->done = 0;
    if (parent) EnableWindow(parent, TRUE);
    if (browser->closing) {
        // Closed during the run: its registry node is gone already.
        delete browser;
        return result;
    }
    ShowWindow(window, SW_HIDE);
    return result;
}
