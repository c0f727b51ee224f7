#ifndef ORBNET_UI_FRAMEWORK_DIALOG_IDS_H
#define ORBNET_UI_FRAMEWORK_DIALOG_IDS_H

// Control ids that many templates of the language module share: the note
// panel and the Help button. Plain defines, read by the resource compiler
// as well as by C and C++.

#define ORB_PANEL_FRAME 26600  // the panel's frame
#define ORB_PANEL_TITLE 26700  // its title, in a bold font
#define ORB_PANEL_BODY 26701   // its text
#define ORB_HELP_BUTTON 1008

#endif
