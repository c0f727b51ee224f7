#ifndef ORBNET_FRAME_MODULE_H
#define ORBNET_FRAME_MODULE_H

#include <windows.h>
#include <cstdint>

// Host help callback: one 32-bit argument, callee pops it, 16-bit result.
typedef unsigned short (WINAPI *HelpCallbackProc)(DWORD helpId);

// Module-wide state of the library.
extern HINSTANCE ModuleInstance;
extern HMODULE ResourceModule;
extern HelpCallbackProc HelpCallback;
extern uint16_t InitCount;
extern UINT HelpMessage;            // "ORBDLG_HELP"
extern UINT ForceSubclassMessage;   // "ORBDLG_FORCESUBCLASS"
extern UINT SetFontMessage;         // "ORBDLG_SETFONT"

// Process attach and detach, in the library's fixed order.
void AttachModule(HINSTANCE instance);
// processEnding: the process exits (its windows and sockets go with it).
void DetachModule(bool processEnding);

#endif
