#ifndef ORBNET_TESTS_WIN_TEST_DIALOG_IDS_H
#define ORBNET_TESTS_WIN_TEST_DIALOG_IDS_H

// The test programs' own templates (dialog_fixture.rc, controls.rc) and the
// controls of theirs that no dialog of the library has. Plain defines, read
// by the resource compiler as well as by C++.

#define ORB_TEST_PANEL_TEMPLATE 500     // the note panel, Help and one other control
#define ORB_TEST_BARE_TEMPLATE 501      // no panel
#define ORB_TEST_MISSING_TEMPLATE 777   // no template has it
#define ORB_TEST_CONTROLS_TEMPLATE 510  // the file dialog's lists, buttons and pictures
#define ORB_TEST_OTHER 1200             // a control outside the panel

#endif
