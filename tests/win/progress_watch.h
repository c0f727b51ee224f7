#ifndef ORBNET_TESTS_PROGRESS_WATCH_H
#define ORBNET_TESTS_PROGRESS_WATCH_H

// Watches the progress window of a transfer as a person would: what its
// count, share and rate lines say and where its bar stands, every few tens
// of milliseconds while it is up and once more as it goes.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "transfer/transfer_dialog_ids.h"

struct ProgressSample {
    std::string count, percent, rate;
    bool bar = false;
    int position = -1;
};

class ProgressWatch {
public:
    ProgressWatch() {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 40, OnTimer);
        hook_ = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    }
    ~ProgressWatch() {
        if (timer_) KillTimer(nullptr, timer_);
        if (hook_) UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }

    std::vector<ProgressSample> samples;  // while the window was up
    std::vector<ProgressSample> finals;   // each window as it was destroyed
    int windows = 0;

    // The bar's positions, each once, in the order seen.
    std::vector<int> Positions() const {
        std::vector<int> out;
        for (const ProgressSample& s : samples)
            if (s.bar && (out.empty() || out.back() != s.position)) out.push_back(s.position);
        return out;
    }
    bool AnyBar() const {
        for (const ProgressSample& s : samples)
            if (s.bar) return true;
        for (const ProgressSample& s : finals)
            if (s.bar) return true;
        return false;
    }
    // The first rate line seen that contains text, or "".
    std::string RateWith(const char* text) const {
        for (const ProgressSample& s : samples)
            if (s.rate.find(text) != std::string::npos) return s.rate;
        return "";
    }

private:
    static bool IsProgress(HWND window) {
        return GetDlgItem(window, ORB_PROGRESS_PICTURE) && GetDlgItem(window, ORB_PROGRESS_COUNT) &&
               GetDlgItem(window, ORB_PROGRESS_BAR);
    }
    static ProgressSample Read(HWND window) {
        ProgressSample s;
        char text[256];
        GetDlgItemTextA(window, ORB_PROGRESS_COUNT, text, sizeof text);
        s.count = text;
        GetDlgItemTextA(window, ORB_PROGRESS_PERCENT, text, sizeof text);
        s.percent = text;
        GetDlgItemTextA(window, ORB_PROGRESS_RATE, text, sizeof text);
        s.rate = text;
        HWND bar = GetDlgItem(window, ORB_PROGRESS_BAR);
        s.bar = IsWindowVisible(bar) != FALSE;
        s.position = int(SendMessageA(bar, PBM_GETPOS, 0, 0));
        return s;
    }
    static BOOL CALLBACK OnWindow(HWND window, LPARAM) {
        if (!IsProgress(window) || !IsWindowVisible(window)) return TRUE;
        if (window != current_->seen_) {
            current_->seen_ = window;
            ++current_->windows;
        }
        current_->samples.push_back(Read(window));
        return TRUE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (current_) EnumThreadWindows(GetCurrentThreadId(), OnWindow, 0);
    }
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_DESTROYWND && current_) {
            HWND window = reinterpret_cast<HWND>(wParam);
            if (IsProgress(window)) current_->finals.push_back(Read(window));
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline ProgressWatch* current_ = nullptr;
    UINT_PTR timer_ = 0;
    HHOOK hook_ = nullptr;
    HWND seen_ = nullptr;
};

#endif
