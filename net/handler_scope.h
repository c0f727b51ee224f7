#ifndef ORBNET_NET_HANDLER_SCOPE_H
#define ORBNET_NET_HANDLER_SCOPE_H

#include <windows.h>

// The library's socket and transfer code that runs from one message is on
// the stack for as long as a HandlerScope made at its entry lives. A modal
// loop inside it (a message box, the Cancel question) dispatches other
// messages meanwhile; none of them may delete a session, chain, command or
// data socket whose code is below. Dialogs therefore do such work through
// PostWhenIdle and check HandlerRunning when the message arrives.
class HandlerScope {
public:
    HandlerScope();
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
};

// True while any HandlerScope lives; how many do.
bool HandlerRunning();
unsigned HandlerDepth();

// Posts the message now when no handler is running, else as soon as the
// outermost one has returned. A message already waiting for the same window
// is not queued twice.
void PostWhenIdle(HWND window, UINT message);

#endif
