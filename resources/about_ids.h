// Dialog template and control IDs of the About box, shared by
// resources/about.rc and its dialog procedure.
#pragma once

#define IDD_ABOUT 65007

#define IDC_ABOUT_VERSION 65000
#define IDC_ABOUT_SUPPORT 65001
#define IDC_ABOUT_GROUP 65002
#define IDC_ABOUT_SITE 65005

// The maker's addresses shown and opened by the About box.
#define PELMORA_SUPPORT_ADDRESS L"support@pelmora.example"
#define PELMORA_SITE_ADDRESS L"https://pelmora.example/"
