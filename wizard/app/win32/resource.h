/* Resource ids of the wizard program: dialog templates, controls, icons, strings. */
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUT 154
#define IDC_ABOUT_VERSION 1065
