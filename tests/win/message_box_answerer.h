#ifndef ORBNET_TESTS_MESSAGE_BOX_ANSWERER_H
#define ORBNET_TESTS_MESSAGE_BOX_ANSWERER_H

#include <windows.h>

#include <string>
#include <vector>

// Answers every message box that this thread shows with a chosen button (as a
// person would click it) and records its caption and text. One at a time.
class MessageBoxAnswerer {
public:
    struct Box {
        std::string caption;
        std::string text;
        int pressed;
    };

    // button: IDOK, IDCANCEL, IDYES or IDNO; when the box lacks it, the box's
    // OK (else Cancel, else No) button is pressed instead.
    explicit MessageBoxAnswerer(int button);
    virtual ~MessageBoxAnswerer();

    void SetButton(int button) { button_ = button; }
    // Leaves each box up for this long before pressing (0: at once), as a
    // person who reads it first would.
    void SetDelay(UINT milliseconds) { delay_ = milliseconds; }
    // Called for each box answered (after it was recorded).
    virtual void OnBox(const Box&) {}

    std::vector<Box> boxes;

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Press(HWND box, UINT, UINT_PTR button, DWORD);
    void Answer(HWND box);

    int button_;
    UINT delay_;
    HHOOK hook_;
};

#endif
