#pragma once
// Control and resource identifiers of the log viewer's window.
#define IDD_LOGVIEWER 100
#define IDC_TREE 1001
#define IDC_PICTURE 1002
#define IDC_VSCROLL 1003
#define IDC_TOP 1004
#define IDC_BACK 1005
#define IDC_NEXT 1006
#define IDC_BOTTOM 1007
#define IDC_GROUP_PRINT 1008
#define IDC_RADIO_TODAY 1009
#define IDC_RADIO_TOTAL 1010
#define IDC_LABEL_PRINTER 1011
#define IDC_PRINTERS 1012
#define IDC_PRINT 1013
#define IDC_EXIT 1014
#define IDM_ADDNEWLOG 2001
#define IDM_ABOUT 0x0010
