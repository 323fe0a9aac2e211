/* Resource ids of the wizard program: dialog templates, controls, icons, strings. */
#pragma once

#define IDD_ABOUT 154
#define IDC_ABOUT_VERSION 1065
