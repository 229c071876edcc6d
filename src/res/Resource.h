// Resource and control ids of the program's windows.
#pragma once

// Dialogs, menu, string and icon.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_OSTREL_DIALOG 102
#define IDD_CHOOSEFLASH 129
#define IDD_TIPS 130
#define IDD_PROGRESS 131
#define IDR_MENU 132
#define IDD_COMPANY 133
#define IDR_MAINFRAME 136

// The About item of the main window's system menu (low four bits clear).
#define IDM_ABOUTBOX 0x0010

// Controls and the commands that share their ids.
#define IDC_SELECT_FILE 1000
#define IDC_CHOOSE_DRIVE 1001
#define IDC_EDIT_FILE 1002
#define IDC_EDIT_DRIVE 1003
#define IDC_START 1004
#define IDC_EDIT_TIPS 1005
#define IDC_CHOOSE_OK 1007
#define IDC_DECLINE 1008
#define IDC_COMBO_DRIVE 1009
#define IDC_CONFIRM 1010
#define IDC_TIPS_TEXT 1011
#define IDC_PROGRESS 1012
#define IDC_WEBLINK 1017

// Menu commands of the "帮助" pop-up.
#define ID_MANUAL 32773
#define ID_ABOUT 32774
#define ID_COMPANY_INFO 32775
