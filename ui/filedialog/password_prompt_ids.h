#ifndef ORBNET_UI_FILEDIALOG_PASSWORD_PROMPT_IDS_H
#define ORBNET_UI_FILEDIALOG_PASSWORD_PROMPT_IDS_H

// The password prompt's template and controls. Plain defines, read by the
// resource compiler as well as by C and C++. The note panel and Help are in
// ui/framework/dialog_ids.h.

#define ORB_PASSWORD_TEMPLATE 1018

#define ORB_PASSWORD_EDIT 1018  // the password typed
#define ORB_PASSWORD_TEXT 1053  // what is asked, and for which host

#endif
