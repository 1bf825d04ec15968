// Resource ids shared by the resource script and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif

// Dialog templates
#define IDD_ABOUTBOX                100
#define IDD_VIREOLA_DIALOG          102

// Icons
#define IDR_MAINFRAME               128
#define IDI_DESKTOP_ICON            131

// Strings
#define IDS_ABOUTBOX                101
#define IDS_APP_TITLE               0xE000
#define IDS_COMPANY_KEY             0xE001
#define IDS_PREVIEW_LABEL           0xE002
#define IDS_NOT_IMPLEMENTED_TEXT    0xE006
#define IDS_NOT_IMPLEMENTED_CAPTION 0xE007
#define IDS_VERSION_LINE            0xE008

// Settings dialog controls
#define IDC_APPLY                   1001
#define IDC_TEXT_COLOR              1002
#define IDC_COLOR                   1003
#define IDC_PREVIEW                 1004
#define IDC_FONT                    1005
#define IDC_ALL_COLORS              1006
#define IDC_REAPPLY                 1007
#define IDC_TRAY_ICON               1008
#define IDC_ABOUT                   1009
#define IDC_RESTORE_WINDOWS_COLORS  1010
#define IDC_REMOVE_FROM_MEMORY      1011

// About box controls
#define IDC_VERSION_TEXT            1012
#define IDC_ABOUT_ICON              1013

// System-menu entry of the settings dialog
#define ID_SYSMENU_ABOUT            0x0010
