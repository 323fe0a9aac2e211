/* Identifiers of the wizard's dialog templates, controls, icons and strings.
   One header for the resource script and the code (plain defines, so that the
   resource compiler can read it too). Several controls share a number on
   different pages; each gets the name of its role. */
#ifndef WIZARD_APP_PAGES_CONTROL_IDS_H
#define WIZARD_APP_PAGES_CONTROL_IDS_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Dialog templates. */
#define IDD_START 102
#define IDD_SELECT_USB 131
#define IDD_WORKMODE 133
#define IDD_LOGGING 135
#define IDD_WIPE_SETTINGS 138
#define IDD_SUMMARY_USB 140
#define IDD_ISO_PATH 142
#define IDD_SUMMARY_ISO 144
#define IDD_PROGRESS 146
#define IDD_FINISH 152
#define IDD_ABOUT 154
#define IDD_WAIT_POPUP 159

/* Icons. */
#define IDI_PROGRAM 128
#define IDI_ISO_IMAGE 148
#define IDI_USB_DRIVE 150
#define IDI_WAIT 161

/* Strings. */
#define IDS_CAPTION 149
#define IDS_ISO_MKISOFS_FAILED 150
#define IDS_ISO_MISSING 151
#define IDS_ISO_CORRUPTED 152
#define IDS_ISO_COPY_FAILED 153
/* 154, the question before a USB drive is overwritten, is asked with the
   builders' own text (wizard/media/build_messages.h). */
#define IDS_USB_VOLUME_BUSY 155
#define IDS_USB_MBR_FAILED 156
#define IDS_USB_NOT_FORMATTED 157
#define IDS_USB_SYSLINUX_FAILED 158
#define IDS_SHARE_CHECK_WAIT 173

/* Buttons every page shares. */
#define IDC_NEXT 1 /* also "&Create" and "&Finish" */
#define IDC_CANCEL 2
#define IDC_HELP_BUTTON 1010
#define IDC_BACK 1011

/* The picture control of the summary, progress and finish pages. */
#define IDC_PAGE_ICON 128

/* Start page. */
#define IDC_START_USB 1004
#define IDC_START_ISO 1005
#define IDC_START_WELCOME 1006
#define IDC_START_CREATE 1007
#define IDC_START_INTRO 1008
#define IDC_START_REMOVABLE 1009
#define IDC_START_ISO_PLAIN 1011
#define IDC_START_HELP_LINK 1071
#define IDC_START_USB_PLAIN 1072

/* USB drive page. */
#define IDC_USB_LIST 1012
#define IDC_USB_TITLE 1013
#define IDC_USB_WARNING 1014

/* ISO image path page. */
#define IDC_ISO_TITLE 1056
#define IDC_ISO_PATH 1057
#define IDC_ISO_BROWSE 1058

/* Work mode page. */
#define IDC_MODE_AUTOMATIC 1015
#define IDC_MODE_MANUAL 1016
#define IDC_MODE_CHANGE_DEFAULTS 1017
#define IDC_MODE_TITLE 1018
#define IDC_MODE_AUTOMATIC_LABEL 1019
#define IDC_MODE_MANUAL_LABEL 1020
/* The descriptions under the two modes (own ids, so they get the page's font). */
#define IDC_MODE_AUTOMATIC_TEXT 1077
#define IDC_MODE_MANUAL_TEXT 1078

/* Wipe settings page. */
#define IDC_WIPE_TITLE 1031
#define IDC_WIPE_HDD_SCHEME 1032
#define IDC_WIPE_HDD_VERIFY 1033
#define IDC_WIPE_SSD_SCHEME 1034
#define IDC_WIPE_SSD_VERIFY 1035
#define IDC_WIPE_REMOVABLE_SCHEME 1036
#define IDC_WIPE_HYBRID_SCHEME 1037
#define IDC_WIPE_REMOVABLE_VERIFY 1038
#define IDC_WIPE_HYBRID_VERIFY 1039
#define IDC_WIPE_RESET_DCO 1040
#define IDC_WIPE_ATA_ERASE 1041
#define IDC_WIPE_HDD_LABEL 1042
#define IDC_WIPE_SSD_LABEL 1043
#define IDC_WIPE_HYBRID_LABEL 1044
#define IDC_WIPE_REMOVABLE_LABEL 1045
#define IDC_WIPE_SET_DEFAULT 1046
#define IDC_WIPE_ATA_TITLE 1073
#define IDC_WIPE_RESET_HPA 1074

/* Logging page. */
#define IDC_LOG_USB 1022
#define IDC_LOG_TITLE 1021
#define IDC_LOG_NET 1023
#define IDC_LOG_SHARE 1024
#define IDC_LOG_CHECK 1025
#define IDC_LOG_USER 1026
#define IDC_LOG_PASSWORD 1027
#define IDC_LOG_USER_LABEL 1028
#define IDC_LOG_PASSWORD_LABEL 1029
#define IDC_LOG_PASSWORD_NOTE 1030
#define IDC_LOG_OPTIONS_TITLE 1073
#define IDC_LOG_LOCK 1075

/* Summary pages. */
#define IDC_SUM_TITLE 1047
#define IDC_SUM_MODE 1048
#define IDC_SUM_MODE_LABEL 1049
#define IDC_SUM_TARGET_LABEL 1050
#define IDC_SUM_TARGET 1051
#define IDC_SUM_SCHEMES 1052
#define IDC_SUM_OPTIONS 1053
#define IDC_SUM_LOGGING 1054
#define IDC_SUM_LOGGING_LABEL 1055
#define IDC_SUM_LOCK_LABEL 1074
#define IDC_SUM_LOCK 1075
#define IDC_SUM_OPEN_FOLDER 1076
#define IDC_SUM_BURN_NOTE 1059

/* Progress and finish pages. */
#define IDC_PROGRESS_BAR 1060
#define IDC_PROGRESS_STEP 1061
#define IDC_MEDIUM_TITLE 1062
#define IDC_FINISH_OUTCOME 1063

/* Wait popup of the network share check. */
#define IDC_WAIT_TEXT 1076

/* About box. */
#define IDC_ABOUT_VERSION 1065

/* The system menu item that opens the About box. */
#define IDM_ABOUT 0x10

#endif
