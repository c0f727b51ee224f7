#include "transfer/progress_dialog.h"

#include <cstring>

#include "frame/module.h"
#include "frame/strings.h"
#include "net/command.h"
#include "net/handler_scope.h"

namespace {
constexpr uint16_t kProgressTemplate = 103;
constexpr uint16_t kProgressBitmap = 113;
// Windows waiting for their delay, by thread timer.
ProgressDialog* Scheduled = nullptr;
}  // namespace

ProgressDialog::ProgressDialog(Command* command)
    : command(command),
      bitmap(nullptr),
      lastShown(0),
      anyShown(0),
      timer_(0),
      parent_(nullptr),
      scheduledParent_(nullptr),
      actionId_(0),
      countFormat_(0),
      count_(0),
      nextScheduled_(nullptr) {
    templateId = kProgressTemplate;
    dialogProc = DialogProc;
    remoteName_[0] = '\0';
    bitmap = LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(kProgressBitmap));
}

ProgressDialog::~ProgressDialog() {
    if (timer_) {
        KillTimer(nullptr, timer_);
        for (ProgressDialog** p = &Scheduled; *p; p = &(*p)->nextScheduled_) {
            if (*p == this) {
                *p = nextScheduled_;
                break;
            }
        }
    }
    if (window && IsWindow(window)) {
        // The window goes before its owner is enabled again.
        SetWindowLongPtrA(window, DWLP_USER, 0);
        DestroyWindow(window);
        window = nullptr;
    }
    if (parent_) EnableWindow(parent_, TRUE);
    if (bitmap) DeleteObject(bitmap);
}

uint16_t ProgressDialog::Schedule(HWND parent, uint16_t actionId, const char* remoteName) {
    actionId_ = actionId;
    const char* name = remoteName ? remoteName : "";
    size_t n = strnlen(name, sizeof remoteName_ - 1);
    memcpy(remoteName_, name, n);
    remoteName_[n] = '\0';
    parent_ = nullptr;
    timer_ = SetTimer(nullptr, 0, kShowDelay, OnDelay);
    if (!timer_) return Open(parent, actionId, remoteName);
    nextScheduled_ = Scheduled;
    Scheduled = this;
    scheduledParent_ = parent;
    return 1;
}

void CALLBACK ProgressDialog::OnDelay(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    for (ProgressDialog** p = &Scheduled; *p; p = &(*p)->nextScheduled_) {
        ProgressDialog* dialog = *p;
        if (dialog->timer_ != timer) continue;
        *p = dialog->nextScheduled_;
        dialog->timer_ = 0;
        if (dialog->Open(dialog->scheduledParent_, dialog->actionId_, dialog->remoteName_) && dialog->countFormat_)
            dialog->ShowCount(dialog->countFormat_, dialog->count_, true);
        return;
    }
}

uint16_t ProgressDialog::Open(HWND parent, uint16_t actionId, const char* remoteName) {
    if (!CreateModeless(parent)) return 0;
    char action[kStringArraySize];
    LoadResourceString(actionId, action, sizeof action);
    SetDlgItemTextA(window, kProgressAction, action);
    SetDlgItemTextA(window, kProgressName, remoteName ? remoteName : "");
    ShowWindow(window, SW_SHOW);
    if (parent && IsWindowEnabled(parent)) {
        parent_ = parent;
        EnableWindow(parent, FALSE);
    }
    return 1;
}

void ProgressDialog::ShowCount(uint16_t formatId, uint32_t bytes, bool final) {
    countFormat_ = formatId;
    count_ = bytes;
    if (!window) return;
    DWORD now = GetTickCount();
    if (!final && anyShown && now - lastShown < kRepaintInterval) return;
    anyShown = 1;
    lastShown = now;
    TextBuffer text(64);
    AppendFormatted(text, formatId, 1, static_cast<unsigned long>(bytes));
    SetDlgItemTextA(window, kProgressCount, text.Text());
}

INT_PTR ProgressDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        endCode = kEndCancelled;
        // The command may close this window; nothing here is touched after.
        HandlerScope running;
        if (command) command->Finish();
        return TRUE;
    }
    if (message == WM_DRAWITEM && wParam == kProgressPicture) {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        if (bitmap) {
            BITMAP info;
            GetObjectA(bitmap, sizeof info, &info);
            HDC memory = CreateCompatibleDC(item->hDC);
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(item->hDC, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        return TRUE;
    }
    return FALSE;
}
