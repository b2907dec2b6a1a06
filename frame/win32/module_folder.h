// The program's folder, with its trailing backslash.
#pragma once

#include <windows.h>

// Fills folder (MAX_PATH characters) with the program's path cut right after
// its last backslash; the new length + 1, or 0 (whole path left) without one.
int GetModuleFolder(HINSTANCE instance, wchar_t* folder);
