#ifndef ORBNET_UI_FILEDIALOG_BROWSE_DIRECTORY_H
#define ORBNET_UI_FILEDIALOG_BROWSE_DIRECTORY_H

#include <windows.h>
#include <cstdint>

#include "frame/core/text_buffer.h"
#include "ui/filedialog/file_dialog.h"

// The remote directory browser: the file dialog showing directories only,
// whose action returns the URL of the current directory. Modal, or a
// modeless window that lives across calls and keeps its connection.
class BrowseDirectoryDialog : public FileDialog {
public:
    BrowseDirectoryDialog(const char* startUrl, uint16_t hostChoice, const char* prompt, uint16_t modeless);
    ~BrowseDirectoryDialog() override;

    void Initialize() override;
    void Cancel() override;
    void Finish() override;
    void Activate() override;
    void FtpAction() override { ChooseDirectory(); }
    void ChooseDirectory();
    // A new modeless run: the prompt shown, a fixed host connected again
    // when its connection was lost meanwhile.
    void BeginRun(const char* prompt);

    TextBuffer promptText;
    uint16_t hostChoice;
    uint16_t modelessRun;
    uint16_t done;
    uint16_t closing;
    uint16_t running;  // its modeless loop is on the stack

protected:
    void StartDirectory(TextBuffer& directory) override;
    void RunEnded() override { done = 1; }

private:
    TextBuffer startDirectory_;  // the start URL's path
};

// Open modeless browsers, module-wide: each window at most once.
void RegisterBrowser(BrowseDirectoryDialog* browser, HWND parent);
BrowseDirectoryDialog* FindBrowser(HWND window);
// Cancels the browser (its connection says QUIT), drops it from the
// registry and, unless its run is under way, destroys it.
void CloseBrowser(HWND window);
void CloseAllBrowsers();
// At detach: whatever is still registered goes; when the process is
// ending only the nodes (its windows and sockets go with it).
void ReleaseBrowserRegistry(bool processEnding);

// The two exports' work.
LONG BrowseDirectory(HWND parent, char* url, WORD urlSize, const char* startUrl, WORD hostChoice, const char* prompt,
                     DWORD* browserHandle);

#endif
