#include "transfer/progress_dialog.h"

#include "frame/module.h"
#include "frame/strings.h"
#include "net/command.h"

namespace {
constexpr uint16_t kProgressTemplate = 103;
constexpr uint16_t kProgressBitmap = 113;
constexpr UINT_PTR kShowTimer = 0x4F52;
}  // namespace

ProgressDialog::ProgressDialog(Command* command) : command(command), bitmap(nullptr), lastShown(0), anyShown(0) {
    templateId = kProgressTemplate;
    dialogProc = DialogProc;
    bitmap = LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(kProgressBitmap));
}

ProgressDialog::~ProgressDialog() {
    if (bitmap) DeleteObject(bitmap);
}

uint16_t ProgressDialog::Open(HWND parent, uint16_t actionId, const char* remoteName) {
    if (!CreateModeless(parent)) return 0;
    char action[kStringArraySize];
    LoadResourceString(actionId, action, sizeof action);
    SetDlgItemTextA(window, kProgressAction, action);
    SetDlgItemTextA(window, kProgressName, remoteName ? remoteName : "");
    if (!SetTimer(window, kShowTimer, kShowDelay, nullptr)) ShowWindow(window, SW_SHOW);
    return 1;
}

void ProgressDialog::ShowCount(uint16_t formatId, uint32_t bytes, bool final) {
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
    if (message == WM_TIMER && wParam == kShowTimer) {
        KillTimer(window, kShowTimer);
        ShowWindow(window, SW_SHOW);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        endCode = kEndCancelled;
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
