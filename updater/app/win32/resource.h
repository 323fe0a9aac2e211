/* Resource identifiers of the update program: dialog templates, controls and
   icons. Shared by the resource scripts and the window code. */
#ifndef QO_RENOVO_RESOURCE_H
#define QO_RENOVO_RESOURCE_H

/* Dialog templates */
#define IDD_PROGRESS 134      /* the download progress (updater/net/win32) */
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

#endif
