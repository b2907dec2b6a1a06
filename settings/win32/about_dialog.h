// The About box: the program's name and version, and links to the guide and
// the licence installed beside the program, which open through the shell.
#pragma once

#include <windows.h>

// Shows the About box modally over the owner; always 0.
INT_PTR ShowAboutDialog(HINSTANCE instance, HWND owner);
