#include "net/handler_scope.h"

namespace {

unsigned Depth = 0;

struct WaitingPost {
    HWND window;
    UINT message;
};
constexpr int kMaxWaiting = 64;
WaitingPost Waiting[kMaxWaiting];
int WaitingCount = 0;

void PostWaiting() {
    // Posting runs no code of ours, so the list cannot change meanwhile.
    for (int i = 0; i < WaitingCount; ++i) PostMessageA(Waiting[i].window, Waiting[i].message, 0, 0);
    WaitingCount = 0;
}

}  // namespace

HandlerScope::HandlerScope() { ++Depth; }

HandlerScope::~HandlerScope() {
    if (--Depth == 0) PostWaiting();
}

bool HandlerRunning() { return Depth != 0; }
unsigned HandlerDepth() { return Depth; }

void PostWhenIdle(HWND window, UINT message) {
    if (Depth == 0) {
        PostMessageA(window, message, 0, 0);
        return;
    }
    for (int i = 0; i < WaitingCount; ++i)
        if (Waiting[i].window == window && Waiting[i].message == message) return;
    if (WaitingCount == kMaxWaiting) {
        // Full: the receiver checks HandlerRunning and asks again.
        PostMessageA(window, message, 0, 0);
        return;
    }
    Waiting[WaitingCount++] = WaitingPost{window, message};
}
