// Dialog templates and control IDs of the Find and Goto dialogs, shared by
// resources/tools.rc and the dialog procedures.
#pragma once

#define IDD_GOTO 103
#define IDD_FIND 106

// Goto
#define IDC_GOTO_INPUT 1001
#define IDC_GOTO_HEX 1002
#define IDC_GOTO_EXIT 1005
#define IDC_GOTO_PREVIOUS 1011
#define IDC_GOTO_NEXT 1012
#define IDC_GOTO_FROM_BEGINNING 1014
#define IDC_GOTO_FROM_CURRENT 1015
#define IDC_GOTO_RESULT 1016

// Find
#define IDC_FIND_HEX 1007
#define IDC_FIND_TEXT 1009
#define IDC_FIND_PATTERN 1010
#define IDC_FIND_PREVIOUS 1011
#define IDC_FIND_NEXT 1012
#define IDC_FIND_EXIT 1013
#define IDC_FIND_CODE_PAGE 1017
#define IDC_FIND_PROGRESS 1018
#define IDC_FIND_STOP 1019
#define IDC_FIND_RESULT 1020

#define IDT_FIND_PROGRESS 10010

// Data inspector window
#define IDC_INSPECTOR_BIG_ENDIAN 1001
#define IDC_INSPECTOR_LIST 1002
#define IDC_INSPECTOR_EDIT 1003
#define ID_INSPECTOR_COPY 1004
