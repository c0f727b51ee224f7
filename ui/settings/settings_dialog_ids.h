#ifndef ORBNET_UI_SETTINGS_SETTINGS_DIALOG_IDS_H
#define ORBNET_UI_SETTINGS_SETTINGS_DIALOG_IDS_H

// The settings dialogs' templates and controls: Options, the FTP hosts and
// the proxies. Plain defines, read by the resource compiler as well as by C
// and C++. One number names different controls in different dialogs, so
// each dialog's ids carry its own prefix. The note panel and Help are in
// ui/framework/dialog_ids.h.

#define ORB_SETTINGS_PICTURE 1033  // each dialog's owner-drawn picture

// Options.
#define ORB_OPTIONS_TEMPLATE 106
#define ORB_OPTIONS_AUTO_OPEN 1046   // connect when the Open dialog appears
#define ORB_OPTIONS_OPEN_HOST 1047
#define ORB_OPTIONS_AUTO_SAVE 1048   // connect when the Save As dialog appears
#define ORB_OPTIONS_SAVE_HOST 1049
#define ORB_OPTIONS_RECORD_OPEN 1050 // record the documents opened
#define ORB_OPTIONS_EDIT_HOSTS 1051  // opens the host dialog

// FTP hosts.
#define ORB_HOST_TEMPLATE 102
#define ORB_HOST_PROXY_LABEL 104          // "Proxy:"
#define ORB_HOST_DESCRIPTION 1004
#define ORB_HOST_CLOSE 1007
#define ORB_HOST_DIRECTORY 1010
#define ORB_HOST_NAME 1011
#define ORB_HOST_NEW 1013
#define ORB_HOST_DELETE 1014
#define ORB_HOST_STORE 1015
#define ORB_HOST_USER 1017
#define ORB_HOST_ANONYMOUS_PASSWORD 1018  // the e-mail address of an anonymous login
#define ORB_HOST_ANONYMOUS 1019           // check box: anonymous login
#define ORB_HOST_ANONYMOUS_USER 1020      // "anonymous", where the user would be
#define ORB_HOST_USE_PROXY 1021
#define ORB_HOST_PASSWORD_LABEL 1022      // "Password:"
#define ORB_HOST_PROXY_PORT 1023
#define ORB_HOST_EMAIL_LABEL 1024         // "E-mail:"
#define ORB_HOST_PASSIVE 1025
#define ORB_HOST_PASSWORD 1027
#define ORB_HOST_STORE_PASSWORDS 1039
#define ORB_HOST_PROXY 1059
#define ORB_HOST_EDIT_PROXIES 1061        // opens the proxy dialog
#define ORB_HOST_PORT_LABEL 1067          // "Port:"
#define ORB_HOST_PROXY_NOTE 1068          // what the proxy does with the login

// Proxies of one kind.
#define ORB_PROXY_TEMPLATE 1019
#define ORB_PROXY_CLOSE 1007
#define ORB_PROXY_NEW 1013
#define ORB_PROXY_REMOVE 1014
#define ORB_PROXY_STORE 1015
#define ORB_PROXY_PORT 1023
#define ORB_PROXY_NAME 1059
#define ORB_PROXY_IS_DEFAULT 1063    // check box: the list's default proxy
#define ORB_PROXY_DEFAULT_SHOWN 1065 // the name of the default proxy

#endif
