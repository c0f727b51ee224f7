#ifndef ORBNET_TRANSFER_PROGRESS_DIALOG_H
#define ORBNET_TRANSFER_PROGRESS_DIALOG_H

#include <windows.h>
#include <cstdint>

#include "transfer/core/progress_text.h"
#include "transfer/transfer_dialog_ids.h"
#include "ui/framework/dialog_object.h"

class Command;

// Control ids of the progress window.
enum : int {
    kProgressName = ORB_PROGRESS_NAME,        // the remote name
    kProgressCount = ORB_PROGRESS_COUNT,      // the running byte count
    kProgressAction = ORB_PROGRESS_ACTION,    // receiving or sending
    kProgressPicture = ORB_PROGRESS_PICTURE,  // owner-drawn bitmap 113
    kProgressBar = ORB_PROGRESS_BAR,          // share done, when the total is known
    kProgressPercent = ORB_PROGRESS_PERCENT,  // "40%" beside it
    kProgressRate = ORB_PROGRESS_RATE,        // rate and time left
};

// The modeless window of a running transfer. Its Cancel button calls the
// owning command's Finish, which asks whether to cancel.
class ProgressDialog : public DialogObject {
public:
    explicit ProgressDialog(Command* command);
    ~ProgressDialog() override;

    // Arranges for the window to appear under parent once the transfer has
    // run for kShowDelay ms (a short transfer shows no window): it then
    // shows what is being done (string actionId), the remote name and the
    // count so far, and disables parent for as long as it exists. 1 when
    // arranged (or, without a timer, the window made at once).
    uint16_t Schedule(HWND parent, uint16_t actionId, const char* remoteName);
    // Makes the window now; 1 when it exists.
    uint16_t Open(HWND parent, uint16_t actionId, const char* remoteName);
    // The bytes moved so far, formatId saying which way (770 received, 774
    // sent): the count, readable, with the total, share, rate and time left
    // when they are known. Repainted at most every kRepaintInterval ms while
    // a transfer runs, always when final is set.
    void ShowCount(uint16_t formatId, uint64_t bytes, bool final = false);
    // The size of the whole file, kNoTotal when not known; shown from the
    // next count on.
    void SetTotal(uint64_t total);

    static constexpr DWORD kRepaintInterval = 100;
    static constexpr UINT kShowDelay = 250;
    // The rate and time left are refreshed this often even when no bytes
    // come (a stalled transfer slows down in the window).
    static constexpr UINT kRefreshInterval = 500;

    Command* command;  // not owned: the command owns this window
    HBITMAP bitmap;
    DWORD lastShown;     // tick count of the last repaint
    uint16_t anyShown;   // a count has been shown

private:
    static void CALLBACK OnDelay(HWND, UINT, UINT_PTR timer, DWORD);

    UINT_PTR timer_;         // thread timer of a scheduled window, or 0
    HWND parent_;            // disabled by this window while it exists
    HWND scheduledParent_;
    uint16_t actionId_;
    char remoteName_[MAX_PATH];
    uint16_t countFormat_;   // the count to show when the window appears
    uint64_t count_;
    uint64_t total_;
    ProgressDialog* nextScheduled_;
    TransferMeter meter_;
    // The texts of the language module, loaded at the first repaint for the
    // direction of the count.
    enum { kWordCount = 16, kWordSize = 64 };
    char words_[kWordCount][kWordSize];
    uint16_t wordsFor_;      // the count format the texts were loaded for
    ProgressWords shownWords_;
    uint16_t barShown_;

    void LoadWords(uint16_t formatId);
    void Repaint();

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

#endif
