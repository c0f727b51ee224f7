#include "owner_window.h"

#include <algorithm>
#include <cstring>

namespace {

const char kClassName[] = "OrbTestOwnerWindow";
const char kProperty[] = "OrbTestOwnerWindow.this";
const size_t kMaxText = 64u * 1024u * 1024u;

// One message hook per thread, shared by its owner windows.
thread_local HHOOK threadHook = nullptr;
thread_local int threadHookUsers = 0;

bool TextCode(WPARAM code) { return code == 0 || code == 102 || code == 103 || code == 105; }

// Runs the message loop until done() holds or timeoutMs passed; done() is
// checked before each wait, so a condition already met returns at once.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return done();
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (done()) return true;
        }
        if (done()) return true;
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent, QS_ALLINPUT);
    }
}

}  // namespace

OwnerWindow::OwnerWindow() : window_(nullptr), waited_(0) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    window_ = CreateWindowExA(0, kClassName, "OrbNet test owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window_) SetPropA(window_, kProperty, this);
    if (threadHookUsers++ == 0)
        threadHook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
}

OwnerWindow::~OwnerWindow() {
    if (window_) {
        RemovePropA(window_, kProperty);
        DestroyWindow(window_);
    }
    if (--threadHookUsers == 0 && threadHook) {
        UnhookWindowsHookEx(threadHook);
        threadHook = nullptr;
    }
}

LRESULT CALLBACK OwnerWindow::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == kMessage && msg->hwnd) {
            OwnerWindow* self = static_cast<OwnerWindow*>(GetPropA(msg->hwnd, kProperty));
            if (self) self->taken_.push_back(Queued{msg->wParam, msg->lParam});
        }
    }
    return CallNextHookEx(threadHook, code, wParam, lParam);
}

LRESULT CALLBACK OwnerWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMessage) {
        OwnerWindow* self = static_cast<OwnerWindow*>(GetPropA(window, kProperty));
        if (self) self->Record(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void OwnerWindow::Record(WPARAM code, LPARAM lParam) {
    Note note{code, lParam, false, std::string(), false};
    // A posted note was seen by the hook on its way out of the queue; a send
    // from another thread is never in the queue.
    if (!InSendMessage()) {
        auto it = std::find_if(taken_.begin(), taken_.end(), [&](const Queued& q) {
            return q.code == code && q.lParam == lParam;
        });
        if (it != taken_.end()) {
            note.posted = true;
            taken_.erase(it);
        }
    }
    if (!note.posted && lParam != 0 && TextCode(code)) {
        const char* text = reinterpret_cast<const char*>(lParam);
        note.hasText = true;
        note.text.assign(text, strnlen(text, kMaxText));
        note.value = 0;
    }
    notes_.push_back(note);
}

bool OwnerWindow::WaitFor(WPARAM code, DWORD timeoutMs) {
    return WaitForAny({code}, timeoutMs, nullptr);
}

bool OwnerWindow::WaitForAny(std::initializer_list<WPARAM> codes, DWORD timeoutMs, WPARAM* which) {
    const std::vector<WPARAM> wanted(codes);
    return PumpUntil(
        [&]() {
            for (size_t i = waited_; i < notes_.size(); ++i) {
                if (std::find(wanted.begin(), wanted.end(), notes_[i].code) != wanted.end()) {
                    waited_ = i + 1;
                    if (which) *which = notes_[i].code;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
}

std::vector<WPARAM> OwnerWindow::Codes() const {
    std::vector<WPARAM> codes;
    for (const Note& note : notes_) codes.push_back(note.code);
    return codes;
}

void OwnerWindow::Clear() {
    notes_.clear();
    waited_ = 0;
}

void PumpFor(DWORD ms) {
    PumpUntil([]() { return false; }, ms);
}

bool OwnerWindow::Has(WPARAM code, LPARAM value) const {
    for (const Note& n : notes_)
        if (n.code == code && (value == -1 || n.value == value)) return true;
    return false;
}

namespace {
struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchOwnedDialog(HWND window, LPARAM param) {
    OwnedSearch* search = reinterpret_cast<OwnedSearch*>(param);
    char cls[16];
    GetClassNameA(window, cls, sizeof cls);
    if (GetWindow(window, GW_OWNER) == search->owner && std::string(cls) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindOwnedDialog(HWND owner) {
    OwnedSearch search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
