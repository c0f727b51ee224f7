#ifndef ORBNET_TRANSFER_PROGRESS_DIALOG_H
#define ORBNET_TRANSFER_PROGRESS_DIALOG_H

#include <windows.h>
#include <cstdint>

#include "ui/framework/dialog_object.h"

class Command;

// Control ids of the progress window (template 103).
enum : int {
    kProgressName = 1000,     // the remote name
    kProgressCount = 1029,    // the running byte count
    kProgressAction = 1032,   // receiving or sending
    kProgressPicture = 1033,  // owner-drawn bitmap 113
};

// The modeless window of a running transfer. Its Cancel button calls the
// owning command's Finish, which asks whether to cancel.
class ProgressDialog : public DialogObject {
public:
    explicit ProgressDialog(Command* command);
    ~ProgressDialog() override;

    // Creates the window under parent and fills in what is being done
    // (string actionId) and the remote name; 1 when the window exists. It
    // shows itself once the transfer has run for kShowDelay ms, so that a
    // short transfer does not flash a window.
    uint16_t Open(HWND parent, uint16_t actionId, const char* remoteName);
    // Shows string formatId formatted with the byte count: at most every
    // kRepaintInterval ms while a transfer runs, always when final is set.
    void ShowCount(uint16_t formatId, uint32_t bytes, bool final = false);

    static constexpr DWORD kRepaintInterval = 100;
    static constexpr UINT kShowDelay = 250;

    Command* command;  // not owned: the command owns this window
    HBITMAP bitmap;
    DWORD lastShown;     // tick count of the last repaint
    uint16_t anyShown;   // a count has been shown

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

#endif
