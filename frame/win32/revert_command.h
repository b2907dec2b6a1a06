// "&Revert to file": drops every pending change of the shown file, those
// kept in its workspace included, and shows the file as it is on the disk.
#pragma once

#include <windows.h>

// Asks first (owned by the window); 1 when the document now shows the file
// as it is on the disk.
int RevertToFile(HWND owner);
