#include "transfer/progress_dialog.h"

#include <commctrl.h>

#include <cstring>

#include "frame/module.h"
#include "frame/core/string_ids.h"
#include "frame/strings.h"
#include "net/command.h"
#include "net/handler_scope.h"

namespace {
constexpr uint16_t kProgressTemplate = ORB_PROGRESS_TEMPLATE;
constexpr uint16_t kProgressBitmap = 113;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr int kBarScale = 1000;
// Windows waiting for their delay, by thread timer.
ProgressDialog* Scheduled = nullptr;

// The bar is the platform's progress control. Its library is loaded when
// the first window needs it, not with this one: a host that never shows a
// transfer does not pay for it, and without it the window has no bar.
bool BarClassReady() {
    static int state = 0;  // 0 not tried, 1 ready, 2 not available
    if (state) return state == 1;
    state = 2;
    HMODULE controls = LoadLibraryA("comctl32.dll");
    if (!controls) return false;
    typedef BOOL(WINAPI * InitProc)(const INITCOMMONCONTROLSEX*);
    InitProc init = reinterpret_cast<InitProc>(reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    if (init && init(&classes)) state = 1;
    return state == 1;
}

// Puts the progress control where the template's placeholder is, with its
// id; hidden until a total is known. Without the control, no bar.
void PlaceBar(HWND window) {
    HWND placeholder = GetDlgItem(window, kProgressBar);
    if (!placeholder) return;
    RECT place;
    GetWindowRect(placeholder, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    DestroyWindow(placeholder);
    if (!BarClassReady()) return;
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_BORDER | PBS_SMOOTH, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBar)), ModuleInstance, nullptr);
    if (bar) SendMessageA(bar, PBM_SETRANGE32, 0, kBarScale);
}

void SetItemTextIfChanged(HWND window, int id, const char* text) {
    char shown[256] = "";
    GetDlgItemTextA(window, id, shown, sizeof shown);
    if (std::strcmp(shown, text) == 0) return;
    SetDlgItemTextA(window, id, text);
}
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
      total_(kNoTotal),
      nextScheduled_(nullptr),
      wordsFor_(0),
      shownWords_(),
      barShown_(0) {
    templateId = kProgressTemplate;
    dialogProc = DialogProc;
    remoteName_[0] = '\0';
    std::memset(words_, 0, sizeof words_);
    // The transfer starts with its window object.
    meter_.Begin(GetTickCount());
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
            dialog->Repaint();
        return;
    }
}

uint16_t ProgressDialog::Open(HWND parent, uint16_t actionId, const char* remoteName) {
    if (!CreateModeless(parent)) return 0;
    PlaceBar(window);
    SetTimer(window, kRefreshTimer, kRefreshInterval, nullptr);
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

void ProgressDialog::ShowCount(uint16_t formatId, uint64_t bytes, bool final) {
    countFormat_ = formatId;
    count_ = bytes;
    DWORD now = GetTickCount();
    meter_.Note(now, bytes);
    if (!window) return;
    if (!final && anyShown && now - lastShown < kRepaintInterval) return;
    Repaint();
}

void ProgressDialog::SetTotal(uint64_t total) { total_ = total; }

void ProgressDialog::LoadWords(uint16_t formatId) {
    ProgressWords& w = shownWords_;
    const uint16_t alone = formatId == kMsgBytesSent ? kMsgSentReadable : kMsgReceivedReadable;
    const struct {
        const char** slot;
        uint16_t id;
    } texts[kWordCount] = {
        {&w.units[0], kMsgSizeBytes},     {&w.units[1], kMsgSizeKilobytes},   {&w.units[2], kMsgSizeMegabytes},
        {&w.units[3], kMsgSizeGigabytes}, {&w.units[4], kMsgSizeTerabytes},   {&w.decimalPoint, kMsgDecimalPoint},
        {&w.countOf, kMsgCountOfTotal},   {&w.countAlone, alone},             {&w.exactCount, formatId},
        {&w.percent, kMsgPercent},        {&w.rate, kMsgRate},                {&w.rateAndLeft, kMsgRateAndLeft},
        {&w.seconds, kMsgSeconds},        {&w.minutesSeconds, kMsgMinutesSeconds}, {&w.minutes, kMsgMinutes},
        {&w.hoursMinutes, kMsgHoursMinutes}};
    for (int i = 0; i < kWordCount; ++i) {
        words_[i][0] = '\0';
        LoadResourceString(texts[i].id, words_[i], kWordSize);
        *texts[i].slot = words_[i];
    }
    wordsFor_ = formatId;
}

void ProgressDialog::Repaint() {
    if (!window || !countFormat_) return;
    if (wordsFor_ != countFormat_) LoadWords(countFormat_);
    DWORD now = GetTickCount();
    anyShown = 1;
    lastShown = now;
    ProgressFacts facts = {count_, total_, false, 0, false, 0};
    facts.hasRate = meter_.Rate(now, &facts.rate);
    facts.hasLeft = meter_.SecondsLeft(now, total_, &facts.secondsLeft);
    ProgressLines lines;
    ComposeProgress(facts, shownWords_, &lines);
    SetItemTextIfChanged(window, kProgressCount, lines.count);
    SetItemTextIfChanged(window, kProgressPercent, lines.percent);
    SetItemTextIfChanged(window, kProgressRate, lines.rate);
    HWND bar = GetDlgItem(window, kProgressBar);
    if (!bar) return;
    if (lines.bar) SendMessageA(bar, PBM_SETPOS, lines.permille, 0);
    if (barShown_ != uint16_t(lines.bar)) {
        barShown_ = lines.bar;
        ShowWindow(bar, lines.bar ? SW_SHOWNA : SW_HIDE);
    }
}

INT_PTR ProgressDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        endCode = kEndCancelled;
        // The command may close this window; nothing here is touched after.
        HandlerScope running;
        if (command) command->Finish();
        return TRUE;
    }
    if (message == WM_TIMER && wParam == kRefreshTimer) {
        if (GetTickCount() - lastShown >= kRepaintInterval) Repaint();
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
