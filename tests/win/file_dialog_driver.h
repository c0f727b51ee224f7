#ifndef ORBNET_TESTS_FILE_DIALOG_DRIVER_H
#define ORBNET_TESTS_FILE_DIALOG_DRIVER_H

// Works the library's Internet file dialog and its settings dialogs as a
// person would, one step at a time, while the export that showed them
// waits: clicks buttons, chooses from lists, types into fields. Steps get
// the dialog activated last (a dialog opened from another takes over, and
// hands back when it closes). Each step runs on a timer until it says it is
// done; a step that is not done in time ends the dialog (result 99) and
// names itself in `failure`. The password prompt is answered too.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/filedialog/file_dialog_ids.h"
#include "ui/filedialog/password_prompt_ids.h"
#include "ui/framework/dialog_ids.h"
#include "ui/settings/settings_dialog_ids.h"

class FileDialogDriver {
public:
    using Step = std::function<bool(HWND dialog)>;

    FileDialogDriver();
    ~FileDialogDriver();

    void Add(const std::string& label, Step step);
    // Starts watching for the dialog (this thread); Stop ends it.
    void Start();
    void Stop();

    std::string password = "secret";
    int passwordButton = IDOK;
    std::vector<std::string> prompts;  // title "|" text of each password prompt
    std::string failure;               // the step that did not finish
    DWORD stepTimeout = 20000;
    HWND dialog = nullptr;             // the file dialog, once it is up

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Tick(HWND window, UINT, UINT_PTR, DWORD);
    void RunStep();

    struct Entry {
        std::string label;
        Step step;
    };
    std::vector<Entry> steps_;
    size_t next_ = 0;
    DWORD stepStart_ = 0;
    bool busy_ = false;
    HHOOK hook_ = nullptr;
};

// Which dialog it is.
bool IsFileDialog(HWND window);  // the file dialog or the directory browser
bool IsOptionsDialog(HWND window);
bool IsHostDialog(HWND window);
bool IsProxyDialog(HWND window);

// What the dialog shows.
std::string ItemText(HWND dialog, int id);
// The entries of the file list (ORB_FD_ENTRIES), names without their marker byte.
std::vector<std::string> ShownEntries(HWND dialog);
bool HasEntry(HWND dialog, const std::string& name);
// The conversation rests: connected, nothing under way (status line empty).
bool Connected(HWND dialog);
bool Enabled(HWND dialog, int id);

// What a person does.
void Click(HWND dialog, int id);
// Clicks once the step has returned: for a button that opens another
// dialog, whose steps could not run while this one waits in it.
void ClickLater(HWND dialog, int id);
// Chooses the item of a combo box that begins with text, as the keyboard
// does (the list stays closed); false when none.
bool Choose(HWND dialog, int id, const std::string& text);
// The same with the mouse: the list is dropped down, the item chosen in it
// (its selection change comes while the list is open), then closed.
bool Pick(HWND dialog, int id, const std::string& text);
// The item at that position (0 first), with the mouse.
bool PickAt(HWND dialog, int id, int at);
void Type(HWND dialog, int id, const std::string& text);
// Selects the file list's entry of that name (a single click).
bool SelectEntry(HWND dialog, const std::string& name);
// Double-clicks it.
bool OpenEntry(HWND dialog, const std::string& name);

#endif
