/* Resource identifiers of the update program: dialog templates, controls and
   icons. Shared by the resource scripts and the window code. The string ids
   (103 to 141) are in updater/app/updater_strings.h. */
#ifndef QO_RENOVO_RESOURCE_H
#define QO_RENOVO_RESOURCE_H

/* Dialog templates */
#define IDD_PROGRESS 134      /* the download progress (progress_dialog.rc) */
#define IDD_RESTART 139       /* "Restart now?" */
#define IDD_QUESTION 140      /* question with "&View details" */
#define IDD_QUESTION_LINK 141 /* question with the release notes link */

/* Buttons ending the question and restart dialogs: IDYES (6, "&Yes",
   "&Restart now"), IDNO (7, "&No", "&Later") and */
#define IDC_VIEW_DETAILS 8

/* Controls */
#define IDC_HEADER_TEXT 1002        /* the text on the band */
#define IDC_RELEASE_NOTES_LINK 1024 /* "What's new in this version" */
#define IDC_HEADER_ICON 1031        /* where the icon is drawn */
#define IDC_RESTART_TEXT 1032
#define IDC_BAND_LINE 1300 /* the band ends above this line */

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Main window and its pages (main_window.rc). */
#define IDD_MAIN_WINDOW 129
#define IDD_PAGE_OPTIONS 130
#define IDD_PAGE_VERSIONS 131
#define IDD_PAGE_ABOUT 133
#define IDB_VERSION_STATES 135
#define IDI_RENOVO 138

/* Main window (129). */
#define IDC_MAIN_TREE 1000
#define IDC_MAIN_TITLE 1002
#define IDC_MAIN_BAND_LINE 1003
#define IDC_MAIN_BOTTOM_LINE 1004
#define IDC_MAIN_ICON 1020

/* Update Options page (130). The confirm-restart check box 1010 is
   addressed by the page but is not in the template. */
#define IDC_OPTIONS_STATUS 1004
#define IDC_OPTIONS_SITE 1005
#define IDC_OPTIONS_UPDATE_NOW 1006
#define IDC_OPTIONS_AUTO_UPDATE 1007
#define IDC_OPTIONS_CONFIRM_DOWNLOAD 1008
#define IDC_OPTIONS_CONFIRM_RESTART 1010
#define IDC_OPTIONS_PERIOD_LABEL 1018
#define IDC_OPTIONS_PERIOD 1019
#define IDC_OPTIONS_FOLDER 1022
#define IDC_OPTIONS_BROWSE 1023

/* Versions Information page (131). */
#define IDC_VERSIONS_LIST 1011
#define IDC_VERSIONS_ALL_FILES 1017
#define IDC_VERSIONS_ALL_OS 1021

/* About page (133). */
#define IDC_ABOUT_TEXT 1015
#define IDC_ABOUT_COPYRIGHT 1016

#endif
