// nethost: a small host program that loads OrbNetN01.dll as an office
// application does and calls its exports, one subcommand each.
//
//   nethost [--answer ok|cancel|yes|no] [--password TEXT] [--screenshots DIR] [--dll PATH]
//           COMMAND [key=value ...] [COMMAND ...]
//
// Commands run in order in one process (so "init code=en available clean"
// is one working period). With --answer every message box the library shows
// is answered with that button and printed as
//   MESSAGEBOX caption="..." text="..."
// With --password the library's password prompt is answered with TEXT. With
// --screenshots the first password prompt and the first progress window are
// saved as DIR\password.bmp and DIR\progress.bmp.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "frame/orbnet_api.h"
#include "file_dialog_driver.h"
#include "message_box_answerer.h"
#include "test_ca.h"
#include "settings/core/list_formats.h"
#include "transfer/transfer_dialog_ids.h"
#include "ui/filedialog/password_prompt_ids.h"
#include "window_picture.h"

namespace {

class PrintingAnswerer : public MessageBoxAnswerer {
public:
    using MessageBoxAnswerer::MessageBoxAnswerer;
    void OnBox(const Box& box) override {
        std::printf("MESSAGEBOX caption=\"%s\" text=\"%s\"\n", box.caption.c_str(), box.text.c_str());
        std::fflush(stdout);
    }
};

// Answers the password prompt and takes the pictures (--password, --screenshots).
struct DialogHelper {
    std::string password;
    bool answerPassword = false;
    std::string pictures;  // folder; empty: none
    bool passwordTaken = false;
    bool progressTaken = false;
};
DialogHelper dialogHelper;

void CALLBACK AnswerPassword(HWND prompt, UINT, UINT_PTR id, DWORD) {
    KillTimer(prompt, id);
    if (!dialogHelper.pictures.empty() && !dialogHelper.passwordTaken) {
        dialogHelper.passwordTaken = SaveWindowPicture(prompt, dialogHelper.pictures + "\\password.bmp");
    }
    SetDlgItemTextA(prompt, ORB_PASSWORD_EDIT, dialogHelper.password.c_str());
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CALLBACK PictureOfProgress(HWND progress, UINT, UINT_PTR id, DWORD) {
    KillTimer(progress, id);
    if (!dialogHelper.progressTaken)
        dialogHelper.progressTaken = SaveWindowPicture(progress, dialogHelper.pictures + "\\progress.bmp");
}

LRESULT CALLBACK DialogHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND dialog = reinterpret_cast<HWND>(wParam);
        bool pictures = !dialogHelper.pictures.empty();
        if (GetDlgItem(dialog, ORB_PASSWORD_EDIT) && GetDlgItem(dialog, ORB_PASSWORD_TEXT)) {
            if (dialogHelper.answerPassword) {
                // Shown for a moment first when it is to be pictured.
                SetTimer(dialog, 0x4E48, pictures && !dialogHelper.passwordTaken ? 600 : 1, AnswerPassword);
            } else {
                std::printf("PASSWORD PROMPT (no --password given; cancelled)\n");
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        } else if (pictures && !dialogHelper.progressTaken && GetDlgItem(dialog, ORB_PROGRESS_PICTURE) &&
                   GetDlgItem(dialog, ORB_PROGRESS_COUNT)) {
            // Once the rate and time left are measured.
            SetTimer(dialog, 0x4E49, 1600, PictureOfProgress);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Command {
    std::string name;
    std::map<std::string, std::string> args;
    std::string Arg(const char* key, const char* fallback = "") const {
        auto it = args.find(key);
        return it == args.end() ? fallback : it->second;
    }
    bool Has(const char* key) const { return args.count(key) != 0; }
};

const char* const kCommands[] = {"add-host", "trust-ca", "init",     "clean",      "available",
                                 "options",  "open",     "browse",   "saveas",     "retrieve",
                                 "store",    "store-many", "browse-dir", "close-browse-dir"};

bool IsCommand(const char* word) {
    for (const char* c : kCommands)
        if (std::strcmp(c, word) == 0) return true;
    return false;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: nethost [--answer ok|cancel|yes|no] [--password TEXT] [--screenshots DIR] [--dll PATH]\n"
                 "               COMMAND [key=value ...] ...\n"
                 "  add-host n=N desc=TEXT host=NAME [user=U] [password=P] [dir=D] [flags=F]\n"
                 "                        stores FTP host N (only with other add-host commands:\n"
                 "                        the library saves its own list when it is unloaded)\n"
                 "  trust-ca pem=PATH     makes that test certificate authority a trusted root of\n"
                 "                        this Wine prefix (only with add-host or trust-ca)\n"
                 "  init code=en          NETInit\n"
                 "  clean                 NETClean\n"
                 "  available             NETAvailable\n"
                 "  options [script=STEPS] NETOptions\n"
                 "  open [flags=N] [script=STEPS]        NETOpen\n"
                 "  browse [flags=N] [script=STEPS]      NETBrowse\n"
                 "  saveas name=URL local=PATH [flags=N] [prepare=PATH|..] [script=STEPS]   NETSaveAs\n"
                 "      STEPS: host=DESC;enter=DIR;pick=NAME;type=TEXT;folder=NAME;ftp;web;url=URL;\n"
                 "             wait;shot=NAME;click=ID;waitfor=options|hosts|proxies|file;action;cancel\n"
                 "  retrieve url=URL [local=PATH] [proxy=HOST:PORT:KIND] [login=USER:PASS:PASSIVE]\n"
                 "  store url=URL local=PATH [proxy=HOST:PORT] [login=USER:PASS:PASSIVE]\n"
                 "  store-many url=URL files=A|B|... [count=N] [proxy=..] [login=..]\n"
                 "      (a file item DIR>PATH stores PATH into the remote directory DIR)\n"
                 "  browse-dir start=URL [choice=N] [prompt=TEXT] [modeless=1] [script=STEPS]\n"
                 "  close-browse-dir      NETCloseBrowseDirectory on the last modeless browser\n");
}

// "a:b:c" into at most n parts (the last keeps further colons).
std::vector<std::string> SplitColon(const std::string& text, size_t n) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() + 1 < n) {
        size_t colon = text.find(':', start);
        if (colon == std::string::npos) break;
        parts.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

struct CallerRecords {
    std::string proxyHost, user, password;
    OrbProxyInfo proxy{};
    OrbLoginInfo login{};
    const OrbProxyInfo* proxyPtr = nullptr;
    const OrbLoginInfo* loginPtr = nullptr;

    explicit CallerRecords(const Command& c) {
        if (c.Has("proxy")) {
            auto p = SplitColon(c.Arg("proxy"), 3);
            proxyHost = p[0];
            proxy.host = proxyHost.c_str();
            proxy.port = static_cast<WORD>(p.size() > 1 ? std::atoi(p[1].c_str()) : 0);
            proxy.kind = static_cast<WORD>(p.size() > 2 ? std::atoi(p[2].c_str()) : 0);
            proxyPtr = &proxy;
        }
        if (c.Has("login")) {
            auto p = SplitColon(c.Arg("login"), 3);
            user = p[0];
            password = p.size() > 1 ? p[1] : "";
            login.userName = user.c_str();
            login.password = password.c_str();
            login.passive = static_cast<WORD>(p.size() > 2 ? std::atoi(p[2].c_str()) : 0);
            loginPtr = &login;
        }
    }
};

// Works the file dialog as a person would: script=STEP;STEP;... with the
// steps
//   host=DESCRIPTION   choose the host and connect; wait until listed
//   wait               wait until connected and listed
//   enter=NAME         double-click a directory; wait until listed
//   pick=NAME          click an entry (a file's name goes into the name box)
//   type=TEXT          type into the name box
//   folder=NAME        make a folder with the new-folder button
//   ftp, web           choose FTP or World Wide Web;  url=TEXT  type an address
//   shot=NAME          save the dialog as DIR\NAME.bmp (--screenshots DIR)
//   click=ID           click the button of that id (once the step is over)
//   waitfor=WHICH      wait for the options, hosts, proxies or file dialog
//   action             press the action button (Open, Save, OK)
//   cancel             press Cancel
// Each step is printed as it is done.
void AddScript(FileDialogDriver& driver, const std::string& script) {
    size_t start = 0;
    while (start < script.size()) {
        size_t end = script.find(';', start);
        std::string step = script.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? script.size() : end + 1;
        size_t eq = step.find('=');
        std::string verb = step.substr(0, eq), arg = eq == std::string::npos ? "" : step.substr(eq + 1);
        auto done = [step](bool ok) {
            if (ok) std::printf("STEP %s\n", step.c_str());
            std::fflush(stdout);
            return ok;
        };
        auto listed = [](HWND d) { return Connected(d); };
        if (verb == "host") {
            driver.Add(step, [arg](HWND d) { return Pick(d, ORB_FD_HOSTS, arg) || Pick(d, ORB_FD_HOST_NAMES, arg); });
            driver.Add(step, [](HWND d) {
                if (!Enabled(d, ORB_FD_CONNECT)) return false;
                Click(d, ORB_FD_CONNECT);
                return true;
            });
            driver.Add(step, [=](HWND d) { return listed(d) && done(true); });
        } else if (verb == "enter") {
            driver.Add(step, [arg](HWND d) { return OpenEntry(d, arg); });
            driver.Add(step, [=](HWND d) {
                return listed(d) && ItemText(d, ORB_FD_DIRECTORY).find(arg) != std::string::npos && done(true);
            });
        } else if (verb == "click") {
            const int id = std::atoi(arg.c_str());
            driver.Add(step, [=](HWND d) {
                ClickLater(d, id);
                return done(true);
            });
        } else if (verb == "waitfor") {
            driver.Add(step, [=](HWND d) {
                bool is = arg == "options" ? IsOptionsDialog(d)
                          : arg == "hosts" ? IsHostDialog(d)
                          : arg == "proxies" ? IsProxyDialog(d)
                                             : !IsOptionsDialog(d) && !IsHostDialog(d) && !IsProxyDialog(d);
                return is && done(true);
            });
        } else if (verb == "wait") {
            driver.Add(step, [=](HWND d) { return listed(d) && done(true); });
        } else if (verb == "pick") {
            driver.Add(step, [=](HWND d) { return SelectEntry(d, arg) && done(true); });
        } else if (verb == "type") {
            driver.Add(step, [=](HWND d) {
                Type(d, ORB_FD_NAME, arg);
                return done(true);
            });
        } else if (verb == "folder") {
            driver.Add(step, [](HWND d) {
                Click(d, ORB_FD_NEW_FOLDER);
                return GetDlgItem(d, ORB_FD_FOLDER_EDIT) != nullptr;
            });
            driver.Add(step, [arg](HWND d) {
                SetWindowTextA(GetDlgItem(d, ORB_FD_FOLDER_EDIT), arg.c_str());
                return true;
            });
            driver.Add(step, [](HWND d) {
                Click(d, ORB_FD_ACTION);
                return true;
            });
            driver.Add(step, [=](HWND d) { return listed(d) && HasEntry(d, arg) && done(true); });
        } else if (verb == "web" || verb == "ftp") {
            const int id = verb == "web" ? ORB_FD_WEB : ORB_FD_FTP;
            driver.Add(step, [=](HWND d) {
                CheckRadioButton(d, ORB_FD_FTP, ORB_FD_WEB, id);
                SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
                return done(true);
            });
        } else if (verb == "url") {
            driver.Add(step, [=](HWND d) {
                Type(d, ORB_FD_URL, arg);
                return done(true);
            });
        } else if (verb == "shot") {
            driver.Add(step, [=](HWND d) {
                UpdateWindow(d);
                if (!dialogHelper.pictures.empty()) SaveWindowPicture(d, dialogHelper.pictures + "\\" + arg + ".bmp");
                return done(true);
            });
        } else if (verb == "action" || verb == "cancel") {
            const int id = verb == "action" ? ORB_FD_ACTION : IDCANCEL;
            driver.Add(step, [=](HWND d) {
                Click(d, id);
                return done(true);
            });
        } else {
            std::printf("unknown step %s\n", step.c_str());
        }
    }
}

// The files a Save As adds beside the stored one (prepare=PATH|PATH).
std::string preparedFiles;

WORD WINAPI DemoPrepare(char* localPath, WORD, const char* type, WORD graphics, char** moreFiles, const char* remote) {
    std::printf("PREPARE local=%s type=%s graphics=%u remote=%s\n", localPath, type, graphics, remote);
    std::fflush(stdout);
    if (preparedFiles.empty()) return 1;
    std::string list = preparedFiles;
    for (char& c : list)
        if (c == '|') c = '\0';
    list.push_back('\0');
    list.push_back('\0');
    // The library frees it with GlobalFree.
    char* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, list.size()));
    if (!block) return 1;
    std::memcpy(block, list.data(), list.size());
    *moreFiles = block;
    return 1;
}

// Filter callback for the file dialogs: a few common types.
WORD WINAPI DemoFilter(WORD, char* buffer, WORD size, WORD* defaultIndex) {
    const char types[] = "All Files\001*.*\001Documents\001.doc\001Web Pages\001.htm .html\001Text\001.txt";
    if (size < sizeof types) return 0;
    std::memcpy(buffer, types, sizeof types);
    if (defaultIndex) *defaultIndex = 0;
    return 1;
}

WORD WINAPI DemoHelp(DWORD id) {
    std::printf("HELP id=%lu\n", static_cast<unsigned long>(id));
    std::fflush(stdout);
    return 1;
}

// Writes an FTP host entry where the library reads it when it loads.
bool AddHost(const Command& c) {
    std::string desc = c.Arg("desc"), host = c.Arg("host"), user = c.Arg("user"), password = c.Arg("password");
    std::string dir = c.Arg("dir"), anonymous = c.Arg("anonymous", "guest@");
    HostTexts texts{desc.c_str(), host.c_str(), user.c_str(), anonymous.c_str(), password.c_str(), dir.c_str(), "",
                    static_cast<uint16_t>(std::atoi(c.Arg("flags", "12").c_str()))};
    TextBuffer value;
    if (!BuildHostValue(texts, value)) return false;
    HKEY key;
    const char path[] = "Software\\Marlin\\Components\\Internet\\1.0\\FTP Hosts";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::string name = "Host" + c.Arg("n", "1");
    LONG r = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.Text()), value.length + 1u);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
    int answer = 0;
    std::string dllPath;
    std::vector<Command> commands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--answer") == 0 && i + 1 < argc) {
            std::string b = argv[++i];
            answer = b == "ok" ? IDOK : b == "cancel" ? IDCANCEL : b == "yes" ? IDYES : b == "no" ? IDNO : 0;
            if (!answer) { Usage(); return 64; }
        } else if (std::strcmp(argv[i], "--password") == 0 && i + 1 < argc) {
            dialogHelper.password = argv[++i];
            dialogHelper.answerPassword = true;
        } else if (std::strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc) {
            dialogHelper.pictures = argv[++i];
        } else if (std::strcmp(argv[i], "--dll") == 0 && i + 1 < argc) {
            dllPath = argv[++i];
        } else if (IsCommand(argv[i])) {
            commands.push_back(Command{argv[i], {}});
        } else if (!commands.empty() && std::strchr(argv[i], '=')) {
            std::string kv = argv[i];
            size_t eq = kv.find('=');
            commands.back().args[kv.substr(0, eq)] = kv.substr(eq + 1);
        } else {
            Usage();
            return 64;
        }
    }
    if (commands.empty()) { Usage(); return 64; }
    bool setupOnly = true;
    for (const Command& c : commands) setupOnly = setupOnly && (c.name == "add-host" || c.name == "trust-ca");
    if (setupOnly) {
        for (const Command& c : commands) {
            if (c.name == "trust-ca") {
                std::string error;
                bool ok = TrustTestCa(c.Arg("pem").c_str(), &error);
                std::printf("trust-ca: %s\n", ok ? "trusted" : ("FAILED: " + error).c_str());
                if (!ok) return 70;
                continue;
            }
            bool ok = AddHost(c);
            std::printf("add-host: %s %s\n", c.Arg("desc").c_str(), ok ? "stored" : "FAILED");
            if (!ok) return 70;
        }
        return 0;
    }

    if (dllPath.empty()) {
        char self[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string dir(self, n);
        size_t slash = dir.find_last_of("\\/");
        dllPath = (slash == std::string::npos ? std::string() : dir.substr(0, slash + 1)) + "OrbNetN01.dll";
    }
    PrintingAnswerer* answerer = answer ? new PrintingAnswerer(answer) : nullptr;
    HHOOK dialogHook = SetWindowsHookExA(WH_CBT, DialogHook, nullptr, GetCurrentThreadId());
    HMODULE dll = LoadLibraryA(dllPath.c_str());
    if (!dll) {
        std::printf("cannot load %s (error %lu)\n", dllPath.c_str(), GetLastError());
        return 70;
    }
#define BIND(name) auto p##name = reinterpret_cast<name##Proc>(reinterpret_cast<void*>(GetProcAddress(dll, #name)))
    BIND(NETInit); BIND(NETClean); BIND(NETAvailable); BIND(NETOptions); BIND(NETOpen); BIND(NETBrowse);
    BIND(NETSaveAs); BIND(NETBrowseDirectory); BIND(NETCloseBrowseDirectory); BIND(NETRetrieveFile);
    BIND(NETStoreFile); BIND(NETStoreMultipleFiles);
#undef BIND
    if (!pNETInit || !pNETClean || !pNETAvailable || !pNETOptions || !pNETOpen || !pNETBrowse || !pNETSaveAs ||
        !pNETBrowseDirectory || !pNETCloseBrowseDirectory || !pNETRetrieveFile || !pNETStoreFile ||
        !pNETStoreMultipleFiles) {
        std::printf("%s lacks an export\n", dllPath.c_str());
        return 70;
    }

    DWORD browser = 0;
    int last = 0;
    for (const Command& c : commands) {
        LONG r = 0;
        if (c.name == "init") {
            char code[16] = {0};
            std::snprintf(code, sizeof code, "%s", c.Arg("code", "en").c_str());
            r = pNETInit(code, DemoHelp);
            std::printf("NETInit: %ld code=%s\n", r, code);
        } else if (c.name == "clean") {
            r = pNETClean();
            std::printf("NETClean: %ld\n", r);
        } else if (c.name == "available") {
            r = pNETAvailable();
            std::printf("NETAvailable: %ld\n", r);
        } else if (c.name == "options") {
            FileDialogDriver driver;
            AddScript(driver, c.Arg("script"));
            driver.Start();
            r = pNETOptions(nullptr);
            driver.Stop();
            if (!driver.failure.empty()) std::printf("STEP FAILED %s\n", driver.failure.c_str());
            std::printf("NETOptions: %ld\n", r);
        } else if (c.name == "open") {
            FileDialogDriver driver;
            AddScript(driver, c.Arg("script"));
            driver.Start();
            char url[512] = {0}, local[260] = {0}, date[512] = {0};
            WORD record = 0;
            r = pNETOpen(nullptr, url, sizeof url, local, sizeof local, date, sizeof date, &record, DemoFilter,
                         static_cast<WORD>(std::atoi(c.Arg("flags", "1").c_str())));
            driver.Stop();
            if (!driver.failure.empty()) std::printf("STEP FAILED %s\n", driver.failure.c_str());
            std::printf("NETOpen: %ld url=%s local=%s date=%s record=%u\n", r, url, local, date, record);
        } else if (c.name == "browse") {
            FileDialogDriver driver;
            AddScript(driver, c.Arg("script"));
            driver.Start();
            char url[512] = {0};
            r = pNETBrowse(nullptr, url, sizeof url, DemoFilter, static_cast<WORD>(std::atoi(c.Arg("flags", "1").c_str())));
            driver.Stop();
            std::printf("NETBrowse: %ld url=%s\n", r, url);
        } else if (c.name == "saveas") {
            FileDialogDriver driver;
            AddScript(driver, c.Arg("script"));
            driver.Start();
            preparedFiles = c.Arg("prepare");
            char name[512] = {0};
            std::snprintf(name, sizeof name, "%s", c.Arg("name").c_str());
            std::string local = c.Arg("local");
            r = pNETSaveAs(nullptr, name, sizeof name, local.c_str(), "", DemoFilter,
                           c.Has("prepare") ? DemoPrepare : nullptr,
                           static_cast<WORD>(std::atoi(c.Arg("flags", "0").c_str())));
            driver.Stop();
            if (!driver.failure.empty()) std::printf("STEP FAILED %s\n", driver.failure.c_str());
            std::printf("NETSaveAs: %ld url=%s\n", r, name);
        } else if (c.name == "retrieve") {
            CallerRecords rec(c);
            char local[260] = {0}, second[260] = {0};
            std::snprintf(local, sizeof local, "%s", c.Arg("local").c_str());
            std::string url = c.Arg("url");
            r = pNETRetrieveFile(nullptr, url.c_str(), local, sizeof local, second, sizeof second, rec.proxyPtr,
                                 rec.loginPtr);
            std::printf("NETRetrieveFile: %ld local=%s second=%s\n", r, local, second);
        } else if (c.name == "store") {
            CallerRecords rec(c);
            std::string url = c.Arg("url"), local = c.Arg("local");
            r = pNETStoreFile(nullptr, url.c_str(), local.c_str(), "", rec.proxyPtr, rec.loginPtr);
            std::printf("NETStoreFile: %ld\n", r);
        } else if (c.name == "store-many") {
            CallerRecords rec(c);
            std::string url = c.Arg("url");
            // Items separated by '|'; "DIR>PATH" becomes 0x01 DIR 0x01 PATH.
            std::string list, files = c.Arg("files");
            WORD count = 0;
            size_t start = 0;
            while (start <= files.size() && !files.empty()) {
                size_t bar = files.find('|', start);
                std::string item = files.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
                size_t gt = item.find('>');
                if (gt != std::string::npos) item = "\001" + item.substr(0, gt) + "\001" + item.substr(gt + 1);
                list += item;
                list.push_back('\0');
                ++count;
                if (bar == std::string::npos) break;
                start = bar + 1;
            }
            list.push_back('\0');
            if (c.Has("count")) count = static_cast<WORD>(std::atoi(c.Arg("count").c_str()));
            r = pNETStoreMultipleFiles(nullptr, url.c_str(), list.data(), count, rec.proxyPtr, rec.loginPtr);
            std::printf("NETStoreMultipleFiles: %ld\n", r);
        } else if (c.name == "browse-dir") {
            FileDialogDriver driver;
            AddScript(driver, c.Arg("script"));
            driver.Start();
            char url[512] = {0};
            std::string start = c.Arg("start"), prompt = c.Arg("prompt");
            bool modeless = c.Arg("modeless", "0") == "1";
            r = pNETBrowseDirectory(nullptr, url, sizeof url, start.c_str(),
                                    static_cast<WORD>(std::atoi(c.Arg("choice", "0").c_str())), prompt.c_str(),
                                    modeless ? &browser : nullptr);
            driver.Stop();
            if (!driver.failure.empty()) std::printf("STEP FAILED %s\n", driver.failure.c_str());
            std::printf("NETBrowseDirectory: %ld url=%s browser=%lu\n", r, url, static_cast<unsigned long>(browser));
        } else if (c.name == "add-host" || c.name == "trust-ca") {
            std::printf("%s: only on its own (the library is loaded)\n", c.name.c_str());
            r = 64;
        } else if (c.name == "close-browse-dir") {
            pNETCloseBrowseDirectory(reinterpret_cast<HWND>(static_cast<UINT_PTR>(browser)));
            std::printf("NETCloseBrowseDirectory: done\n");
        }
        std::fflush(stdout);
        last = static_cast<int>(r);
    }
    FreeLibrary(dll);
    if (dialogHook) UnhookWindowsHookEx(dialogHook);
    delete answerer;
    return last;
}
