// The hex view control window (class "PELMORA_CTRL") with its status bar.
#pragma once

#include <windows.h>

// Registers the class and creates the control over the main window's client
// area; stores it in ViewState. Null when the class cannot be registered.
HWND CreateHexViewControl(HWND main_window);
// The status bar inside the control, or null before the control exists.
HWND HexViewStatusBar();
// Installs the Win32 view host (done by CreateHexViewControl as well).
void InstallWin32ViewHost();
