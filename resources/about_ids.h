// Dialog template and control IDs of the About box, shared by
// resources/about.rc and its dialog procedure.
#pragma once

#define IDD_ABOUT 65007

#define IDC_ABOUT_VERSION 65000
#define IDC_ABOUT_SUPPORT 65001
#define IDC_ABOUT_GROUP 65002
#define IDC_ABOUT_SITE 65005

// The documents installed beside pelmora.exe that the About box opens: the
// program keeps no address of its own to send the user to.
#define PELMORA_GUIDE_FILE L"README.md"
#define PELMORA_LICENCE_FILE L"LICENSE.txt"
