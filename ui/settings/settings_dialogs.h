#ifndef ORBNET_UI_SETTINGS_SETTINGS_DIALOGS_H
#define ORBNET_UI_SETTINGS_SETTINGS_DIALOGS_H

#include <windows.h>
#include <cstdint>

#include "frame/text_buffer.h"
#include "ui/framework/dialog_object.h"

class ProxyList;

// A settings dialog with a picture of the library's own in control 1033.
class PictureDialog : public DialogObject {
public:
    explicit PictureDialog(uint16_t pictureId);
    ~PictureDialog() override;

protected:
    // Draws the picture; true when the request was for it.
    bool DrawPicture(LPARAM drawItem);
    // A message box captioned with the dialog's title.
    int Ask(const char* text, UINT style);
    HBITMAP picture_;
};

// Edits one proxy list (FTP or World Wide Web). Close and Cancel both ask
// about unstored changes and write the list to the registry; the dialog
// always ends with 0.
class ProxyDialog : public PictureDialog {
public:
    explicit ProxyDialog(ProxyList* list);

    ProxyList* list;  // not owned
    TextBuffer selectedProxy;

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsExemptControl(int id) const override { return id == 1023; }

private:
    // The name whose values the form shows: the box's text may already
    // name the proxy being chosen from its list.
    void FormName(char* name, uint32_t size);
    bool Changed();
    void StoreQuestion(bool asked);
    void New();
    void Store();
    void StoreAs(const char* typed);
    void ShowSelected(bool asked);
    void Remove();
    void Close();
    void FillNames();
    void ShowDefault();
    TextBuffer shownName_;  // the stored proxy the form shows; empty: a new one
};

// Edits the FTP host list. Close asks about unstored changes and writes
// the list (end code 0); Cancel ends with 1 and writes nothing.
class HostDialog : public PictureDialog {
public:
    HostDialog();

    TextBuffer selectedHost;

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsExemptControl(int id) const override {
        return id == 1010 || id == 1011 || id == 1017 || id == 1018 || id == 1027;
    }

private:
    // False when a changed password was not confirmed: the user is back in
    // the password box.
    bool PasswordCheck();
    // The description whose values the form shows (see ProxyDialog).
    void FormDescription(char* description, uint32_t size);
    bool Changed();
    // False when the user chose Cancel.
    bool StoreQuestion(bool asked);
    void SwitchLogin(bool fillVisit);
    void EnableProxyControls();
    void ShowProxyPort();
    void ShowEntry(bool asked);
    void Store();
    void New();
    void Delete();
    void EditProxies();
    void Close();
    void FillDescriptions();
    void FillProxies();
    void Toggle(int id);
    bool checking_;               // a password check is under way
    TextBuffer shownDescription_; // the stored host the form shows; empty: a new one
};

// The preferences: the hosts the file dialogs preselect, connecting at
// once, recording opened documents. OK (0) saves them, Cancel (1) does not.
class OptionsDialog : public PictureDialog {
public:
    OptionsDialog();

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FillHosts();
    void Ok();
    void EditHosts();
};

#endif
