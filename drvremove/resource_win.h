#pragma once
// Control and dialog identifiers of drvremove.exe, shared by the .rc file and the code.
#define IDD_MAIN 100
#define IDD_REBOOT 101
#define IDD_ABOUT 102
#define IDI_MAIN 103

#define IDC_ITEMS 1001
#define IDC_LOG 1002
#define IDC_NOTE 1003
#define IDC_UNINSTALL 1004
#define IDC_SELECT 1005
#define IDC_EXIT 1006
#define IDC_USB 1007
#define IDC_NOTE1 1010
#define IDC_NOTE2 1011
#define IDC_NOTE3 1012
#define IDC_ABOUT_VERSION 1020
#define IDC_ABOUT_COPYRIGHT 1021

#define IDM_ABOUTBOX 0x0010
