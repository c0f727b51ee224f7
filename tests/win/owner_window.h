#ifndef ORBNET_TESTS_OWNER_WINDOW_H
#define ORBNET_TESTS_OWNER_WINDOW_H

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

// A hidden top-level window that stands in for a session's owner dialog: it
// records every notification (message 1124) it receives, in order.
//
// A text is copied only from a message that was sent (its pointer is valid
// during the call only) with a nonzero lParam and code 0, 102, 103 or 105;
// every other notification keeps its lParam as value. Whether a message was
// posted is told by a message hook that sees each posted 1124 being taken
// from this thread's queue, by whichever message loop takes it.
class OwnerWindow {
public:
    static const UINT kMessage = WM_USER + 100;

    struct Note {
        WPARAM code;
        LPARAM value;      // lParam when no text was read, else 0
        bool hasText;
        std::string text;  // copy of the text sent with the note
        bool posted;       // taken from the queue (PostMessage), else sent
    };

    OwnerWindow();  // on the thread that runs the conversation
    virtual ~OwnerWindow();

    HWND Handle() const { return window_; }

    // Pumps this thread's messages until a note with the code arrives, at most
    // timeoutMs. Each wait starts after the note the previous wait matched, so
    // successive waits for the same code see successive notes; a note that
    // arrived before the call counts. False on timeout.
    bool WaitFor(WPARAM code, DWORD timeoutMs);
    // As WaitFor, for the first note with any of the codes; *which gets it.
    bool WaitForAny(std::initializer_list<WPARAM> codes, DWORD timeoutMs, WPARAM* which = nullptr);

    const std::vector<Note>& Notes() const { return notes_; }
    // A note with the code (and the value, unless value is -1) has arrived.
    bool Has(WPARAM code, LPARAM value = -1) const;
    // Codes of the notes so far, in order.
    std::vector<WPARAM> Codes() const;
    // Forgets every note and restarts the waits.
    void Clear();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);
    void Record(WPARAM code, LPARAM lParam);

    HWND window_;
    std::vector<Note> notes_;
    size_t waited_;  // notes before this index were passed by earlier waits
    struct Queued {
        WPARAM code;
        LPARAM lParam;
    };
    std::vector<Queued> taken_;  // posted notes taken from the queue, not yet handled
};

// Runs this thread's message loop for ms milliseconds.
void PumpFor(DWORD ms);

// A dialog of this thread owned by owner (such as a progress window), or null.
HWND FindOwnedDialog(HWND owner);

#endif
