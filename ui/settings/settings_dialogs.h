#ifndef ORBNET_UI_SETTINGS_SETTINGS_DIALOGS_H
#define ORBNET_UI_SETTINGS_SETTINGS_DIALOGS_H

#include <windows.h>
#include <cstdint>

#include "frame/core/text_buffer.h"
#include "ui/framework/dialog_object.h"
#include "ui/settings/settings_dialog_ids.h"

class ProxyList;

// A settings dialog with a picture of the library's own in ORB_SETTINGS_PICTURE.
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
// always ends with 0. What is typed over a shown proxy is stored, or asked
// about, under the name typed; Remove never asks.
class ProxyDialog : public PictureDialog {
public:
    explicit ProxyDialog(ProxyList* list);

    ProxyList* list;  // not owned
    TextBuffer selectedProxy;

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsExemptControl(int id) const override { return id == ORB_PROXY_PORT; }

private:
    // The name the form stands for: the box's text, unless the box already
    // shows the item chosen from its list (then what was typed before, or
    // the proxy shown). A name typed with a scheme or a ":port" is put back
    // as the name alone, its port into the port field.
    void PendingName(char* name, uint32_t size, const char* chosen);
    uint16_t FormPort();
    bool Changed(const char* name);
    // Asks whether to store the form under this name, and stores it on Yes.
    // False when Yes could not store it.
    bool StoreQuestion(bool asked, const char* name);
    void New(bool asked);
    void Store();
    // Stores the form under this name and selects it; false (after a message
    // when the name is too long) when nothing was stored.
    bool StoreAs(const char* name);
    void SelectName(const char* name);
    // Puts boxAgain_ back into the proxy box.
    void ShowBoxAgain();
    void ShowSelected(bool asked);
    void Remove();
    void Close();
    void FillNames();
    void ShowDefault();
    TextBuffer shownName_;  // the stored proxy the form shows; empty: none
    TextBuffer typedName_;  // the box's text as last typed
    TextBuffer boxAgain_;   // what the box shows again after a choice given up
    bool nameEdited_;       // typed since the dialog last filled the box
};

// Edits the FTP host list. Close asks about unstored changes and writes
// the list (end code 0); Cancel ends with 1 and writes nothing. What is
// typed over a shown host is stored, or asked about, under the description
// typed; Delete never asks.
class HostDialog : public PictureDialog {
public:
    HostDialog();

    TextBuffer selectedHost;

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool IsExemptControl(int id) const override {
        return id == ORB_HOST_DIRECTORY || id == ORB_HOST_NAME || id == ORB_HOST_USER ||
               id == ORB_HOST_ANONYMOUS_PASSWORD || id == ORB_HOST_PASSWORD;
    }

private:
    // False when a changed password was not confirmed: the user is back in
    // the password box.
    bool PasswordCheck();
    // The description the form stands for: the box's text, unless the box
    // already shows the item chosen from its list (then what was typed
    // before, or the host shown).
    void PendingDescription(char* description, uint32_t size, const char* chosen);
    // Whether storing the form under this description would change the list.
    bool Changed(const char* description);
    // Asks whether to store the form under this description, and stores it
    // on Yes. False when the user chose Cancel or the form was not stored.
    bool StoreQuestion(bool asked, const char* description);
    // Stores the form under this description and shows it in the box; false
    // (after a message when it is too long to keep) when nothing was stored.
    bool StoreForm(const char* description);
    // Selects the item of exactly that text, or the first item.
    void SelectDescription(const char* description);
    // Puts boxAgain_ back into the description box.
    void ShowBoxAgain();
    void SwitchLogin(bool fillVisit);
    void EnableProxyControls();
    void ShowProxyPort();
    void ShowEntry(bool asked);
    void Store();
    void New(bool asked);
    void Delete();
    void EditProxies();
    void Close();
    void FillDescriptions();
    void FillProxies();
    void Toggle(int id);
    bool checking_;               // a password check is under way
    TextBuffer shownDescription_; // the stored host the form shows; empty: none
    TextBuffer typedDescription_; // the box's text as last typed
    TextBuffer boxAgain_;         // what the box shows again after a choice given up
    bool descriptionEdited_;      // typed since the dialog last filled the box
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
