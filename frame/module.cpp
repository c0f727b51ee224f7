#include "frame/module.h"

#include "net/network.h"
#include "settings/settings.h"
#include "ui/filedialog/browse_directory.h"
#include "ui/framework/dialog_object.h"

HINSTANCE ModuleInstance = nullptr;
HMODULE ResourceModule = nullptr;
HelpCallbackProc HelpCallback = nullptr;
uint16_t InitCount = 0;
UINT HelpMessage = 0;
UINT ForceSubclassMessage = 0;
UINT SetFontMessage = 0;

void AttachModule(HINSTANCE instance) {
    ModuleInstance = instance;
    AttachSettings();
    HelpMessage = static_cast<uint16_t>(RegisterWindowMessageA("ORBDLG_HELP"));
    ForceSubclassMessage = static_cast<uint16_t>(RegisterWindowMessageA("ORBDLG_FORCESUBCLASS"));
    SetFontMessage = static_cast<uint16_t>(RegisterWindowMessageA("ORBDLG_SETFONT"));
}

void DetachModule(bool processEnding) {
    ReleaseBrowserRegistry(processEnding);
    DetachSettings();
    ReleasePanelRegistry();
    if (ResourceModule) {
        FreeLibrary(ResourceModule);
        ResourceModule = nullptr;
    }
    CloseProtocolLog();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) AttachModule(instance);
    else if (reason == DLL_PROCESS_DETACH) DetachModule(reserved != nullptr);
    return TRUE;
}
