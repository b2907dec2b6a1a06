// The About box: the program's name and version, and the support and site
// links, which open through the shell.
#pragma once

#include <windows.h>

// Shows the About box modally over the owner; always 0.
INT_PTR ShowAboutDialog(HINSTANCE instance, HWND owner);
