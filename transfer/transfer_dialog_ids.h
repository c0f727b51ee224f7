#ifndef ORBNET_TRANSFER_TRANSFER_DIALOG_IDS_H
#define ORBNET_TRANSFER_TRANSFER_DIALOG_IDS_H

// The templates and controls of a transfer's windows: its progress window
// and the status dialog of a transfer by URL. Plain defines, read by the
// resource compiler as well as by C and C++.

// Progress window.
#define ORB_PROGRESS_TEMPLATE 103
#define ORB_PROGRESS_NAME 1000     // the remote name
#define ORB_PROGRESS_COUNT 1029    // the running byte count
#define ORB_PROGRESS_ACTION 1032   // receiving or sending
#define ORB_PROGRESS_PICTURE 1033  // owner-drawn bitmap
#define ORB_PROGRESS_BAR 1034      // where the bar goes, when the total is known
#define ORB_PROGRESS_PERCENT 1035  // "40%" beside it
#define ORB_PROGRESS_RATE 1036     // rate and time left

// Status of a transfer by URL.
#define ORB_STATUS_TEMPLATE 104
#define ORB_STATUS_SERVER 1000  // the server
#define ORB_STATUS_TEXT 1001    // what is being done

#endif
