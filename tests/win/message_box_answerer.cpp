#include "message_box_answerer.h"

namespace {
MessageBoxAnswerer* current = nullptr;

bool IsMessageBox(HWND window) {
    char cls[16] = {0};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0) return false;
    // Message boxes carry their text in a static control with id 0xFFFF
    // (Windows) or 100 (Wine), and belong to no module of the caller.
    HWND text = GetDlgItem(window, 0xFFFF);
    if (!text) text = GetDlgItem(window, 100);
    if (!text) return false;
    HINSTANCE owner = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    return owner == nullptr || owner == GetModuleHandleA("user32.dll");
}

std::string WindowText(HWND window) {
    char text[4096];
    int n = GetWindowTextA(window, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}
}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(int button) : button_(button), delay_(0), hook_(nullptr) {
    current = this;
    hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (current == this) current = nullptr;
}

void MessageBoxAnswerer::Answer(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text) text = GetDlgItem(box, 100);
    int order[] = {button_, IDOK, IDCANCEL, IDNO};
    int pressed = 0;
    for (int id : order) {
        if (GetDlgItem(box, id)) {
            pressed = id;
            break;
        }
    }
    Box record{WindowText(box), WindowText(text), pressed};
    boxes.push_back(record);
    OnBox(record);
    if (!pressed) return;
    // The timer's id is the button to press.
    if (delay_ && SetTimer(box, static_cast<UINT_PTR>(pressed), delay_, Press)) return;
    Press(box, 0, static_cast<UINT_PTR>(pressed), 0);
}

void CALLBACK MessageBoxAnswerer::Press(HWND box, UINT, UINT_PTR button, DWORD) {
    KillTimer(box, button);
    int id = static_cast<int>(button);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

LRESULT CALLBACK MessageBoxAnswerer::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && current) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window)) current->Answer(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
