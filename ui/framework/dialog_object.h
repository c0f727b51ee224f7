#ifndef ORBNET_UI_FRAMEWORK_DIALOG_OBJECT_H
#define ORBNET_UI_FRAMEWORK_DIALOG_OBJECT_H

#include <windows.h>
#include <cstddef>
#include <cstdint>

#include "ui/framework/dialog_ids.h"

// Control ids of the note panel that many templates carry, and Help.
enum : int {
    kPanelFrame = ORB_PANEL_FRAME,
    kPanelTitle = ORB_PANEL_TITLE,
    kPanelBody = ORB_PANEL_BODY,
    kHelpButton = ORB_HELP_BUTTON,
};

// Dialog end codes.
enum : uint32_t { kEndOk = 0, kEndCancelled = 1, kEndFailed = 2, kEndNoHost = 4 };

// Base of every dialog of the library: names a template of the language
// module, owns the procedure that serves it and holds its window.
class DialogObject {
public:
    DialogObject();
    virtual ~DialogObject();
    DialogObject(const DialogObject&) = delete;
    DialogObject& operator=(const DialogObject&) = delete;

    // Runs the dialog modally; its end code (0xFFFF when it could not be made).
    uint16_t DoModal(HWND parent);
    // Creates the dialog modeless; 1 when the window exists.
    uint16_t CreateModeless(HWND parent);
    // Asks the host's help callback for help on helpId; its result, or 0.
    uint16_t RequestHelp();
    // Subclasses the note panel (once) and gives its title a bold font.
    void SetUpPanel();
    // Panel-related messages of the dialog window; true when handled.
    bool PanelHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);

    static DialogObject* FromWindow(HWND window);

    WNDPROC savedPanelProc;
    DLGPROC dialogProc;
    uint16_t templateId;
    HWND window;
    uint16_t modeless;
    uint16_t helpId;
    uint32_t endCode;
    HFONT titleFont;

protected:
    // The dialog's own initialisation, once its window exists.
    virtual void OnInitDialog() {}
    // The dialog's own handling of a message that the shared part left; the
    // dialog procedure's result.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Controls that the host must not subclass ("ORBDLG_FORCESUBCLASS").
    virtual bool IsExemptControl(int) const { return false; }

    // The procedure of every dialog: the shared prologue, then OnMessage.
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// The panel registry (panel window -> its dialog), module-wide.
void ReleasePanelRegistry();

#endif
