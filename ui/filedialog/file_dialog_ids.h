#ifndef ORBNET_UI_FILEDIALOG_FILE_DIALOG_IDS_H
#define ORBNET_UI_FILEDIALOG_FILE_DIALOG_IDS_H

// The Internet file dialog's templates (Open and Browse; Save As, which the
// directory browser shows too) and their controls. Plain defines, read by
// the resource compiler as well as by C and C++. The note panel and Help
// are in ui/framework/dialog_ids.h.

#define ORB_FD_OPEN_TEMPLATE 101
#define ORB_FD_SAVE_TEMPLATE 105

#define ORB_FD_HOST_LABEL 102        // "Host:"
#define ORB_FD_NAME_LABEL 103        // "File name:"
#define ORB_FD_NAME 1000             // edit: the file name or pattern typed
#define ORB_FD_ENTRIES 1001          // the entries that pass the pattern (owner-drawn)
#define ORB_FD_TYPES 1003            // the file types
#define ORB_FD_HOSTS 1004            // the hosts by description
#define ORB_FD_CONNECT 1005          // connect or disconnect
#define ORB_FD_LEVELS 1006           // the levels of the current directory (owner-drawn)
#define ORB_FD_EDIT_HOSTS 1009       // opens the host dialog
#define ORB_FD_DIRECTORY 1010        // the current directory, shortened to fit
#define ORB_FD_CONNECTION 1011       // connected or not
#define ORB_FD_STATUS 1012           // the status line
#define ORB_FD_RULE 1015             // Open: the line under the server choice
#define ORB_FD_BROWSE_NOTE 1015      // Save As: the directory browser's note
#define ORB_FD_HOST_NAMES 1016       // the same hosts by host name
#define ORB_FD_USE_PROXY 1021        // fetch through a World Wide Web proxy
#define ORB_FD_PROXY_PORT 1023
#define ORB_FD_SERVER_LABEL 1024     // "Server:"
#define ORB_FD_ALL_ENTRIES 1025      // hidden: every entry, item data its raw line
#define ORB_FD_TYPE_EXTENSIONS 1027  // hidden: the extensions of each file type
#define ORB_FD_RAW_LINES 1028        // hidden: the raw listing lines
#define ORB_FD_ACTION 1032           // Open, Save, OK or Create
#define ORB_FD_BANNER 1033           // owner-drawn banner
#define ORB_FD_FTP 1034              // radio button: FTP
#define ORB_FD_WEB 1035              // radio button: World Wide Web
#define ORB_FD_URL 1036              // the address, with the URL history
#define ORB_FD_GLOBE 1038            // owner-drawn: connected or not
#define ORB_FD_NEW_FOLDER 1040       // owner-drawn button
#define ORB_FD_BY_DESCRIPTION 1053   // list hosts by description
#define ORB_FD_PROXY_LABEL 1056      // "Proxy:"
#define ORB_FD_PORT_LABEL 1057       // "Port:"
#define ORB_FD_PROXIES 1059          // the World Wide Web proxies by name
#define ORB_FD_EDIT_PROXIES 1061     // opens the proxy dialog
#define ORB_FD_SAVE_WEB_LABEL 1062   // Save As: a World Wide Web label, never shown
#define ORB_FD_URL_LABEL 1063        // "Address:"
#define ORB_FD_PROXY_NOTE 1064       // what a proxy is for
#define ORB_FD_TYPES_LABEL 1066      // "Files of type:"
#define ORB_FD_GRAPHICS 1069         // Save As: save the page's graphics too
#define ORB_FD_UP 1070               // owner-drawn button: up one level
#define ORB_FD_STATUS_LABEL 1071     // "Status:"
#define ORB_FD_FOLDER_EDIT 2000      // made at run time: a new folder's name

#endif
