// Dialog templates and control IDs of the preferences dialog and its two
// pages, shared by resources/settings.rc and the dialog procedures.
#pragma once

#define IDD_PREF_FONTS 102
#define IDD_PREFERENCES 110
#define IDD_PREF_KEYBOARD 111

// Frame
#define IDC_PREF_TREE 1020

// Fonts and Colors page
#define IDC_PREF_ITEMS 1026
#define IDC_PREF_FONT_NAME 1028
#define IDC_PREF_FONT_STYLE 1030
#define IDC_PREF_FONT_SIZE 1031
#define IDC_PREF_FOREGROUND 1032
#define IDC_PREF_BACKGROUND 1033
#define IDC_PREF_SAMPLE 1034

// Keyboard page
#define IDC_PREF_COMMANDS 1045
#define IDC_PREF_ASSIGNED 1047
#define IDC_PREF_ASSIGN 1049
#define IDC_PREF_REMOVE 1050
#define IDC_PREF_SHORTCUT_GROUP 1051
#define IDC_PREF_DESCRIPTION 1052
#define IDC_PREF_OWNER 1053
#define IDC_PREF_HOTKEY 1054
#define IDC_PREF_STANDARD_KEYS 1055
