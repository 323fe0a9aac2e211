/* Resource ids of the update program: the one header the resource scripts
   and the Win32 code share. The string ids (103 to 141) are in
   updater/app/updater_strings.h. */
#pragma once

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
